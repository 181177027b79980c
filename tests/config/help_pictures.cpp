// help_pictures OUTPUT_FOLDER: the pictures of the help pages, taken of the program's own
// dialogs, menus and tool bars on an example show, as PNG files named as the help pages use
// them (c-general.png, propurl.png, toolrun.png ...). scripts/make-help-pictures.sh runs it
// under Xvfb and turns the pictures into the GIFs the program carries.

#include "../browser/tool_bar_rig.h"
#include "config/frm_open_web.h"
#include "config/frm_page_list.h"
#include "config/frm_password.h"
#include "config/frm_preview.h"
#include "config/frm_props.h"
#include "config_rig.h"
#include "document/page_variables.h"
#include "document/registry_layer.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <cstdio>

using namespace glasspane;

namespace {

QString g_output;
int g_saved = 0;
int g_failed = 0;

void settle(int ms = 150)
{
    QTest::qWait(ms);
    QApplication::processEvents();
}

void save(const QPixmap& picture, const QString& name)
{
    if (picture.isNull() || !picture.save(g_output + u'/' + name + QStringLiteral(".png"))) {
        std::fprintf(stderr, "help_pictures: could not save %s\n", qPrintable(name));
        ++g_failed;
        return;
    }
    ++g_saved;
}

void save(QWidget* widget, const QString& name)
{
    if (!widget) {
        std::fprintf(stderr, "help_pictures: nothing to take for %s\n", qPrintable(name));
        ++g_failed;
        return;
    }
    settle();
    save(widget->grab(), name);
}

// The window with one of its menus open, cut below the menu.
void saveMenu(QWidget* window, const QString& menuName, const QString& name)
{
    auto* bar = window->findChild<QMenuBar*>();
    auto* menu = window->findChild<QMenu*>(menuName);
    if (!bar || !menu) {
        save(static_cast<QWidget*>(nullptr), name);
        return;
    }
    bar->setActiveAction(menu->menuAction());
    settle(300);
    const QPoint offset = menu->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
    const QPixmap base = window->grab();
    const QRect all = QRect(QPoint(0, 0), base.size()).united(QRect(offset, menu->size()));
    QPixmap canvas(all.width(), std::min(all.height(), offset.y() + menu->height() + 24));
    canvas.fill(window->palette().color(QPalette::Window));
    QPainter painter(&canvas);
    painter.drawPixmap(0, 0, base);
    painter.drawPixmap(offset, menu->grab());
    painter.setPen(window->palette().color(QPalette::Mid));
    painter.drawRect(QRect(offset, menu->size()).adjusted(0, 0, -1, -1));
    painter.end();
    menu->hide();
    bar->setActiveAction(nullptr);
    settle();
    save(canvas, name);
}

// Takes a picture of each modal dialog instead of waiting for a person, then cancels it.
class PictureRunner final : public ModalRunner
{
public:
    QString next; // the name of the next dialog's picture

    int exec(QDialog& dialog) override
    {
        if (next.isEmpty())
            return QDialog::Rejected;
        dialog.show();
        settle(400);
        save(&dialog, next);
        next.clear();
        dialog.reject();
        return QDialog::Rejected;
    }
};

// The example show the help pages talk about.
QByteArray exampleShow()
{
    return "[Gpane]\r\nHomeURL=https://intranet.example/\r\nDefaultTime=20\r\nAutoLoop=Yes\r\n"
           "AutoReboot=Yes\r\nRebootTime=04:30\r\nAutoLogin=Yes\r\nNTLogin=kiosk\r\n"
           "UpdateScheme=2\r\nUpdateTime=03:00\r\nEMail=screens@intranet.example\r\n"
           "\r\n[Page1]\r\nURL=https://intranet.example/news/today.html\r\nCached=Yes\r\n"
           "\r\n[Page2]\r\nURL=https://docs.example/manual/chapter$$.html\r\nVar1Type=1\r\n"
           "Var1Source=01\r\nVar1Param=12\r\n"
           "\r\n[Page3]\r\nURL=$$\r\nVar1Type=3\r\n"
           "Var1Source=https://news.example/headlines.html\r\n"
           "Var1Param=<a class=\"story\" href=\"$$\">\r\n"
           "\r\n[Page4]\r\nURL=https://quotes.example/chart?symbol=$$\r\nVar1Type=2\r\n"
           "Var1Source=ACME|GLOBEX|INITECH|UMBRELLA|\r\nDefaultTime=No\r\nTime=15\r\n"
           "\r\n[Page5]\r\nURL=$$\r\nVar1Type=4\r\nVar1SubDirectories=Yes\r\n"
           "\r\n[Page6]\r\nURL=/srv/shows/sales.pps\r\nSeparateProc=Yes\r\n"
           "\r\n[Include1]\r\nURL=https://intranet.example/\r\n"
           "\r\n[Include2]\r\nURL=https://docs.example/manual/\r\n"
           "\r\n[Include3]\r\nURL=https://news.example/\r\n"
           "\r\n[Include4]\r\nURL=https://quotes.example/\r\n"
           "\r\n[Exclude1]\r\nURL=https://intranet.example/admin/\r\n"
           "\r\n[Exclude2]\r\nURL=https://news.example/login\r\n";
}

const QString kHeadlines = QStringLiteral(
    "<ul>\r\n<li><a class=\"story\" href=\"https://news.example/2024/harbour-reopens\">"
    "Harbour reopens</a></li>\r\n"
    "<li><a class=\"story\" href=\"https://news.example/2024/new-library-hours\">Library</a>"
    "</li>\r\n<li><a class=\"story\" href=\"https://news.example/2024/marathon-results\">"
    "Marathon</a></li>\r\n</ul>\r\n");

const QString kCacheFolder = QStringLiteral("/home/kiosk/.cache/glasspane");
const QString kFavoritesShown = QStringLiteral("/home/kiosk/.local/share/glasspane/Favorites/");

struct Example
{
    ConfigRig rig;
    PictureRunner runner;
    QString favorites;

    Example()
    {
        rig.shell.setFolder(Shell::Folder::Documents, QStringLiteral("/home/kiosk/Documents"));
        // Where the help pages are while the program runs, as the dialog names them.
        rig.program.resourceFolder = QStringLiteral("/run/user/1000/Gpane");
        rig.services.fetchValueFile = [](PageEntry&, const QString& source) {
            return source == QLatin1String("https://news.example/headlines.html") ? kHeadlines
                                                                                  : QString();
        };
        favorites = rig.shell.folder(Shell::Folder::Favorites);
        const QList<QPair<QString, QString>> shortcuts = {
            {QStringLiteral("Weather.url"), QStringLiteral("https://intranet.example/weather")},
            {QStringLiteral("Canteen menu.url"), QStringLiteral("https://intranet.example/menu")},
            {QStringLiteral("Transport/Buses.url"),
             QStringLiteral("https://intranet.example/transport/buses")}};
        for (const auto& [file, url] : shortcuts)
            if (!writeFileBytes(favorites + u'/' + file,
                                "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n"))
                qWarning("cannot write %s", qUtf8Printable(file));
        rig.openDocument(exampleShow(), QStringLiteral("lobby.gpn"));
    }

    ExpansionContext expansion()
    {
        ExpansionContext context = ExpansionContextFor(rig.services);
        context.favoritesFolder = favorites + u'/';
        return context;
    }
};

void configDialog()
{
    Example example;
    ConfigRig& rig = example.rig;
    rig.update.LastUpdate = QDateTime(QDate(2024, 3, 4), QTime(6, 30));
    // Recent documents as an administrator's would read.
    RegistryLayer layer(rig.registry);
    const QStringList recent = {QStringLiteral("/home/kiosk/Documents/lobby.gpn"),
                                QStringLiteral("https://intranet.example/shows/cafeteria.gpn"),
                                QStringLiteral("/srv/shows/shop-window.gpn")};
    for (int i = 0; i < recent.size(); ++i)
        (void)layer.RegWrite(RegRoot::CurrentUser, rig.program.userKeyPath,
                             QStringLiteral("RecentFile%1").arg(i + 1), recent.at(i));
    frmConfig& dialog = rig.open();
    dialog.resize(dialog.minimumSize());
    settle(300);
    save(&dialog, QStringLiteral("config00"));
    const QStringList tabs = {"general", "layout",  "pages",  "include", "exclude", "default",
                              "toolrun", "toolnav", "reboot", "update",  "help",    "about"};
    for (int n = 1; n <= 12; ++n) {
        dialog.SelectTab(n);
        save(&dialog, QStringLiteral("c-") + tabs.at(n - 1));
        if (n == 3) {
            for (const char* b : {"cmdListUp", "cmdListDown", "cmdListInsert", "cmdListDelete",
                                  "cmdListGrab", "cmdListView", "cmdListProps"}) {
                static const QHash<QString, QString> names = {
                    {"cmdListUp", "up"},         {"cmdListDown", "down"},
                    {"cmdListInsert", "insert"}, {"cmdListDelete", "delete"},
                    {"cmdListGrab", "graburl"},  {"cmdListView", "view"},
                    {"cmdListProps", "props"}};
                save(rig.find(QLatin1String(b)), names.value(QLatin1String(b)));
            }
        }
        if (n == 6)
            save(rig.find(QStringLiteral("frmDefault")), QStringLiteral("setasdefault"));
        if (n == 10) {
            rig.find<QComboBox>("cboUpdateScheme")->setCurrentIndex(4);
            save(&dialog, QStringLiteral("c-update-a"));
        }
    }
    save(rig.find(QStringLiteral("cmdOK")), QStringLiteral("ok"));
    save(rig.find(QStringLiteral("cmdCancel")), QStringLiteral("cancel"));

    // Grab: the page on screen behind the dialog joins the list.
    dialog.SelectTab(3);
    rig.host.address = QStringLiteral("https://news.example/world/");
    rig.find<QListWidget>("lstPageList")->setCurrentRow(2);
    rig.click("cmdListGrab");
    save(&dialog, QStringLiteral("pagelist-wired"));
    saveMenu(&dialog, QStringLiteral("mnuFile"), QStringLiteral("filemenu"));
    saveMenu(&dialog, QStringLiteral("mnuEdit"), QStringLiteral("editmenu"));
    saveMenu(&dialog, QStringLiteral("mnuFavorites"), QStringLiteral("favoritesmenu"));
    saveMenu(&dialog, QStringLiteral("mnuTab"), QStringLiteral("tabmenu"));
    saveMenu(&dialog, QStringLiteral("mnuHelp"), QStringLiteral("helpmenu"));

    // File > Open file and File > Open from the web, as the menu opens them.
    const QString shows = rig.dir.filePath(QStringLiteral("Shows"));
    for (const char* name : {"lobby.gpn", "cafeteria.gpn", "shop-window.gpn"})
        if (!writeFileBytes(shows + u'/' + QLatin1String(name), exampleShow()))
            qWarning("cannot write %s", name);
    rig.program.documentPath = shows + QStringLiteral("/lobby.gpn");
    dialog.ClearChanged(); // nothing to save first
    rig.modal.beforeAnswer = [](QDialog& d) {
        d.show();
        d.resize(d.objectName() == QLatin1String("fileDialog") ? QSize(860, 440) : d.size());
        settle(500);
        save(&d, d.objectName() == QLatin1String("fileDialog") ? QStringLiteral("openfile")
                                                               : QStringLiteral("openweb"));
    };
    rig.modal.expect([](QDialog& d) {
        d.reject();
        return int(QDialog::Rejected);
    });
    rig.action("mnuFile1")->trigger();
    rig.modal.expect([](QDialog& d) {
        d.reject();
        return int(QDialog::Rejected);
    });
    rig.action("mnuFile2")->trigger();
    dialog.close();
}

// The open-location dialog with an address typed.
void openWeb()
{
    PictureRunner runner;
    frmOpenWeb dialog(QStringLiteral("https://intranet.example/shows/lobby.gpn"), runner);
    dialog.show();
    save(&dialog, QStringLiteral("openweb"));
}

void properties()
{
    Example example;
    WorkingLists lists = LoadWorkingLists(example.rig.doc);
    auto take = [&](int mode, int index, const QString& name) {
        frmProps dialog(mode, index, lists,
                        frmProps::Surroundings{example.runner, kCacheFolder, kFavoritesShown});
        dialog.show();
        save(&dialog, name);
    };
    take(PropertiesMode::Page, 0, QStringLiteral("propurl"));
    take(PropertiesMode::Page, 1, QStringLiteral("propurl-gpanedocvar"));
    take(PropertiesMode::Page, 2, QStringLiteral("propurl-wiredvar"));
    take(PropertiesMode::Page, 3, QStringLiteral("propurl-stockvar2"));
    take(PropertiesMode::Page, 4, QStringLiteral("propurl-favorites"));
    take(PropertiesMode::Page, 5, QStringLiteral("propurl-pps"));
    take(PropertiesMode::Include, 0, QStringLiteral("propinclude"));
    take(PropertiesMode::Exclude, 0, QStringLiteral("propexclude"));
    take(PropertiesMode::ToolNavButton, ToolNavConfig, QStringLiteral("proptoolnavconfig"));
    take(PropertiesMode::ToolNavAddressBox, int(lists.toolNav.size()),
         QStringLiteral("proptoolnavurl"));
}

void pageLists()
{
    Example example;
    const WorkingLists all = LoadWorkingLists(example.rig.doc);
    const ExpansionContext expansion = example.expansion();
    {
        WorkingLists lists = all;
        frmPageList edit(PageListMode::Edit, lists, 20, expansion);
        edit.show();
        save(&edit, QStringLiteral("pagelist"));
    }
    {
        // The page list of the tutorial: a news site's pages, typed one a line.
        WorkingLists lists = all;
        lists.pages.clear();
        for (const char* url : {"https://news.example/", "https://news.example/world/",
                                "https://news.example/sport/", "https://news.example/weather/"}) {
            PageEntry page = NewPageEntry(20);
            page.URL = QLatin1String(url);
            lists.pages.append(page);
        }
        frmPageList edit(PageListMode::Edit, lists, 20, expansion);
        edit.show();
        save(&edit, QStringLiteral("pagelist1-wired"));
    }
    const QList<QPair<int, QString>> shown = {{1, QStringLiteral("gpanedocvar")},
                                              {2, QStringLiteral("wiredvar")},
                                              {3, QStringLiteral("stockvar2")},
                                              {4, QStringLiteral("favorites")}};
    for (const auto& [index, name] : shown) {
        WorkingLists lists = all;
        lists.pages = {all.pages.at(index)};
        frmPageList display(PageListMode::Display, lists, 20, expansion);
        display.show();
        save(&display, QStringLiteral("displaypagelist-") + name);
    }
}

void passwords()
{
    PictureRunner runner;
    for (PasswordDialogMode mode : {PasswordDialogMode::Enter, PasswordDialogMode::Change}) {
        PasswordLock lock;
        lock.storedPassword = QStringLiteral("x");
        lock.passwordDialogMode = mode;
        frmPassword dialog(lock, runner, [](const QString&) { return true; });
        dialog.show();
        save(&dialog, mode == PasswordDialogMode::Enter ? QStringLiteral("pass")
                                                        : QStringLiteral("passchg"));
    }
}

void toolBars()
{
    ToolBarRig rig;
    rig.start();
    rig.run().show();
    rig.nav().show();
    settle(300);
    save(&rig.run(), QStringLiteral("toolrun"));
    save(&rig.nav(), QStringLiteral("toolnav"));
    // Browsing a news site, the Grab button under the pointer.
    if (auto* box = rig.nav().findChild<QComboBox*>(QStringLiteral("txtURL")))
        box->setEditText(QStringLiteral("https://news.example/world/"));
    if (PictureButton* grab = rig.navButton(ToolNavGrab)) {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(grab, &enter);
    }
    save(&rig.nav(), QStringLiteral("toolnav1-wired"));
}

void preview()
{
    frmPreview preview;
    preview.resize(152, 114);
    preview.show();
    for (int i = 1; i <= frmPreview::FrameCount; ++i) {
        save(&preview, QStringLiteral("screen%1").arg(i, 2, 10, QLatin1Char('0')));
        preview.tim_Timer();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: help_pictures OUTPUT_FOLDER\n");
        return 2;
    }
    g_output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_output);
    configDialog();
    openWeb();
    properties();
    pageLists();
    passwords();
    toolBars();
    preview();
    std::printf("help_pictures: %d pictures in %s\n", g_saved, qPrintable(g_output));
    return g_failed == 0 ? 0 : 1;
}
