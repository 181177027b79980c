#pragma once

#include "config/config_dialogs.h"
#include "config/modal_runner.h"
#include "config/model/config_form.h"
#include "config/model/document_commands.h"
#include "config/model/list_editing.h"
#include "config/model/program_options.h"
#include "document/page_variables.h"
#include "engine/frontend.h"
#include "engine/screen_saver.h"

#include <QDialog>
#include <QVector>
#include <memory>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QStackedWidget;

namespace glasspane {

class ConfigDialogs;
class ConfigHost;
class System;
class TabHeaderStrip;
struct UpdateState;

// Everything the configuration dialog reaches. References must outlive the dialog.
struct ConfigContext
{
    DocumentServices& documents;
    DocumentState& doc;
    UpdateState& update;
    PasswordLock& lock;
    System& system;
    ConfigHost& host;
    ConfigDialogs& dialogs;
    ModalRunner& modal;
};

// One field of the configuration form and the control that shows it, copied both ways.
struct FormBinding
{
    std::function<void(const ConfigForm&)> show;
    std::function<void(ConfigForm&)> take;
};

// The configuration dialog: twelve tabs, a menu bar, OK and Cancel. It works on copies of the
// options and of the document's lists; OK (and File > Save, Save As) keeps them (P_ConfigKeep)
// and saves the document and the settings. It stays above the show's windows, and gives that
// up while one of its own modal dialogs is open.
class frmConfig final : public QDialog, private DocumentCommandUi
{
    Q_OBJECT

public:
    static constexpr int TabCount = 12;

    explicit frmConfig(ConfigContext context, QWidget* parent = nullptr);
    ~frmConfig() override;

    // Every activation: the pointer shown, the File menu and the caption brought up to date,
    // and the full set-up when it has not run since the dialog or a document was loaded.
    void LoadConfigDialog();
    // Shows tab n (1..12); nothing for 0 or the current tab.
    void SelectTab(int n);
    void MarkChanged();
    void ClearChanged();
    void RefreshConfigCaption();
    // The controls and working lists into the program's options, document and settings.
    void P_ConfigKeep();
    // A File menu command (FileCommandId).
    void FileCommand(int command);

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdPassword_Click();
    void cmdUpdateASAP_Click();
    void AddToFavorites();
    void OrganizeFavorites();

    // Above every other window, or not.
    void setTopmost(bool topmost);
    bool isTopmost() const { return m_topmost; }

    bool configLoaded() const { return m_configLoaded; }
    bool configChanged() const;
    int currentTab() const;
    TabHeaderStrip* tabStrip() const { return m_strip; }
    // The values of the controls, as P_ConfigKeep takes them.
    ConfigForm form() const;
    const WorkingLists& workingLists() const { return m_lists; }
    const ProgramOptions& options() const { return m_options; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class HandOverRunner;
    struct NumberBox
    {
        QLineEdit* text = nullptr;
        QScrollBar* spinner = nullptr;
        SpinnerRule rule;
        NumberBoxRule check; // what OK and Save accept in it
    };

    // ---- DocumentCommandUi ----
    Answer askSaveChanges(const QString& question) override;
    QString chooseFileToOpen() override;
    QString chooseLocation() override;
    QString chooseSaveAsPath(const QString& proposedPath) override;
    bool keepForm() override;
    void reportFailure(const QString& message) override;

    // ---- building ----
    void buildMenus(QMenuBar* bar);
    QWidget* buildGeneral();
    QWidget* buildLayout();
    QWidget* buildPages();
    QWidget* buildAddressList(bool include);
    QWidget* buildDefault();
    QWidget* buildToolBarPage(ToolBar bar);
    QWidget* buildReboot();
    QWidget* buildUpdate();
    QWidget* buildHelp();
    QWidget* buildAbout();
    QLineEdit* textBox(const char* name, int maxLength);
    QCheckBox* checkBox(const QString& caption, const char* name);
    QLabel* label(const QString& caption, const char* name, QWidget* buddy = nullptr);
    QPushButton* button(const QString& caption, const char* name);
    NumberBox& numberBox(const char* textName, const char* spinnerName, int maxLength,
                         const SpinnerRule& rule, NumberBoxRule check);
    void connectChanges();

    // ---- set-up and the controls ----
    void setUp();
    // The table of the form's fields and their controls, used both ways.
    void bindForm();
    void setForm(const ConfigForm& form);
    void fillLists();
    void refreshFileMenu();
    void refreshRecentFiles();
    void refreshToolBarPositions();
    void updateDependants();
    void updateSchemeControls();
    void showNextUpdate();
    void numberBoxEdited(NumberBox& box);
    void spinnerMoved(NumberBox& box);
    void selectTabFromMenu(int n);
    // The tab (1..12) a control stands on; 0 for none.
    int tabOf(const QWidget* control) const;
    // The checks of OK, also made by Save and Save As: a valid e-mail address, and a number the
    // box accepts in every number box in use. The first refused box is shown, focused and
    // selected, under a message saying why; false then, and nothing is kept.
    bool formAccepted();
    // Shows the box on its tab, focused and selected, under a message.
    void refuse(QLineEdit* box, const QString& title, const QString& message);
    int runModal(QDialog& dialog);
    // The satellite dialogs over this one, their modal children through its runner.
    DialogContext dialogContext();
    // A Help menu item or the About tab's site button (HelpItem).
    void helpCommand(int item);

    // ---- list editors ----
    void pageSelected();
    void insertPage(bool grab);
    void deletePage();
    void movePage(int delta);
    void viewPage();
    // The properties dialog on the selected entry; true when it was changed (OK).
    bool pageProperties();
    void insertAddress(bool include, bool grab);
    void deleteAddress(bool include);
    void viewAddress(bool include);
    bool addressProperties(bool include);
    void toolSelected(ToolBar bar);
    void moveTool(ToolBar bar, int delta);
    void toolProperties(ToolBar bar);
    void refillPages(int select);
    void refillAddresses(bool include, int select);
    void refillTools(ToolBar bar, int select);
    void editPageList(int mode);
    void writeSettings(QStringList& failed);
    // Page variables as the dialog's options have them.
    ExpansionContext expansion();

    ConfigContext m_ctx;
    std::unique_ptr<HandOverRunner> m_runner;
    DocumentCommands m_commands;
    ProgramOptions m_options;
    SaverState m_saver;
    WorkingLists m_lists;
    ExpansionStepper m_viewStepper;
    QStringList m_keepFailures; // options P_ConfigKeep could not store, reported with the save
    bool m_configLoaded = false;
    bool m_syncing = false;
    bool m_topmost = false;
    bool m_closing = false;
    bool m_accepted = false;

    // ---- controls ----
    TabHeaderStrip* m_strip = nullptr;
    QStackedWidget* m_pages = nullptr;
    QVector<QWidget*> m_picConfig;
    QVector<QAction*> m_mnuFile;
    QVector<QAction*> m_mnuTab;
    QVector<QAction*> m_mnuHelp;
    QVector<QAction*> m_mnuEdit;
    QVector<QAction*> m_mnuFavorites;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    std::vector<std::unique_ptr<NumberBox>> m_numberBoxes;
    std::vector<FormBinding> m_form;

    // General
    QLineEdit* m_txtHomePage = nullptr;
    QCheckBox* m_chkAutoHome = nullptr;
    QCheckBox* m_chkSplash = nullptr;
    QCheckBox* m_chkScreenSaveActive = nullptr;
    QVector<QWidget*> m_screenSaveDependants;
    NumberBox* m_screenSaveTimeOut = nullptr;
    QButtonGroup* m_optMouseMove = nullptr;
    NumberBox* m_defaultTime = nullptr;
    QCheckBox* m_chkAutoLoop = nullptr;
    QCheckBox* m_chkFirstPageIsLastPage = nullptr;
    QCheckBox* m_chkTestURLIsHomePage[2] = {nullptr, nullptr};
    // Layout
    QCheckBox* m_chkFullScreen = nullptr;
    QCheckBox* m_chkTopMost = nullptr;
    QButtonGroup* m_optRemoveVertScroll = nullptr;
    QButtonGroup* m_optNewWindow = nullptr;
    QCheckBox* m_chkRandom = nullptr;
    // Pages, include, exclude
    QListWidget* m_lstPageList = nullptr;
    QPushButton* m_cmdListUp = nullptr;
    QPushButton* m_cmdListDown = nullptr;
    QPushButton* m_cmdListProps = nullptr;
    QListWidget* m_lstInclude = nullptr;
    QListWidget* m_lstExclude = nullptr;
    // Default
    QButtonGroup* m_optRegKey = nullptr;
    QCheckBox* m_chkDefaultSS = nullptr;
    QLabel* m_lblDefaultSS = nullptr;
    QCheckBox* m_chkDefaultFile = nullptr;
    QLabel* m_lblDefaultFile = nullptr;
    QCheckBox* m_chkDefaultProgram = nullptr;
    QLabel* m_lblDefaultProgram = nullptr;
    // Tool bars
    QListWidget* m_lstToolRun = nullptr;
    QPushButton* m_cmdToolRunUp = nullptr;
    QPushButton* m_cmdToolRunDown = nullptr;
    QCheckBox* m_chkToolRunLocked = nullptr;
    QLabel* m_txtToolRunLeft = nullptr;
    QLabel* m_txtToolRunTop = nullptr;
    QLabel* m_lblToolRun = nullptr;
    QListWidget* m_lstToolNav = nullptr;
    QPushButton* m_cmdToolNavUp = nullptr;
    QPushButton* m_cmdToolNavDown = nullptr;
    QCheckBox* m_chkToolNavLocked = nullptr;
    QLabel* m_txtToolNavLeft = nullptr;
    QLabel* m_txtToolNavTop = nullptr;
    QLabel* m_txtToolNavWidth = nullptr;
    // Reboot
    QCheckBox* m_chkReboot = nullptr;
    QVector<QWidget*> m_rebootDependants;
    NumberBox* m_rebootTimeH = nullptr;
    NumberBox* m_rebootTimeM = nullptr;
    QCheckBox* m_chkForceReboot = nullptr;
    QCheckBox* m_chkAutoLogin = nullptr;
    QVector<QWidget*> m_loginDependants;
    QLineEdit* m_txtUserName = nullptr;
    QLineEdit* m_txtDomain = nullptr;
    // Update
    QComboBox* m_cboUpdateScheme = nullptr;
    NumberBox* m_updateTimeH = nullptr;
    NumberBox* m_updateTimeM = nullptr;
    NumberBox* m_updateDelay = nullptr;
    NumberBox* m_maxTime = nullptr;
    QVector<QWidget*> m_updateTimeControls;
    QVector<QWidget*> m_updateDelayControls;
    QVector<QWidget*> m_maxTimeControls;
    QVector<QWidget*> m_connectionControls;
    QCheckBox* m_chkForceReconnect = nullptr;
    QPushButton* m_cmdUpdateASAP = nullptr;
    QLabel* m_lblTestURL = nullptr;
    QLineEdit* m_txtTestURL = nullptr;
    QLabel* m_lblLastUpdate = nullptr;
    QLabel* m_lblNextUpdate = nullptr;
    // Help
    QCheckBox* m_chkHelpEnabled = nullptr;
    QLabel* m_lblHelpURL = nullptr;
    QLineEdit* m_txtHelpURL = nullptr;
    // About
    QLineEdit* m_txtEMail = nullptr;
    QCheckBox* m_chkPrivate = nullptr;
};

} // namespace glasspane
