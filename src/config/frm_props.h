#pragma once

#include "config/model/config_form.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

namespace glasspane {

class ModalRunner;
struct PagePropsForm;

// The properties of one entry of the configuration dialog's working lists, by mode
// (PropertiesMode): a page with its display time, variable and cache flags (1), an include or
// exclude address (2, 3), a button of the screen-saver or navigation tool bar (4, 5), or the
// navigation bar's address box (6). Modes 2 to 6 show only the top part. OK keeps the fields in
// the entry (P_KeepProps); Cancel, Escape and the close box change nothing.
class frmProps final : public QDialog
{
    Q_OBJECT

public:
    // What the dialog shows besides the entry.
    struct Surroundings
    {
        ModalRunner& runner;     // the file choosers and messages
        QString cacheFolder;     // where cached copies are kept
        QString favoritesFolder; // shown for the favourites variable
    };

    // index: the entry in its working list (none for the address box).
    frmProps(int mode, int index, WorkingLists& lists, Surroundings surroundings,
             QWidget* parent = nullptr);

    int mode() const { return m_mode; }

    void cmdOK_Click();
    // The fields into the entry.
    void P_KeepProps();
    // Shows and captions the variable fields of a kind.
    void LayoutVariableFields(int type);
    void ShowCachedFile();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The fields from the entry, as each showing starts.
    void Form_Activate();
    QWidget* buildTop(QGroupBox* frame);
    QWidget* buildVariable(QGroupBox* frame);
    // A multi-line box in which Enter presses OK.
    QPlainTextEdit* linesBox(const char* name, QWidget* parent);
    void browse(QLineEdit* box, const QString& title, const QString& filter, bool folderOnly);
    void enableTime();
    void enableButtonFields();
    PagePropsForm pageForm() const;
    ToolButton* editedButton();

    const int m_mode;
    const int m_index;
    WorkingLists& m_lists;
    Surroundings m_surroundings;
    int m_type = 0; // the variable kind shown
    bool m_syncing = false;

    QGroupBox* m_frmFrame = nullptr;
    QWidget* m_lower = nullptr; // the page's fields below the address and time
    QGridLayout* m_variableGrid = nullptr;
    int m_listRow = 0;
    int m_patternRow = 0;
    int m_endRow = 0;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    // Address and time
    QLabel* m_lblURL = nullptr;
    QLineEdit* m_txtURL = nullptr;
    QPushButton* m_cmdBrowseFile = nullptr;
    QCheckBox* m_chkDefaultTime = nullptr;
    QLabel* m_lblTime = nullptr;
    QLineEdit* m_txtTime = nullptr;
    QScrollBar* m_updTime = nullptr;
    QLabel* m_lblTime2 = nullptr;
    // Buttons
    QCheckBox* m_chkVisible = nullptr;
    QList<QWidget*> m_buttonFields;
    QLineEdit* m_txtFileName = nullptr;
    QLineEdit* m_txtFileDown = nullptr;
    QLineEdit* m_txtHelpTip = nullptr;
    // Variable
    QComboBox* m_cboVar1Type = nullptr;
    QLabel* m_lblVar1ValueList = nullptr;
    QLineEdit* m_txtVar1SourceFrom = nullptr;
    QLabel* m_lblVar1SourceTo = nullptr;
    QLineEdit* m_txtVar1SourceTo = nullptr;
    QPlainTextEdit* m_txtVar1SourceList = nullptr;
    QLineEdit* m_txtVar1SourceFile = nullptr;
    QPushButton* m_cmdVar1SourceFile = nullptr;
    QLabel* m_lblVar1ParamFile = nullptr;
    QPlainTextEdit* m_txtVar1ParamFile = nullptr;
    QCheckBox* m_chkVar1CaseSensitive = nullptr;
    QLabel* m_lblFavorites = nullptr;
    QCheckBox* m_chkVar1SubDirectories = nullptr;
    QCheckBox* m_chkCached = nullptr;
    QLabel* m_lblCachedLabel = nullptr;
    QLabel* m_lblCached = nullptr;
    QCheckBox* m_chkSeparateProc = nullptr;
};

} // namespace glasspane
