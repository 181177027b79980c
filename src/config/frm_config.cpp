#include "config/frm_config.h"

#include "config/config_dialogs.h"
#include "config/config_host.h"
#include "config/control_builders.h"
#include "config/frm_add_favorite.h"
#include "config/frm_password.h"
#include "config/model/page_on_screen.h"
#include "config/tab_header_strip.h"
#include "document/day_count.h"
#include "document/document_files.h"
#include "document/favorites.h"
#include "document/page_variables.h"
#include "document/program_values.h"
#include "document/update_policy.h"
#include "engine/screen_saver.h"
#include "platform/log.h"
#include "platform/shell.h"
#include "platform/system.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace glasspane {

namespace {

const QString kFileFilter = QStringLiteral("Glasspane file (*.gpn)");

void enableAll(const QVector<QWidget*>& widgets, bool enabled)
{
    for (QWidget* w : widgets)
        w->setEnabled(enabled);
}

void checkOption(QButtonGroup* group, int id)
{
    if (QAbstractButton* option = group->button(id))
        option->setChecked(true);
}

// The binding of a field of the form, by the kind of control that shows it.
FormBinding bind(QString ConfigForm::*field, QLineEdit* box)
{
    return {[=](const ConfigForm& f) { box->setText(f.*field); },
            [=](ConfigForm& f) { f.*field = box->text(); }};
}

FormBinding bind(bool ConfigForm::*field, QCheckBox* box)
{
    return {[=](const ConfigForm& f) { box->setChecked(f.*field); },
            [=](ConfigForm& f) { f.*field = box->isChecked(); }};
}

// Options numbered by their button ids; none checked reads as the first.
FormBinding bind(int ConfigForm::*field, QButtonGroup* group)
{
    return {[=](const ConfigForm& f) { checkOption(group, f.*field); },
            [=](ConfigForm& f) { f.*field = std::max(0, group->checkedId()); }};
}

FormBinding bind(int ConfigForm::*field, QComboBox* box)
{
    return {[=](const ConfigForm& f) { box->setCurrentIndex(f.*field); },
            [=](ConfigForm& f) { f.*field = std::max(0, box->currentIndex()); }};
}

} // namespace

// Gives up the dialog's top-most state while one of its modal children is open, so that the
// child can stand above it, and takes it back afterwards together with the tool bars.
class frmConfig::HandOverRunner final : public ModalRunner
{
public:
    HandOverRunner(frmConfig& owner, ModalRunner& inner) : m_owner(owner), m_inner(inner) {}

    int exec(QDialog& dialog) override
    {
        const bool wasTopmost = m_owner.m_topmost;
        if (wasTopmost)
            m_owner.setTopmost(false);
        const int result = m_inner.exec(dialog);
        if (wasTopmost) {
            m_owner.setTopmost(true);
            m_owner.m_ctx.host.raiseToolBars();
        }
        return result;
    }

private:
    frmConfig& m_owner;
    ModalRunner& m_inner;
};

frmConfig::frmConfig(ConfigContext context, QWidget* parent)
    : QDialog(parent), m_ctx(context),
      m_runner(std::make_unique<HandOverRunner>(*this, context.modal)),
      m_commands(DocumentCommandPorts{context.documents, context.doc,
                                      [this](QStringList& failed) { writeSettings(failed); },
                                      [this] { m_ctx.host.afterSave(); }},
                 *this)
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(kProductName);
    setSizeGripEnabled(false);

    auto* menuBar = new QMenuBar(this);
    buildMenus(menuBar);

    m_strip = new TabHeaderStrip(this);
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("picConfig"));
    m_picConfig = {buildGeneral(),
                   buildLayout(),
                   buildPages(),
                   buildAddressList(true),
                   buildAddressList(false),
                   buildDefault(),
                   buildToolBarPage(ToolBar::Run),
                   buildToolBarPage(ToolBar::Nav),
                   buildReboot(),
                   buildUpdate(),
                   buildHelp(),
                   buildAbout()};
    for (QWidget* p : m_picConfig)
        m_pages->addWidget(ScrollingArea(p));

    QStringList captions;
    for (QAction* a : m_mnuTab)
        captions.append(a->text());
    m_strip->setHeaders(
        captions,
        {QStringLiteral(" Set home page, screen save delay or action when the mouse moves "),
         QStringLiteral(" Define main window layout, disable pop-up windows, hide scroll bar or "
                        "set random mode "),
         QStringLiteral(" Set Pages to display in screen saver mode "),
         QStringLiteral(" Define allowed addresses for navigation "),
         QStringLiteral(" Define restricted addresses for navigation "),
         QStringLiteral(" Define default options "),
         QStringLiteral(" Edit buttons on the screen saver tool bar "),
         QStringLiteral(" Edit buttons on the navigation tool bar "),
         QStringLiteral(" Allow reboot of the computer at a given time "),
         QStringLiteral(" Define page update policy, especially to save bandwidth "),
         QStringLiteral(" Define help option inside the software "),
         QStringLiteral(" Set a password that protects this configuration dialog, and see the "
                        "version ")});
    connect(m_strip, &TabHeaderStrip::tabClicked, this, &frmConfig::SelectTab);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmConfig::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmConfig::cmdCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->setSpacing(0);
    layout->addWidget(m_strip);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 8, 8, 0);
    body->addWidget(m_pages, 1);
    body->addSpacing(8);
    body->addLayout(buttons);
    layout->addLayout(body, 1);

    // The tab keys of every tabbed dialog: the next tab, the one before, round the ends.
    auto tabKeys = [this](const QList<QKeySequence>& keys, int step) {
        for (const QKeySequence& key : keys) {
            auto* shortcut = new QShortcut(key, this);
            connect(shortcut, &QShortcut::activated, this, [this, step] {
                SelectTab((currentTab() - 1 + step + TabCount) % TabCount + 1);
            });
        }
    };
    tabKeys({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, 1);
    tabKeys({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
             QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
            -1);

    bindForm();
    connectChanges();
}

frmConfig::~frmConfig() = default;

bool frmConfig::configChanged() const
{
    return m_ctx.doc.ConfigChanged;
}

int frmConfig::currentTab() const
{
    return m_strip->currentTab();
}

// ---------------------------------------------------------------------------------------------
// Reactions of the controls

void frmConfig::connectChanges()
{
    auto mark = [this] { MarkChanged(); };
    for (QLineEdit* box :
         {m_txtHomePage, m_txtUserName, m_txtDomain, m_txtTestURL, m_txtHelpURL, m_txtEMail})
        connect(box, &QLineEdit::textChanged, this, mark);
    for (auto& box : m_numberBoxes) {
        NumberBox* b = box.get();
        connect(b->text, &QLineEdit::textChanged, this, [this, b] { numberBoxEdited(*b); });
        connect(b->spinner, &QScrollBar::valueChanged, this, [this, b] { spinnerMoved(*b); });
    }
    for (QCheckBox* box : {m_chkAutoHome, m_chkSplash, m_chkAutoLoop, m_chkFirstPageIsLastPage,
                           m_chkFullScreen, m_chkTopMost, m_chkRandom, m_chkDefaultSS,
                           m_chkDefaultFile, m_chkDefaultProgram, m_chkToolRunLocked,
                           m_chkToolNavLocked, m_chkForceReboot, m_chkForceReconnect, m_chkPrivate})
        connect(box, &QCheckBox::toggled, this, mark);
    for (QCheckBox* box : {m_chkScreenSaveActive, m_chkReboot, m_chkAutoLogin, m_chkHelpEnabled})
        connect(box, &QCheckBox::toggled, this, [this] {
            MarkChanged();
            updateDependants();
        });
    for (int i = 0; i < 2; ++i) {
        connect(m_chkTestURLIsHomePage[i], &QCheckBox::toggled, this, [this, i](bool checked) {
            m_chkTestURLIsHomePage[1 - i]->setChecked(checked);
            MarkChanged();
            updateDependants();
        });
    }
    for (QButtonGroup* group : {m_optRemoveVertScroll, m_optNewWindow, m_optRegKey})
        connect(group, &QButtonGroup::idToggled, this, [this](int, bool on) {
            if (on)
                MarkChanged();
        });
    connect(m_optMouseMove, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on)
            return;
        MarkChanged();
        m_lblToolRun->setText(ToolRunStatusText(id));
    });
    connect(m_cboUpdateScheme, &QComboBox::currentIndexChanged, this, [this] {
        MarkChanged();
        updateSchemeControls();
        showNextUpdate();
    });
    for (QLineEdit* box : {m_screenSaveTimeOut->text, m_maxTime->text})
        box->installEventFilter(this);
}

void frmConfig::numberBoxEdited(NumberBox& box)
{
    if (m_syncing)
        return;
    if (const std::optional<int> value = box.rule.valueForText(box.text->text())) {
        m_syncing = true;
        box.spinner->setValue(*value);
        m_syncing = false;
    }
    MarkChanged();
    if (&box == m_updateTimeH || &box == m_updateTimeM)
        showNextUpdate();
}

void frmConfig::spinnerMoved(NumberBox& box)
{
    if (m_syncing)
        return;
    m_syncing = true;
    box.text->setText(QString::number(box.rule.numberAt(box.spinner->value())));
    m_syncing = false;
    MarkChanged();
    if (&box == m_updateTimeH || &box == m_updateTimeM)
        showNextUpdate();
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut &&
        (watched == m_screenSaveTimeOut->text || watched == m_maxTime->text)) {
        auto* box = static_cast<QLineEdit*>(watched);
        if (LeadingNumber(box->text()) > 60)
            box->setText(QStringLiteral("60"));
    } else if (event->type() == QEvent::MouseButtonRelease &&
               watched->objectName() == QLatin1String("lblSplash")) {
        // The caption of the splash box is a label of its own: a click on it is a click on
        // the box.
        m_chkSplash->toggle();
    }
    return QDialog::eventFilter(watched, event);
}

void frmConfig::updateDependants()
{
    enableAll(m_screenSaveDependants, m_chkScreenSaveActive->isChecked());
    const bool reboot = m_chkReboot->isChecked();
    enableAll(m_rebootDependants, reboot);
    // Automatic login belongs to the NT family's reboot, which is what Linux answers to.
    m_chkAutoLogin->setEnabled(reboot && m_ctx.system.platform() == PlatformFamily::NtFamily);
    enableAll(m_loginDependants, m_chkAutoLogin->isEnabled() && m_chkAutoLogin->isChecked());
    const bool help = m_chkHelpEnabled->isChecked();
    m_lblHelpURL->setEnabled(help);
    m_txtHelpURL->setEnabled(help);
    const bool testHome = m_chkTestURLIsHomePage[0]->isChecked();
    m_lblTestURL->setEnabled(!testHome);
    m_txtTestURL->setEnabled(!testHome);
}

void frmConfig::updateSchemeControls()
{
    // What each update scheme uses: the daily time (schemes 2 and 4), the fixed delay (4 and
    // 5), the longest wait for a page and the connection test (all but "always off-line"),
    // and an early update (the schemes that update at all).
    const int scheme = m_cboUpdateScheme->currentIndex();
    enableAll(m_updateTimeControls, scheme == UpdateDaily || scheme == UpdateDailyDuringDelay);
    enableAll(m_updateDelayControls,
              scheme == UpdateDailyDuringDelay || scheme == UpdateAtLaunchDuringDelay);
    enableAll(m_maxTimeControls, scheme != AlwaysOffline);
    enableAll(m_connectionControls, scheme != AlwaysOffline);
    m_cmdUpdateASAP->setEnabled(scheme >= UpdateDaily);
}

void frmConfig::showNextUpdate()
{
    const UpdateState& update = m_ctx.update;
    const QString time = m_updateTimeH->text->text() + u':' + m_updateTimeM->text->text();
    const QDateTime next =
        ComputeNextUpdate(m_ctx.documents.clock, m_cboUpdateScheme->currentIndex(),
                          update.LastUpdate, time, update.UpdateASAPDate, update.UpdateASAPTime);
    m_lblNextUpdate->setText(NextUpdateText(m_ctx.documents.clock, next));
}

void frmConfig::cmdUpdateASAP_Click()
{
    const DayCount now = NowDays(m_ctx.documents.clock);
    m_ctx.update.UpdateASAPDate = DateText(now);
    m_ctx.update.UpdateASAPTime = TimeText(now);
    showNextUpdate();
}

// ---------------------------------------------------------------------------------------------
// Set-up

void frmConfig::LoadConfigDialog()
{
    m_ctx.host.showCursorFully();
    if (!m_configLoaded)
        setUp();
    refreshFileMenu();
    RefreshConfigCaption();
}

void frmConfig::setUp()
{
    m_options = ReadProgramOptions(m_ctx.documents.settings);
    m_saver = m_ctx.host.saverState();
    ConfigServices services{m_ctx.documents, m_ctx.doc, m_options, m_ctx.update, m_saver};
    setForm(LoadConfigForm(services));
    m_lblLastUpdate->setText(LastUpdateText(m_ctx.update.LastUpdate));
    showNextUpdate();

    m_strip->reset();
    m_pages->setCurrentIndex(0);
    for (int i = 0; i < m_mnuTab.size(); ++i)
        m_mnuTab.at(i)->setChecked(i == 0);

    m_lists = LoadWorkingLists(m_ctx.doc);
    m_viewStepper.reset();
    fillLists();
    refreshToolBarPositions();

    // The e-mail box asks for the focus when empty, which it can only take on its own tab;
    // otherwise the first box of the tab shown keeps it (a box of a hidden tab would swallow
    // the keys).
    if (m_txtEMail->text().isEmpty() && m_txtEMail->isVisible())
        m_txtEMail->setFocus();
    else
        m_txtHomePage->setFocus();
    m_keepFailures.clear();
    m_configLoaded = true;
}

void frmConfig::bindForm()
{
    // In the order the controls are filled: a control's reaction may read those before it.
    m_form = {
        bind(&ConfigForm::HomePage, m_txtHomePage),
        bind(&ConfigForm::AutoHome, m_chkAutoHome),
        bind(&ConfigForm::Splash, m_chkSplash),
        bind(&ConfigForm::MouseMove, m_optMouseMove),
        bind(&ConfigForm::ScreenSaveActive, m_chkScreenSaveActive),
        bind(&ConfigForm::ScreenSaveTimeOut, m_screenSaveTimeOut->text),
        bind(&ConfigForm::AutoLoop, m_chkAutoLoop),
        bind(&ConfigForm::DefaultTime, m_defaultTime->text),
        bind(&ConfigForm::FirstPageIsLastPage, m_chkFirstPageIsLastPage),

        bind(&ConfigForm::Random, m_chkRandom),
        bind(&ConfigForm::FullScreen, m_chkFullScreen),
        bind(&ConfigForm::TopMost, m_chkTopMost),
        bind(&ConfigForm::NewWindow, m_optNewWindow),
        bind(&ConfigForm::RemoveVertScroll, m_optRemoveVertScroll),

        bind(&ConfigForm::HelpEnabled, m_chkHelpEnabled),
        bind(&ConfigForm::HelpURL, m_txtHelpURL),
        bind(&ConfigForm::Reboot, m_chkReboot),
        bind(&ConfigForm::RebootTimeH, m_rebootTimeH->text),
        bind(&ConfigForm::RebootTimeM, m_rebootTimeM->text),
        bind(&ConfigForm::ForceReboot, m_chkForceReboot),
        bind(&ConfigForm::AutoLogin, m_chkAutoLogin),
        bind(&ConfigForm::UserName, m_txtUserName),
        bind(&ConfigForm::Domain, m_txtDomain),

        bind(&ConfigForm::UpdateScheme, m_cboUpdateScheme),
        bind(&ConfigForm::ForceReconnect, m_chkForceReconnect),
        bind(&ConfigForm::UpdateTimeH, m_updateTimeH->text),
        bind(&ConfigForm::UpdateTimeM, m_updateTimeM->text),
        bind(&ConfigForm::MaxTime, m_maxTime->text),
        bind(&ConfigForm::UpdateDelay, m_updateDelay->text),
        // The box stands on two tabs; both show the field.
        bind(&ConfigForm::TestURLIsHomePage, m_chkTestURLIsHomePage[0]),
        {[this](const ConfigForm& f) {
             m_chkTestURLIsHomePage[1]->setChecked(f.TestURLIsHomePage);
         },
         [](ConfigForm&) {}},
        bind(&ConfigForm::TestURL, m_txtTestURL),

        bind(&ConfigForm::DefaultSS, m_chkDefaultSS),
        bind(&ConfigForm::DefaultFile, m_chkDefaultFile),
        bind(&ConfigForm::DefaultProgram, m_chkDefaultProgram),
        // "Local machine (all users)" is option 0, "Current user" option 1.
        {[this](const ConfigForm& f) { checkOption(m_optRegKey, f.MachineScope ? 0 : 1); },
         [this](ConfigForm& f) { f.MachineScope = m_optRegKey->checkedId() != 1; }},

        bind(&ConfigForm::ToolRunLocked, m_chkToolRunLocked),
        bind(&ConfigForm::ToolNavLocked, m_chkToolNavLocked),
        bind(&ConfigForm::EMail, m_txtEMail),
        bind(&ConfigForm::Private, m_chkPrivate),
    };
}

void frmConfig::setForm(const ConfigForm& f)
{
    m_syncing = true;
    for (const FormBinding& field : m_form)
        field.show(f);
    m_lblToolRun->setText(ToolRunStatusText(f.MouseMove));
    auto oneWay = [](QCheckBox* box, QLabel* status, bool ticked, const QString& text) {
        status->setText(text);
        // Each of these can be set here, not undone.
        box->setEnabled(!ticked);
        status->setEnabled(!ticked);
    };
    oneWay(m_chkDefaultSS, m_lblDefaultSS, f.DefaultSS, f.DefaultSSText);
    oneWay(m_chkDefaultFile, m_lblDefaultFile, f.DefaultFile, f.DefaultFileText);
    oneWay(m_chkDefaultProgram, m_lblDefaultProgram, f.DefaultProgram, f.DefaultProgramText);

    // A stored number outside a spinner's range fills the box and leaves the spinner alone.
    for (auto& box : m_numberBoxes) {
        if (const std::optional<int> value = box->rule.valueFor(LeadingNumber(box->text->text())))
            box->spinner->setValue(*value);
    }
    m_syncing = false;
    updateDependants();
    updateSchemeControls();
}

ConfigForm frmConfig::form() const
{
    ConfigForm f;
    for (const FormBinding& field : m_form)
        field.take(f);
    return f;
}

void frmConfig::fillLists()
{
    refillPages(InitialPageSelection(
        m_lists.pages, [this](const QString& url) { return m_ctx.host.isCurrentPage(url); }));
    refillAddresses(true, m_lists.include.isEmpty() ? -1 : 0);
    refillAddresses(false, m_lists.exclude.isEmpty() ? -1 : 0);
    refillTools(ToolBar::Run, 0);
    refillTools(ToolBar::Nav, 0);
}

void frmConfig::refreshToolBarPositions()
{
    const std::optional<QRect> run = m_ctx.host.toolBarGeometry(ToolBar::Run);
    m_txtToolRunLeft->setText(run ? QString::number(run->left()) : QString());
    m_txtToolRunTop->setText(run ? QString::number(run->top()) : QString());
    const std::optional<QRect> nav = m_ctx.host.toolBarGeometry(ToolBar::Nav);
    m_txtToolNavLeft->setText(nav ? QString::number(nav->left()) : QString());
    m_txtToolNavTop->setText(nav ? QString::number(nav->top()) : QString());
    m_txtToolNavWidth->setText(nav ? QString::number(nav->width()) : QString());
}

void frmConfig::refreshFileMenu()
{
    switch (m_ctx.documents.program.documentSource) {
    case DocumentSource::File:
        m_mnuFile.at(FileCommandId::Save)->setEnabled(true);
        break;
    case DocumentSource::Web:
    case DocumentSource::Resource:
        m_mnuFile.at(FileCommandId::Save)->setEnabled(false);
        break;
    default:
        break;
    }
    refreshRecentFiles();
}

void frmConfig::refreshRecentFiles()
{
    const QStringList recent = m_commands.recentFiles();
    for (int n = 1; n <= kMaxRecentFiles; ++n) {
        QAction* item = m_mnuFile.at(FileCommandId::FirstRecent + n - 1);
        const bool shown = n <= recent.size();
        item->setVisible(shown);
        if (shown)
            item->setText(DocumentCommands::RecentFileCaption(n, recent.at(n - 1)));
    }
    m_mnuFile.at(16)->setVisible(!recent.isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Tabs, caption, changes

void frmConfig::SelectTab(int n)
{
    if (n < 1 || n > TabCount || n == currentTab())
        return;
    m_strip->selectTab(n);
    m_pages->setCurrentIndex(n - 1);
    for (int i = 0; i < m_mnuTab.size(); ++i)
        m_mnuTab.at(i)->setChecked(i == n - 1);
    // The bar being edited is on screen.
    if (n == 7)
        m_ctx.host.showToolBar(ToolBar::Run);
    else if (n == 8)
        m_ctx.host.showToolBar(ToolBar::Nav);
    if (n == 7 || n == 8)
        refreshToolBarPositions();
}

void frmConfig::selectTabFromMenu(int n)
{
    SelectTab(n);
    // A click on the checked item unchecks it: the mark stays with the tab shown.
    for (int i = 0; i < m_mnuTab.size(); ++i)
        m_mnuTab.at(i)->setChecked(i == currentTab() - 1);
}

void frmConfig::MarkChanged()
{
    if (m_configLoaded && !m_ctx.doc.ConfigChanged) {
        m_ctx.doc.ConfigChanged = true;
        RefreshConfigCaption();
    }
}

void frmConfig::ClearChanged()
{
    if (m_ctx.doc.ConfigChanged) {
        m_ctx.doc.ConfigChanged = false;
        RefreshConfigCaption();
    }
}

void frmConfig::RefreshConfigCaption()
{
    setWindowTitle(kProductName + QStringLiteral(" - ") + m_ctx.documents.program.documentName);
}

// ---------------------------------------------------------------------------------------------
// Keeping and saving

void frmConfig::P_ConfigKeep()
{
    ConfigHost& host = m_ctx.host;
    ConfigKeepHooks hooks;
    hooks.storeWindowRect = [&host] { host.storeWindowRect(); };
    hooks.applyWindowState = [&host](MainWindowState state, bool topMost) {
        host.applyWindowState(state, topMost);
    };
    hooks.playListRebuilt = [&host] { host.playListRebuilt(); };
    hooks.rebuildToolBars = [&host] { host.rebuildToolBars(); };
    ConfigServices services{m_ctx.documents, m_ctx.doc, m_options, m_ctx.update, m_saver};
    glasspane::P_ConfigKeep(services, form(), m_lists, expansion(), hooks, m_keepFailures);
}

ExpansionContext frmConfig::expansion()
{
    ExpansionContext context = ExpansionContextFor(m_ctx.documents);
    context.VarSubst = m_options.VarSubst;
    return context;
}

void frmConfig::writeSettings(QStringList& failed)
{
    DocumentServices& documents = m_ctx.documents;
    SettingsStore& settings = documents.settings;
    failed += m_keepFailures;
    m_keepFailures.clear();
    // The screen saver first: registering it turns it on, and "Screen saver active" as the
    // user left it must have the last word.
    if (!RegisterSystemSaver(m_saver, documents.ini, settings.registryLayer(), m_ctx.system,
                             documents.shell, documents.program))
        failed.append(QStringLiteral("SCRNSAVE.EXE"));
    WriteProgramOptions(settings, m_options, failed);
    if (m_ctx.doc.IsDefaultDocument) {
        if (!settings.write(keys::UpdateASAPDate, m_ctx.update.UpdateASAPDate) ||
            !settings.write(keys::UpdateASAPTime, m_ctx.update.UpdateASAPTime))
            failed.append(settingName(Setting::UpdateASAPDate));
    }
    m_ctx.host.saveWindowPlacement();
}

void frmConfig::FileCommand(int command)
{
    if (command == FileCommandId::Save || command == FileCommandId::SaveAs) {
        // What OK refuses is not saved by the menu either.
        if (!formAccepted())
            return;
        P_ConfigKeep();
    }
    const FileCommandResult result = m_commands.FileCommand(command);
    switch (result) {
    case FileCommandResult::Loaded:
    case FileCommandResult::Created:
        m_ctx.host.documentReplaced();
        [[fallthrough]];
    case FileCommandResult::Saved:
        // Everything shown again from the document as it now stands.
        m_configLoaded = false;
        LoadConfigDialog();
        break;
    case FileCommandResult::Nothing:
    case FileCommandResult::SaveFailed:
        break;
    }
    refreshFileMenu();
    RefreshConfigCaption();
}

int frmConfig::tabOf(const QWidget* control) const
{
    for (const QWidget* w = control; w; w = w->parentWidget()) {
        if (const qsizetype i = m_picConfig.indexOf(w); i >= 0)
            return int(i) + 1;
    }
    return 0;
}

void frmConfig::refuse(QLineEdit* box, const QString& title, const QString& message)
{
    SelectTab(tabOf(box));
    RefuseInput(*m_runner, this, box, title, message);
}

bool frmConfig::formAccepted()
{
    const QString email = m_txtEMail->text().trimmed();
    if (!email.isEmpty() && !IsValidEMail(email)) {
        refuse(m_txtEMail, QStringLiteral("Error"), QStringLiteral("Incorrect e-mail address !"));
        return false;
    }
    // A typo must not stop a kiosk: no box in use keeps what would be stored as 0 or a
    // default. A box disabled by its option is not used and keeps whatever it holds.
    for (const auto& box : m_numberBoxes) {
        if (!box->text->isEnabled())
            continue;
        if (const std::optional<QString> problem =
                NumberBoxProblem(box->check, box->text->text())) {
            refuse(box->text, kProductName, *problem);
            return false;
        }
    }
    return true;
}

void frmConfig::cmdOK_Click()
{
    if (!formAccepted())
        return;
    P_ConfigKeep();
    // A document from the web or the built-in one is saved where the user says (Save As);
    // a failed or cancelled save keeps the dialog open with every edit.
    if (m_commands.Save() != FileCommandResult::Saved) {
        refreshFileMenu();
        RefreshConfigCaption();
        return;
    }
    m_accepted = true;
    close();
}

void frmConfig::cmdCancel_Click()
{
    m_accepted = false;
    close();
}

void frmConfig::reject()
{
    cmdCancel_Click();
}

void frmConfig::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_closing)
        return;
    m_closing = true;
    const QVariant closedBecause = property(kDialogClosedBecause);
    if (closedBecause.isValid() && !m_accepted) {
        // Nobody is there to answer for them: nothing is saved.
        qCWarning(lcGlasspane).noquote()
            << QStringLiteral("the configuration dialog was closed (%1): %2")
                   .arg(closedBecause.toString(),
                        configChanged() ? QStringLiteral("its edits were dropped, nothing saved")
                                        : QStringLiteral("it held no edits, nothing saved"));
        setProperty(kDialogClosedBecause, QVariant());
    }
    // Form_Unload: whatever was not kept is discarded.
    m_configLoaded = false;
    if (!m_accepted)
        m_ctx.doc.ConfigChanged = false;
    const bool accepted = m_accepted;
    m_ctx.host.configClosed(accepted);
}

void frmConfig::showEvent(QShowEvent* event)
{
    // OK and Cancel on the screen whatever its size and scale: the pages scroll instead.
    if (!event->spontaneous())
        FitOnScreen(this, QSize(660, 560));
    QDialog::showEvent(event);
    m_closing = false;
    m_accepted = false;
    LoadConfigDialog();
}

void frmConfig::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        LoadConfigDialog();
}

void frmConfig::setTopmost(bool topmost)
{
    m_topmost = topmost;
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
    if (flags != windowFlags()) {
        if (QWindow* handle = windowHandle(); handle && isVisible()) {
            // In place: setWindowFlags would hide the window.
            overrideWindowFlags(flags);
            handle->setFlags(flags);
        } else {
            setWindowFlags(flags);
        }
    }
    if (topmost && isVisible()) {
        raise();
        activateWindow();
    }
}

int frmConfig::runModal(QDialog& dialog)
{
    return m_runner->exec(dialog);
}

DialogContext frmConfig::dialogContext()
{
    return DialogContext{this, *m_runner, m_ctx.documents, m_ctx.host, m_ctx.system};
}

void frmConfig::helpCommand(int item)
{
    // The contact request sends the address as the About tab holds it now.
    if (item == HelpItem::Download)
        KeepEMail(m_options, form());
    m_ctx.dialogs.helpCommand(dialogContext(), item, m_options);
}

// ---------------------------------------------------------------------------------------------
// The password, the favourites

void frmConfig::cmdPassword_Click()
{
    m_ctx.lock.passwordDialogMode = PasswordDialogMode::Change;
    SettingsStore& settings = m_ctx.documents.settings;
    frmPassword dialog(
        m_ctx.lock, *m_runner,
        [&settings](const QString& stored) {
            return WriteGeneralOption(settings, keys::Password, stored);
        },
        this);
    runModal(dialog);
}

void frmConfig::AddToFavorites()
{
    DocumentServices& documents = m_ctx.documents;
    const QString folder = FavoritesFolder(documents.registry, documents.shell);
    const QString url = m_ctx.host.currentAddress();
    // The program's own pages are gone at exit: a favourite would lead nowhere.
    if (url.isEmpty() || IsRunTimeAddress(url, documents.program.resourceFolder)) {
        ShowMessage(*m_runner, this, QMessageBox::Critical, kProductName,
                    QStringLiteral("The page on screen is one of %1's own pages, which exist "
                                   "only while it runs: it cannot be added to the favorites.")
                        .arg(kProductName));
        return;
    }
    frmAddFavorite dialog(m_ctx.host.currentTitle(), FavoriteFolders(folder), this);
    if (runModal(dialog) != QDialog::Accepted)
        return;
    QString error;
    if (AddFavoriteShortcut(documents.ini, folder, dialog.folder(), dialog.title(), url, &error)
            .isEmpty())
        ShowMessage(*m_runner, this, QMessageBox::Critical, kProductName, error);
}

void frmConfig::OrganizeFavorites()
{
    DocumentServices& documents = m_ctx.documents;
    const QString folder = FavoritesFolder(documents.registry, documents.shell);
    QDir().mkpath(folder);
    if (!documents.shell.openExternally(folder))
        ShowMessage(*m_runner, this, QMessageBox::Information, kProductName,
                    QStringLiteral("No file manager could be started to show the favorites "
                                   "folder:\n") +
                        folder);
}

// ---------------------------------------------------------------------------------------------
// DocumentCommandUi

DocumentCommandUi::Answer frmConfig::askSaveChanges(const QString& question)
{
    switch (ShowMessage(*m_runner, this, QMessageBox::Question, QStringLiteral("Confirm"), question,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                        QMessageBox::Yes)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString frmConfig::chooseFileToOpen()
{
    const QString folder = QFileInfo(m_ctx.documents.program.documentPath).absolutePath();
    return ChooseFileToOpen(*m_runner, this, QStringLiteral("File Open"), kFileFilter, folder);
}

QString frmConfig::chooseLocation()
{
    const ProgramValues& program = m_ctx.documents.program;
    const QString current =
        program.documentSource == DocumentSource::Web ? program.documentName : QString();
    return m_ctx.dialogs.chooseLocation(dialogContext(), current);
}

QString frmConfig::chooseSaveAsPath(const QString& proposedPath)
{
    return ChooseFileToSave(*m_runner, this, QStringLiteral("File Save As"), kFileFilter,
                            proposedPath, QStringLiteral("gpn"));
}

bool frmConfig::keepForm()
{
    if (!formAccepted())
        return false;
    P_ConfigKeep();
    return true;
}

void frmConfig::reportFailure(const QString& message)
{
    ShowMessage(*m_runner, this, QMessageBox::Critical, kProductName, message);
}

// ---------------------------------------------------------------------------------------------
// List editors

void frmConfig::refillPages(int select)
{
    m_lstPageList->blockSignals(true);
    m_lstPageList->clear();
    for (const PageEntry& page : m_lists.pages)
        m_lstPageList->addItem(page.URL);
    m_lstPageList->setCurrentRow(select);
    m_lstPageList->blockSignals(false);
    pageSelected();
}

void frmConfig::pageSelected()
{
    const int p = m_lstPageList->currentRow();
    const int count = int(m_lists.pages.size());
    m_cmdListUp->setEnabled(ListEditing::canMoveUp(p, count));
    m_cmdListDown->setEnabled(ListEditing::canMoveDown(p, count));
}

void frmConfig::insertPage(bool grab)
{
    const int before = m_lstPageList->currentRow();
    const int at = ListEditing::insert(m_lists.pages, m_lstPageList->currentRow(),
                                       NewPageEntry(m_ctx.doc.DefaultTime));
    if (grab)
        m_lists.pages[at].URL = m_ctx.host.currentAddress();
    refillPages(at);
    if (grab) {
        MarkChanged();
        return;
    }
    // The new entry's properties at once; cancelled, they take the empty entry back with them.
    m_cmdListProps->setFocus();
    if (!pageProperties()) {
        m_lists.pages.removeAt(at);
        refillPages(before);
    }
}

void frmConfig::deletePage()
{
    refillPages(ListEditing::remove(m_lists.pages, m_lstPageList->currentRow()));
    MarkChanged();
}

void frmConfig::movePage(int delta)
{
    const int p = m_lstPageList->currentRow();
    refillPages(delta < 0 ? ListEditing::moveUp(m_lists.pages, p)
                          : ListEditing::moveDown(m_lists.pages, p));
    MarkChanged();
}

void frmConfig::viewPage()
{
    const int p = m_lstPageList->currentRow();
    if (p < 0 || p >= m_lists.pages.size())
        return;
    PageEntry& page = m_lists.pages[p];
    m_ctx.host.showPage(m_viewStepper.next(page, p, expansion()), page.Cached, page.SeparateProc);
}

bool frmConfig::pageProperties()
{
    const int p = m_lstPageList->currentRow();
    if (p < 0)
        return false;
    const bool changed =
        m_ctx.dialogs.editProperties(dialogContext(), PropertiesMode::Page, p, m_lists);
    if (changed) {
        MarkChanged();
        m_viewStepper.reset();
    }
    refillPages(p);
    return changed;
}

void frmConfig::editPageList(int mode)
{
    if (m_ctx.dialogs.editPageList(dialogContext(), mode, m_lists, m_ctx.doc.DefaultTime,
                                   expansion())) {
        MarkChanged();
        m_viewStepper.reset();
        refillPages(InitialPageSelection(
            m_lists.pages, [this](const QString& url) { return m_ctx.host.isCurrentPage(url); }));
    }
}

void frmConfig::refillAddresses(bool include, int select)
{
    QListWidget* list = include ? m_lstInclude : m_lstExclude;
    list->blockSignals(true);
    list->clear();
    list->addItems(include ? m_lists.include : m_lists.exclude);
    list->setCurrentRow(select);
    list->blockSignals(false);
}

void frmConfig::insertAddress(bool include, bool grab)
{
    QListWidget* list = include ? m_lstInclude : m_lstExclude;
    QStringList& addresses = include ? m_lists.include : m_lists.exclude;
    const int before = list->currentRow();
    const int at =
        ListEditing::insert(addresses, before, grab ? m_ctx.host.currentAddress() : QString());
    refillAddresses(include, at);
    if (grab) {
        MarkChanged();
        return;
    }
    // Cancelled, the properties take the empty entry back with them.
    if (!addressProperties(include)) {
        addresses.removeAt(at);
        refillAddresses(include, before);
    }
}

void frmConfig::deleteAddress(bool include)
{
    QListWidget* list = include ? m_lstInclude : m_lstExclude;
    QStringList& addresses = include ? m_lists.include : m_lists.exclude;
    refillAddresses(include, ListEditing::remove(addresses, list->currentRow()));
    MarkChanged();
}

void frmConfig::viewAddress(bool include)
{
    QListWidget* list = include ? m_lstInclude : m_lstExclude;
    const QStringList& addresses = include ? m_lists.include : m_lists.exclude;
    const int p = list->currentRow();
    if (p >= 0 && p < addresses.size())
        m_ctx.host.showPage(addresses.at(p), false, false);
}

bool frmConfig::addressProperties(bool include)
{
    QListWidget* list = include ? m_lstInclude : m_lstExclude;
    const int p = list->currentRow();
    if (p < 0)
        return false;
    const bool changed = m_ctx.dialogs.editProperties(
        dialogContext(), include ? PropertiesMode::Include : PropertiesMode::Exclude, p, m_lists);
    if (changed)
        MarkChanged();
    refillAddresses(include, p);
    return changed;
}

void frmConfig::refillTools(ToolBar bar, int select)
{
    const bool run = bar == ToolBar::Run;
    QListWidget* list = run ? m_lstToolRun : m_lstToolNav;
    const QVector<ToolButton>& buttons = run ? m_lists.toolRun : m_lists.toolNav;
    list->blockSignals(true);
    list->clear();
    for (const ToolButton& b : buttons)
        list->addItem(b.Name);
    // The navigation bar's address box follows its buttons, always last.
    if (!run)
        list->addItem(QStringLiteral("URL"));
    list->setCurrentRow(select);
    list->blockSignals(false);
    toolSelected(bar);
}

void frmConfig::toolSelected(ToolBar bar)
{
    const bool run = bar == ToolBar::Run;
    const int p = (run ? m_lstToolRun : m_lstToolNav)->currentRow();
    const int count = int((run ? m_lists.toolRun : m_lists.toolNav).size());
    (run ? m_cmdToolRunUp : m_cmdToolNavUp)->setEnabled(ListEditing::canMoveUp(p, count));
    (run ? m_cmdToolRunDown : m_cmdToolNavDown)->setEnabled(ListEditing::canMoveDown(p, count));
}

void frmConfig::moveTool(ToolBar bar, int delta)
{
    const bool run = bar == ToolBar::Run;
    QVector<ToolButton>& buttons = run ? m_lists.toolRun : m_lists.toolNav;
    const int p = (run ? m_lstToolRun : m_lstToolNav)->currentRow();
    refillTools(bar,
                delta < 0 ? ListEditing::moveUp(buttons, p) : ListEditing::moveDown(buttons, p));
    MarkChanged();
}

void frmConfig::toolProperties(ToolBar bar)
{
    const bool run = bar == ToolBar::Run;
    const int p = (run ? m_lstToolRun : m_lstToolNav)->currentRow();
    if (p < 0)
        return;
    int mode = PropertiesMode::ToolRunButton;
    if (!run)
        mode = p >= m_lists.toolNav.size() ? PropertiesMode::ToolNavAddressBox
                                           : PropertiesMode::ToolNavButton;
    if (m_ctx.dialogs.editProperties(dialogContext(), mode, p, m_lists))
        MarkChanged();
    refillTools(bar, p);
}

} // namespace glasspane
