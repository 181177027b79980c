// The twelve pages of the configuration dialog and its menu bar: the controls, their captions,
// limits and names. What they do is in frm_config.cpp.

#include "config/config_dialogs.h"
#include "config/config_host.h"
#include "config/control_builders.h"
#include "config/frm_config.h"
#include "config/select_all_on_focus.h"
#include "config/tab_header_strip.h"
#include "document/setting_catalogue.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

namespace glasspane {

namespace {

// Frames as the pages group their controls.
QGroupBox* frame(const QString& caption, const char* name, QWidget* parent)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

// A page: its frames one below the other, the rest of the height left empty.
QWidget* page(int n, const QList<QWidget*>& frames)
{
    auto* widget = new QWidget;
    widget->setObjectName(QStringLiteral("picConfig%1").arg(n));
    auto* layout = new QVBoxLayout(widget);
    for (QWidget* f : frames)
        layout->addWidget(f);
    layout->addStretch(1);
    return widget;
}

// An option group: a caption (with its mnemonic) and the options below it.
QButtonGroup* optionGroup(QGroupBox* box, const char* name, const QStringList& captions,
                          QObject* owner, bool horizontal = false)
{
    auto* group = new QButtonGroup(owner);
    group->setObjectName(QLatin1String(name));
    QBoxLayout* layout = horizontal ? static_cast<QBoxLayout*>(new QHBoxLayout(box))
                                    : static_cast<QBoxLayout*>(new QVBoxLayout(box));
    for (int i = 0; i < captions.size(); ++i) {
        auto* option = new QRadioButton(captions.at(i), box);
        option->setObjectName(QLatin1String(name) + QString::number(i));
        group->addButton(option, i);
        layout->addWidget(option);
    }
    if (horizontal)
        layout->addStretch(1);
    return group;
}

QHBoxLayout* row(const QList<QWidget*>& widgets, bool stretch = true)
{
    auto* layout = new QHBoxLayout;
    for (QWidget* w : widgets)
        layout->addWidget(w);
    if (stretch)
        layout->addStretch(1);
    return layout;
}

} // namespace

// ---- small builders
// ------------------------------------------------------------------------------

QLineEdit* frmConfig::textBox(const char* name, int maxLength)
{
    return NamedTextBox(this, name, maxLength);
}

QCheckBox* frmConfig::checkBox(const QString& caption, const char* name)
{
    return NamedCheckBox(this, caption, name);
}

QLabel* frmConfig::label(const QString& caption, const char* name, QWidget* buddy)
{
    return NamedLabel(this, caption, name, buddy);
}

QPushButton* frmConfig::button(const QString& caption, const char* name)
{
    return NamedButton(this, caption, name);
}

frmConfig::NumberBox& frmConfig::numberBox(const char* textName, const char* spinnerName,
                                           int maxLength, const SpinnerRule& rule,
                                           NumberBoxRule check)
{
    auto box = std::make_unique<NumberBox>();
    box->rule = rule;
    box->check = std::move(check);
    box->text = textBox(textName, maxLength);
    box->text->setAlignment(Qt::AlignRight);
    box->text->setFixedWidth(box->text->fontMetrics().horizontalAdvance(u'0') * (maxLength + 1) +
                             16);
    box->spinner = new QScrollBar(Qt::Vertical, this);
    box->spinner->setObjectName(QLatin1String(spinnerName));
    box->spinner->setRange(rule.minimum, rule.maximum);
    box->spinner->setPageStep(1);
    box->spinner->setFixedSize(16, box->text->sizeHint().height());
    box->spinner->setFocusPolicy(Qt::NoFocus);
    m_numberBoxes.push_back(std::move(box));
    return *m_numberBoxes.back();
}

// ---- menus
// ----------------------------------------------------------------------------------------

void frmConfig::buildMenus(QMenuBar* bar)
{
    bar->setObjectName(QStringLiteral("mnuMenu"));
    auto action = [this](QMenu* menu, const QString& caption, const QString& name) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    const QStringList fileCaptions = {QStringLiteral("&New"), QStringLiteral("&Open file..."),
                                      QStringLiteral("Open from the &Web..."),
                                      QStringLiteral("&Save"), QStringLiteral("Save &As...")};
    for (int i = 0; i <= 17; ++i) {
        const QString name = QStringLiteral("mnuFile%1").arg(i);
        QAction* a = nullptr;
        if (i < fileCaptions.size()) {
            a = action(file, fileCaptions.at(i), name);
        } else if (i == 5 || i == 16) {
            a = file->addSeparator();
            a->setObjectName(name);
        } else if (i == 17) {
            a = action(file, QStringLiteral("&Quit"), name);
        } else {
            a = action(file, QString(), name);
            a->setVisible(false);
        }
        m_mnuFile.append(a);
        if (!a->isSeparator())
            connect(a, &QAction::triggered, this, [this, i] {
                if (i == 17)
                    m_ctx.host.quit();
                else
                    FileCommand(i);
            });
    }

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    m_mnuEdit.append(action(edit, QStringLiteral("&Page list..."), QStringLiteral("mnuEdit0")));
    m_mnuEdit.append(
        action(edit, QStringLiteral("&Display page list..."), QStringLiteral("mnuEdit1")));
    connect(m_mnuEdit.at(0), &QAction::triggered, this,
            [this] { editPageList(PageListMode::Edit); });
    connect(m_mnuEdit.at(1), &QAction::triggered, this,
            [this] { editPageList(PageListMode::Display); });

    QMenu* favorites = bar->addMenu(QStringLiteral("F&avorites"));
    favorites->setObjectName(QStringLiteral("mnuFavorites"));
    m_mnuFavorites.append(
        action(favorites, QStringLiteral("&Add to favorites..."), QStringLiteral("mnuFavorites0")));
    m_mnuFavorites.append(action(favorites, QStringLiteral("&Organize favorites..."),
                                 QStringLiteral("mnuFavorites1")));
    connect(m_mnuFavorites.at(0), &QAction::triggered, this, &frmConfig::AddToFavorites);
    connect(m_mnuFavorites.at(1), &QAction::triggered, this, &frmConfig::OrganizeFavorites);

    QMenu* tabs = bar->addMenu(QStringLiteral("&Tab"));
    tabs->setObjectName(QStringLiteral("mnuTab"));
    const QStringList tabCaptions = {
        QStringLiteral("&General"),  QStringLiteral("&Layout"),   QStringLiteral("&Pages"),
        QStringLiteral("&Include"),  QStringLiteral("&Exclude"),  QStringLiteral("&Default"),
        QStringLiteral("Tool Ru&n"), QStringLiteral("Tool Na&v"), QStringLiteral("&Reboot"),
        QStringLiteral("&Update"),   QStringLiteral("&Help"),     QStringLiteral("&About")};
    for (int i = 0; i < TabCount; ++i) {
        QAction* a = action(tabs, tabCaptions.at(i), QStringLiteral("mnuTab%1").arg(i));
        a->setCheckable(true);
        m_mnuTab.append(a);
        connect(a, &QAction::triggered, this, [this, i] { selectTabFromMenu(i + 1); });
    }

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    m_mnuHelp.append(action(help, QStringLiteral("&Content"), QStringLiteral("mnuHelp0")));
    QAction* separator = help->addSeparator();
    separator->setObjectName(QStringLiteral("mnuHelp1"));
    m_mnuHelp.append(separator);
    const QStringList helpCaptions = {QStringLiteral(" documentation"),
                                      QStringLiteral(" on the internet"),
                                      QStringLiteral(" download page")};
    for (int i = 2; i <= 4; ++i)
        m_mnuHelp.append(action(help, kProductName + helpCaptions.at(i - 2),
                                QStringLiteral("mnuHelp%1").arg(i)));
    connect(m_mnuHelp.at(0), &QAction::triggered, this, [this] { m_ctx.host.showHelp(); });
    for (int i = 2; i <= 4; ++i)
        connect(m_mnuHelp.at(i), &QAction::triggered, this, [this, i] { helpCommand(i); });
}

// ---- the pages
// ------------------------------------------------------------------------------------

QWidget* frmConfig::buildGeneral()
{
    QGroupBox* home = frame(QStringLiteral("Home Page"), "frmHomePage", this);
    m_txtHomePage = textBox("txtHomePage", 1024);
    QPushButton* cmdDefPage = button(QStringLiteral("&Default page"), "cmdDefPage");
    QPushButton* cmdCurPage = button(QStringLiteral("&Current page"), "cmdCurPage");
    m_chkAutoHome =
        checkBox(QStringLiteral("&Go to home page when entering navigation mode"), "chkAutoHome");
    m_chkSplash = checkBox(QString(), "chkSplash");
    QLabel* lblSplash =
        label(QStringLiteral("&Use home page as splash window"), "lblSplash", m_chkSplash);
    lblSplash->installEventFilter(this);
    m_chkTestURLIsHomePage[0] = checkBox(
        QStringLiteral("Use home page address to check if there is a connection to the network"),
        "chkTestURLIsHomePage0");

    auto* homeLayout = new QGridLayout(home);
    homeLayout->addWidget(label(QStringLiteral("Add&ress :"), "lblHomePage", m_txtHomePage), 0, 0);
    homeLayout->addWidget(m_txtHomePage, 0, 1);
    homeLayout->addLayout(row({cmdDefPage, cmdCurPage}), 1, 1);
    homeLayout->addWidget(m_chkAutoHome, 2, 0, 1, 2);
    auto* splash = new QHBoxLayout;
    // As far from its box as a check box's own caption.
    splash->setSpacing(style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing));
    splash->addWidget(m_chkSplash);
    splash->addWidget(lblSplash);
    splash->addStretch(1);
    homeLayout->addLayout(splash, 3, 0, 1, 2);
    homeLayout->addWidget(m_chkTestURLIsHomePage[0], 4, 0, 1, 2);
    homeLayout->setColumnStretch(1, 1);

    QGroupBox* general = frame(QString(), "frmGeneral", this);
    m_chkScreenSaveActive = checkBox(QStringLiteral("&Screen saver active"), "chkScreenSaveActive");
    m_screenSaveTimeOut =
        &numberBox("txtScreenSaveTimeOut", "updScreenSaveTimeOut", 2, Spinners::Minutes,
                   NumberBoxes::minutes(QStringLiteral("Screen save delay")));
    QLabel* lblDelay = label(QStringLiteral("Screen sa&ve delay :"), "lblScreenSaveTimeOut",
                             m_screenSaveTimeOut->text);
    QLabel* lblDelay2 = label(QStringLiteral("minutes"), "lblScreenSaveTimeOut2");
    m_screenSaveDependants = {lblDelay, lblDelay2, m_screenSaveTimeOut->text,
                              m_screenSaveTimeOut->spinner};

    QGroupBox* mouse =
        frame(QStringLiteral("&What to do if the mouse moves?"), "fraMouseMove", this);
    m_optMouseMove =
        optionGroup(mouse, "optMouseMove",
                    {QStringLiteral("&Nothing"), QStringLiteral("Enter navigation &mode"),
                     QStringLiteral("&Quit ") + kProductName},
                    this, true);

    m_defaultTime = &numberBox("txtDefaultTime", "updDefaultTime", 3, Spinners::DisplayTime,
                               NumberBoxes::displayTime(QStringLiteral("Default display time")));
    m_chkAutoLoop = checkBox(QStringLiteral("&Loop after last page"), "chkAutoLoop");
    m_chkFirstPageIsLastPage =
        checkBox(QStringLiteral("Begin with last page displayed"), "chkFirstPageIsLastPage");

    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addLayout(row({m_chkScreenSaveActive}));
    auto* delay =
        row({lblDelay, m_screenSaveTimeOut->text, m_screenSaveTimeOut->spinner, lblDelay2});
    delay->setContentsMargins(24, 0, 0, 0);
    generalLayout->addLayout(delay);
    generalLayout->addWidget(mouse);
    generalLayout->addLayout(row(
        {label(QStringLiteral("Default dis&play time :"), "lblDefaultTime", m_defaultTime->text),
         m_defaultTime->text, m_defaultTime->spinner,
         label(QStringLiteral("seconds"), "lblDefaultTime2")}));
    generalLayout->addWidget(m_chkAutoLoop);
    generalLayout->addWidget(m_chkFirstPageIsLastPage);

    connect(cmdDefPage, &QPushButton::clicked, this,
            [this] { m_txtHomePage->setText(QString::fromLatin1(kMakerSiteAddress)); });
    connect(cmdCurPage, &QPushButton::clicked, this,
            [this] { m_txtHomePage->setText(m_ctx.host.currentAddress()); });
    return page(1, {home, general});
}

QWidget* frmConfig::buildLayout()
{
    QGroupBox* layoutFrame = frame(QStringLiteral("Layout:"), "frmLayout", this);
    m_chkFullScreen = checkBox(QStringLiteral("F&ull screen"), "chkFullScreen");
    m_chkTopMost =
        checkBox(QStringLiteral("Main window always &on top (hidden tool bars)"), "chkTopMost");
    m_chkRandom = checkBox(QStringLiteral("&Random display of web pages"), "chkRandom");
    auto* l = new QVBoxLayout(layoutFrame);
    l->addWidget(m_chkFullScreen);
    l->addWidget(m_chkTopMost);
    l->addWidget(m_chkRandom);

    QGroupBox* display = frame(QStringLiteral("&Display"), "frmDisplay", this);
    QGroupBox* scroll = frame(QStringLiteral("Remo&ve vertical scroll bar in main window?"),
                              "fraRemoveVertScroll", display);
    m_optRemoveVertScroll = optionGroup(
        scroll, "optRemoveVertScroll",
        {QStringLiteral("&Never"), QStringLiteral("A&lways"), QStringLiteral("Auto dete&ct")}, this,
        true);
    QGroupBox* popups =
        frame(QStringLiteral("&What to do on New Window event (creation of a pop-up window)?"),
              "fraNewWindow", display);
    m_optNewWindow =
        optionGroup(popups, "optNewWindow",
                    {QStringLiteral("O&pen in a separate window"),
                     QStringLiteral("Navigate in the &same window"), QStringLiteral("Noth&ing")},
                    this);
    auto* d = new QVBoxLayout(display);
    d->addWidget(scroll);
    d->addWidget(popups);
    return page(2, {layoutFrame, display});
}

QWidget* frmConfig::buildPages()
{
    QGroupBox* pages = frame(QStringLiteral("Page &list:"), "frmPages", this);
    m_lstPageList = new QListWidget(pages);
    m_lstPageList->setObjectName(QStringLiteral("lstPageList"));
    QPushButton* insert = button(QStringLiteral("&Insert"), "cmdListInsert");
    QPushButton* remove = button(QStringLiteral("&Delete"), "cmdListDelete");
    m_cmdListUp = button(QStringLiteral("&Up"), "cmdListUp");
    m_cmdListDown = button(QStringLiteral("Do&wn"), "cmdListDown");
    QPushButton* grab = button(QStringLiteral("&Grab"), "cmdListGrab");
    QPushButton* view = button(QStringLiteral("&View"), "cmdListView");
    m_cmdListProps = button(QStringLiteral("&Properties"), "cmdListProps");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {insert, remove, m_cmdListUp, m_cmdListDown, grab, view, m_cmdListProps})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* l = new QHBoxLayout(pages);
    l->addWidget(m_lstPageList, 1);
    l->addLayout(buttons);
    pages->setMinimumHeight(330);

    connect(m_lstPageList, &QListWidget::currentRowChanged, this, &frmConfig::pageSelected);
    connect(m_lstPageList, &QListWidget::itemDoubleClicked, this, [this] {
        if (m_cmdListProps->isVisible())
            m_cmdListProps->click();
    });
    connect(insert, &QPushButton::clicked, this, [this] { insertPage(false); });
    connect(remove, &QPushButton::clicked, this, &frmConfig::deletePage);
    connect(m_cmdListUp, &QPushButton::clicked, this, [this] { movePage(-1); });
    connect(m_cmdListDown, &QPushButton::clicked, this, [this] { movePage(+1); });
    connect(grab, &QPushButton::clicked, this, [this] { insertPage(true); });
    connect(view, &QPushButton::clicked, this, &frmConfig::viewPage);
    connect(m_cmdListProps, &QPushButton::clicked, this, &frmConfig::pageProperties);
    return page(3, {pages});
}

QWidget* frmConfig::buildAddressList(bool include)
{
    const char* frameName = include ? "frmInclude" : "frmExclude";
    const QString caption =
        include ? QStringLiteral("I&nclude these addresses (allowed addresses for navigation):")
                : QStringLiteral("E&xclude these addresses (restricted addresses for navigation):");
    const QString prefix = include ? QStringLiteral("cmdInc") : QStringLiteral("cmdExc");
    QGroupBox* box = frame(caption, frameName, this);
    auto* list = new QListWidget(box);
    list->setObjectName(include ? QStringLiteral("lstInclude") : QStringLiteral("lstExclude"));
    (include ? m_lstInclude : m_lstExclude) = list;
    auto named = [&](const QString& text, const char* role) {
        return button(text, (prefix + QLatin1String(role)).toLatin1().constData());
    };
    QPushButton* insert = named(QStringLiteral("&Insert"), "Insert");
    QPushButton* remove = named(QStringLiteral("&Delete"), "Delete");
    QPushButton* grab = named(QStringLiteral("&Grab"), "Grab");
    QPushButton* view = named(QStringLiteral("&View"), "View");
    QPushButton* props = named(QStringLiteral("&Properties"), "Props");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {insert, remove, grab, view, props})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* l = new QHBoxLayout(box);
    l->addWidget(list, 1);
    l->addLayout(buttons);
    box->setMinimumHeight(330);

    connect(list, &QListWidget::itemDoubleClicked, this, [props] {
        if (props->isVisible())
            props->click();
    });
    connect(insert, &QPushButton::clicked, this,
            [this, include] { insertAddress(include, false); });
    connect(remove, &QPushButton::clicked, this, [this, include] { deleteAddress(include); });
    connect(grab, &QPushButton::clicked, this, [this, include] { insertAddress(include, true); });
    connect(view, &QPushButton::clicked, this, [this, include] { viewAddress(include); });
    connect(props, &QPushButton::clicked, this, [this, include] { addressProperties(include); });
    return page(include ? 4 : 5, {box});
}

QWidget* frmConfig::buildDefault()
{
    QGroupBox* box = frame(QStringLiteral("Default options"), "frmDefault", this);
    QGroupBox* scope =
        frame(QStringLiteral("&Define scope for current parameters:"), "fraRegKey", box);
    m_optRegKey =
        optionGroup(scope, "optRegKey",
                    {QStringLiteral("&Local machine (all users)"), QStringLiteral("&Current user")},
                    this, true);

    auto choice = [this](QCheckBox*& check, QLabel*& status, const QString& caption,
                         const char* checkName, const char* labelName) {
        check = checkBox(caption, checkName);
        status = label(QString(), labelName);
        status->setWordWrap(true);
        status->setIndent(24);
        status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    };
    choice(m_chkDefaultSS, m_lblDefaultSS,
           QStringLiteral("&Set ") + kProductName + QStringLiteral(" as current screen saver"),
           "chkDefaultSS", "lblDefaultSS");
    choice(m_chkDefaultFile, m_lblDefaultFile,
           QStringLiteral("Set this presentation as default f&ile"), "chkDefaultFile",
           "lblDefaultFile");
    choice(m_chkDefaultProgram, m_lblDefaultProgram,
           QStringLiteral("Set default associati&on for .GPN files"), "chkDefaultProgram",
           "lblDefaultProgram");

    auto* l = new QVBoxLayout(box);
    l->addWidget(scope);
    for (QWidget* w : QList<QWidget*>{m_chkDefaultSS, m_lblDefaultSS, m_chkDefaultFile,
                                      m_lblDefaultFile, m_chkDefaultProgram, m_lblDefaultProgram})
        l->addWidget(w);
    return page(6, {box});
}

QWidget* frmConfig::buildToolBarPage(ToolBar bar)
{
    const bool run = bar == ToolBar::Run;
    const QString word = run ? QStringLiteral("ToolRun") : QStringLiteral("ToolNav");
    auto name = [&word](const char* prefix, const char* role) {
        return (QLatin1String(prefix) + word + QLatin1String(role)).toLatin1();
    };
    QGroupBox* box =
        frame(run ? QStringLiteral("Screen Saver Tool Bar") : QStringLiteral("Navigation Tool Bar"),
              name("frm", "").constData(), this);
    auto* list = new QListWidget(box);
    list->setObjectName(QStringLiteral("lst") + word);
    QPushButton* up = button(QStringLiteral("&Up"), name("cmd", "Up").constData());
    QPushButton* down = button(QStringLiteral("&Down"), name("cmd", "Down").constData());
    QPushButton* props = button(QStringLiteral("&Properties"), name("cmd", "Props").constData());
    QCheckBox* locked = checkBox(QStringLiteral("&Lock tool bar (can not be moved by the user)"),
                                 name("chk", "Locked").constData());
    QLabel* left = label(QString(), name("txt", "Left").constData());
    QLabel* top = label(QString(), name("txt", "Top").constData());

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {up, down, props})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* lists = new QHBoxLayout;
    lists->addWidget(list, 1);
    lists->addLayout(buttons);
    auto* l = new QVBoxLayout(box);
    l->addLayout(lists);
    l->addWidget(locked);
    QList<QWidget*> position = {label(run ? QStringLiteral("Tool bar position:")
                                          : QStringLiteral("Tool bar width and position:"),
                                      name("lbl", "Position").constData()),
                                label(QStringLiteral("Left:"), name("lbl", "Left").constData()),
                                left, label(QStringLiteral("Top:"), name("lbl", "Top").constData()),
                                top};
    if (run) {
        m_lstToolRun = list;
        m_cmdToolRunUp = up;
        m_cmdToolRunDown = down;
        m_chkToolRunLocked = locked;
        m_txtToolRunLeft = left;
        m_txtToolRunTop = top;
        l->addLayout(row(position));
        m_lblToolRun = label(QString(), "lblToolRun");
        m_lblToolRun->setWordWrap(true);
        l->addWidget(m_lblToolRun);
        list->setMinimumHeight(180);
    } else {
        m_lstToolNav = list;
        m_cmdToolNavUp = up;
        m_cmdToolNavDown = down;
        m_chkToolNavLocked = locked;
        m_txtToolNavLeft = left;
        m_txtToolNavTop = top;
        m_txtToolNavWidth = label(QString(), "txtToolNavWidth");
        position << label(QStringLiteral("Width:"), "lblToolNavWidth") << m_txtToolNavWidth;
        l->addLayout(row(position));
        list->setMinimumHeight(240);
    }

    connect(list, &QListWidget::currentRowChanged, this, [this, bar] { toolSelected(bar); });
    connect(list, &QListWidget::itemDoubleClicked, this, [props] {
        if (props->isVisible())
            props->click();
    });
    connect(up, &QPushButton::clicked, this, [this, bar] { moveTool(bar, -1); });
    connect(down, &QPushButton::clicked, this, [this, bar] { moveTool(bar, +1); });
    connect(props, &QPushButton::clicked, this, [this, bar] { toolProperties(bar); });
    return page(run ? 7 : 8, {box});
}

QWidget* frmConfig::buildReboot()
{
    QGroupBox* box = frame(QStringLiteral("Reboot"), "frmReboot", this);
    m_chkReboot = checkBox(QStringLiteral("Auto &reboot"), "chkReboot");
    m_rebootTimeH = &numberBox("txtRebootTimeH", "updRebootTimeH", 2, Spinners::Hours,
                               NumberBoxes::hours(QStringLiteral("Reboot time")));
    m_rebootTimeM = &numberBox("txtRebootTimeM", "updRebootTimeM", 2, Spinners::MinutesOfHour,
                               NumberBoxes::minutesOfHour(QStringLiteral("Reboot time")));
    QLabel* lblRebootTime = label(QStringLiteral("Reboot time:"), "lblRebootTime");
    QLabel* colon = label(QStringLiteral(":"), "lblRebootTimeColon");
    m_chkForceReboot = checkBox(QStringLiteral("F&orce reboot"), "chkForceReboot");
    m_chkAutoLogin = checkBox(QStringLiteral("Automatic &login after reboot"), "chkAutoLogin");
    m_txtUserName = textBox("txtUserName", 255);
    m_txtDomain = textBox("txtDomain", 255);
    QLabel* lblUserName = label(QStringLiteral("&User name:"), "lblUserName", m_txtUserName);
    QLabel* lblDomain = label(QStringLiteral("&Domain:"), "lblDomain", m_txtDomain);
    // An automatic login on Linux is the display manager's, which the reboot sets up and which
    // needs no password: the box is there for its name only, never shown, filled or stored.
    QLineEdit* txtPassword = textBox("txtPassword", 255);
    txtPassword->setEchoMode(QLineEdit::Password);
    txtPassword->setEnabled(false);
    txtPassword->hide();
    QLabel* lblPassword = label(QStringLiteral("&Password:"), "lblPassword");
    lblPassword->hide();
    QLabel* note =
        label(QStringLiteral("Before each reboot the display manager (LightDM, GDM or SDDM) is set "
                             "to log this user in by itself; it needs no password. Where the "
                             "program may not change its configuration, the log says so and the "
                             "machine reboots all the same."),
              "lblAutoLoginNote");
    note->setWordWrap(true);

    m_rebootDependants = {lblRebootTime,   m_rebootTimeH->text, m_rebootTimeH->spinner,
                          colon,           m_rebootTimeM->text, m_rebootTimeM->spinner,
                          m_chkForceReboot};
    m_loginDependants = {lblUserName, m_txtUserName, lblDomain, m_txtDomain};

    auto* l = new QVBoxLayout(box);
    l->addWidget(m_chkReboot);
    auto* time = row({lblRebootTime, m_rebootTimeH->text, m_rebootTimeH->spinner, colon,
                      m_rebootTimeM->text, m_rebootTimeM->spinner});
    time->setContentsMargins(24, 0, 0, 0);
    l->addLayout(time);
    auto* force = row({m_chkForceReboot});
    force->setContentsMargins(24, 0, 0, 0);
    l->addLayout(force);
    auto* login = row({m_chkAutoLogin});
    login->setContentsMargins(24, 0, 0, 0);
    l->addLayout(login);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(48, 0, 0, 0);
    grid->addWidget(lblUserName, 0, 0);
    grid->addWidget(m_txtUserName, 0, 1);
    grid->addWidget(lblPassword, 1, 0);
    grid->addWidget(txtPassword, 1, 1);
    grid->addWidget(lblDomain, 2, 0);
    grid->addWidget(m_txtDomain, 2, 1);
    grid->addWidget(note, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    l->addLayout(grid);
    return page(9, {box});
}

QWidget* frmConfig::buildUpdate()
{
    QGroupBox* box = frame(QStringLiteral("Update:"), "frmUpdate", this);
    m_cboUpdateScheme = new QComboBox(box);
    m_cboUpdateScheme->setObjectName(QStringLiteral("cboUpdateScheme"));
    m_cboUpdateScheme->addItems(
        {QStringLiteral("Always on-line"), QStringLiteral("Always off-line"),
         QStringLiteral("Update every day"),
         QStringLiteral("Update once when screen saver is launched"),
         QStringLiteral("Update every day during a fixed delay"),
         QStringLiteral("Update once when screen saver is launched during a fixed delay")});
    QLabel* lblScheme =
        label(QStringLiteral("Update &scheme:"), "lblUpdateScheme", m_cboUpdateScheme);

    m_updateTimeH = &numberBox("txtUpdateTimeH", "updUpdateTimeH", 2, Spinners::Hours,
                               NumberBoxes::hours(QStringLiteral("Update time")));
    m_updateTimeM = &numberBox("txtUpdateTimeM", "updUpdateTimeM", 2, Spinners::MinutesOfHour,
                               NumberBoxes::minutesOfHour(QStringLiteral("Update time")));
    QLabel* lblTime = label(QStringLiteral("Update t&ime:"), "lblUpdateTime", m_updateTimeH->text);
    QLabel* colon = label(QStringLiteral(":"), "lblUpdateTimeColon");
    m_updateDelay = &numberBox("txtUpdateDelay", "updUpdateDelay", 2, Spinners::Minutes,
                               NumberBoxes::minutes(QStringLiteral("Maximum update delay")));
    QLabel* lblDelay = label(QStringLiteral("Maximum update de&lay for all pages:"),
                             "lblUpdateDelay", m_updateDelay->text);
    QLabel* lblDelay2 = label(QStringLiteral("minutes"), "lblUpdateDelay2");
    m_maxTime = &numberBox("txtMaxTime", "updMaxTime", 2, Spinners::Minutes,
                           NumberBoxes::minutes(QStringLiteral("Maximum update time")));
    QLabel* lblMax =
        label(QStringLiteral("&Maximum update time for each page:"), "lblMaxTime", m_maxTime->text);
    QLabel* lblMax2 = label(QStringLiteral("minutes"), "lblMaxTime2");
    m_chkForceReconnect =
        checkBox(QStringLiteral("Force &connection when disconnected from the network"),
                 "chkForceReconnect");
    m_cmdUpdateASAP = button(QStringLiteral("Update as soo&n as possible"), "cmdUpdateASAP");

    QGroupBox* test = frame(QString(), "fraTestURL", box);
    QLabel* lblTestURL0 = label(QStringLiteral("Is this computer connected to the network? "
                                               "Provide a fast and reliable URL as test URL."),
                                "lblTestURL0");
    lblTestURL0->setWordWrap(true);
    m_chkTestURLIsHomePage[1] = checkBox(QStringLiteral("Use home page"), "chkTestURLIsHomePage1");
    m_txtTestURL = textBox("txtTestURL", 1024);
    m_lblTestURL = label(QStringLiteral("Test &URL:"), "lblTestURL", m_txtTestURL);
    auto* t = new QGridLayout(test);
    t->addWidget(lblTestURL0, 0, 0, 1, 2);
    t->addWidget(m_chkTestURLIsHomePage[1], 1, 0, 1, 2);
    t->addWidget(m_lblTestURL, 2, 0);
    t->addWidget(m_txtTestURL, 2, 1);
    t->setColumnStretch(1, 1);

    m_lblLastUpdate = label(QString(), "lblLastUpdate");
    m_lblNextUpdate = label(QString(), "lblNextUpdate");
    m_lblLastUpdate->setWordWrap(true);
    m_lblNextUpdate->setWordWrap(true);

    m_updateTimeControls = {lblTime, m_updateTimeH->text, m_updateTimeH->spinner,
                            colon,   m_updateTimeM->text, m_updateTimeM->spinner};
    m_updateDelayControls = {lblDelay, m_updateDelay->text, m_updateDelay->spinner, lblDelay2};
    m_maxTimeControls = {lblMax, m_maxTime->text, m_maxTime->spinner, lblMax2};
    m_connectionControls = {m_chkForceReconnect, test};

    // The schemes' names are long: the list has a line of its own, the whole width.
    auto* grid = new QGridLayout(box);
    grid->addWidget(lblScheme, 0, 0, 1, 3);
    grid->addWidget(m_cboUpdateScheme, 1, 0, 1, 3);
    grid->addWidget(lblTime, 2, 0);
    grid->addLayout(row({m_updateTimeH->text, m_updateTimeH->spinner, colon, m_updateTimeM->text,
                         m_updateTimeM->spinner}),
                    2, 1);
    grid->addWidget(lblDelay, 3, 0);
    grid->addLayout(row({m_updateDelay->text, m_updateDelay->spinner, lblDelay2}), 3, 1);
    grid->addWidget(lblMax, 4, 0);
    grid->addLayout(row({m_maxTime->text, m_maxTime->spinner, lblMax2}), 4, 1);
    grid->addWidget(m_chkForceReconnect, 5, 0, 1, 3);
    grid->addLayout(row({m_cmdUpdateASAP}), 6, 0, 1, 3);
    grid->addWidget(test, 7, 0, 1, 3);
    grid->addWidget(m_lblLastUpdate, 8, 0, 1, 3);
    grid->addWidget(m_lblNextUpdate, 9, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    connect(m_cmdUpdateASAP, &QPushButton::clicked, this, &frmConfig::cmdUpdateASAP_Click);
    return page(10, {box});
}

QWidget* frmConfig::buildHelp()
{
    QGroupBox* box = frame(QStringLiteral("Help Page"), "fraHelp", this);
    m_chkHelpEnabled = checkBox(QStringLiteral("E&nable help feature"), "chkHelpEnabled");
    m_txtHelpURL = textBox("txtHelpURL", 1024);
    m_lblHelpURL = label(QStringLiteral("Help &page:"), "lblHelpURL", m_txtHelpURL);
    auto* grid = new QGridLayout(box);
    grid->addWidget(m_chkHelpEnabled, 0, 0, 1, 2);
    grid->addWidget(m_lblHelpURL, 1, 0);
    grid->addWidget(m_txtHelpURL, 1, 1);
    grid->setColumnStretch(1, 1);
    return page(11, {box});
}

QWidget* frmConfig::buildAbout()
{
    QGroupBox* box =
        frame(QStringLiteral("About ") + kProductName + QStringLiteral(":"), "frmAbout", this);
    QLabel* version = label(
        QStringLiteral("Version %1.%2.0").arg(GLASSPANE_VERSION_MAJOR).arg(GLASSPANE_VERSION_MINOR),
        "lblVersion");
    QLabel* site =
        label(QStringLiteral("Visit us at: ") + QString::fromLatin1(kMakerSiteAddress), "lblSite");
    QPushButton* cmdGpane =
        button(QStringLiteral("&Visit ") + kProductName + QStringLiteral(" site"), "cmdGpane");
    m_txtEMail = textBox("txtEMail", 0);
    QLabel* lblEMail =
        label(QStringLiteral("Please, fill your e-&mail address:"), "lblEMail", m_txtEMail);
    m_chkPrivate = checkBox(
        QStringLiteral("&Check this if you don't want to receive product announcements by e-mail"),
        "chkPrivate");
    QPushButton* cmdPassword = button(QStringLiteral("Configuration &password"), "cmdPassword");

    auto* l = new QVBoxLayout(box);
    l->addWidget(version);
    l->addWidget(site);
    l->addLayout(row({cmdGpane}));
    l->addSpacing(12);
    l->addWidget(lblEMail);
    l->addWidget(m_txtEMail);
    l->addWidget(m_chkPrivate);
    l->addSpacing(12);
    l->addLayout(row({cmdPassword}));

    connect(cmdGpane, &QPushButton::clicked, this, [this] { helpCommand(HelpItem::Site); });
    connect(cmdPassword, &QPushButton::clicked, this, &frmConfig::cmdPassword_Click);
    return page(12, {box});
}

} // namespace glasspane
