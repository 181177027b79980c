// The configuration dialog's values without the dialog: number boxes and spinners, the update
// time, the e-mail check, the list editors, and keeping the values (P_ConfigKeep).

#include "config/model/config_form.h"
#include "config/model/list_editing.h"
#include "config/model/program_options.h"
#include "document/document_fixture.h"
#include "document/page_variables.h"
#include "document/update_policy.h"
#include "engine/screen_saver.h"

#include <QTest>

using namespace glasspane;

class ConfigFormTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numberBoxes_data();
    void numberBoxes();
    void spinnerFollowsBox_data();
    void spinnerFollowsBox();
    void updateTimeShown_data();
    void updateTimeShown();
    void emailCheck_data();
    void emailCheck();
    void listEditing_data();
    void listEditing();
    void keepTakesTheBoxesAndLists();
    void keepMovesTheOptionsToTheDocument();
    void keepPositionsButtonsInListOrder();
    void keptOptionsReadBack();
};

void ConfigFormTest::numberBoxes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kept");    // NumberBoxValue with fallback -1
    QTest::addColumn<int>("leading"); // LeadingNumber, as typing moves a spinner
    QTest::newRow("plain") << "75" << 75 << 75;
    QTest::newRow("blanks") << " 7 " << 7 << 7;
    QTest::newRow("half to even down") << "2.5" << 2 << 2;
    QTest::newRow("half to even up") << "3.5" << 4 << 4;
    QTest::newRow("fraction") << "7.6" << 8 << 8;
    QTest::newRow("letters") << "abc" << -1 << 0;
    QTest::newRow("number then letters") << "12abc" << -1 << 12;
    QTest::newRow("empty") << "" << -1 << 0;
    QTest::newRow("negative") << "-3" << -3 << -3;
    QTest::newRow("too large") << "99999999999" << -1 << 2147483647;
}

void ConfigFormTest::numberBoxes()
{
    QFETCH(QString, text);
    QFETCH(int, kept);
    QFETCH(int, leading);
    QCOMPARE(NumberBoxValue(text, -1), kept);
    QCOMPARE(LeadingNumber(text), leading);
}

void ConfigFormTest::spinnerFollowsBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("spinner"); // -1: the spinner stays where it is

    // The minutes boxes clamp to 1..60: 75 puts the spinner at its 60-minute end (value 1).
    QTest::newRow("75 minutes") << "minutes"
                                << "75" << 1;
    QTest::newRow("0 minutes") << "minutes"
                               << "0" << 60;
    QTest::newRow("5 minutes") << "minutes"
                               << "5" << 56;
    QTest::newRow("letters in minutes") << "minutes"
                                        << "xyz" << 60;
    // The display time is not clamped: letters count 0 seconds, the spinner's 0 end; what lies
    // outside 0..999 leaves the spinner alone.
    QTest::newRow("letters in display time") << "display"
                                             << "abc" << 1000;
    QTest::newRow("10 seconds") << "display"
                                << "10" << 990;
    QTest::newRow("negative seconds") << "display"
                                      << "-5" << -1;
    // Hours and minutes of a time never move their spinner when typed into.
    QTest::newRow("hours") << "hours"
                           << "7" << -1;
}

void ConfigFormTest::spinnerFollowsBox()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(int, spinner);
    const SpinnerRule rule = box == u"minutes"   ? Spinners::Minutes
                             : box == u"display" ? Spinners::DisplayTime
                                                 : Spinners::Hours;
    QCOMPARE(rule.valueForText(text).value_or(-1), spinner);
    if (spinner > 0)
        QVERIFY(rule.numberAt(spinner) >= (box == u"display" ? 0 : 1));
}

void ConfigFormTest::updateTimeShown_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("hours");
    QTest::addColumn<int>("minutes");
    QTest::newRow("hh:mm") << "02:30" << 2 << 30;
    QTest::newRow("bare number") << "7" << 7 << 0;
    QTest::newRow("out of range") << "25:61" << 1 << 1;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("junk") << "x:y" << 0 << 0;
}

void ConfigFormTest::updateTimeShown()
{
    QFETCH(QString, stored);
    QFETCH(int, hours);
    QFETCH(int, minutes);
    const HourMinute t = SplitUpdateTime(stored);
    QCOMPARE(t.hours, hours);
    QCOMPARE(t.minutes, minutes);
}

void ConfigFormTest::emailCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("shortest") << "a@b.c" << true;
    QTest::newRow("usual") << " Jane.Doe@example.org " << true;
    QTest::newRow("junk between") << "a!@#b-.$c" << true;
    QTest::newRow("no at") << "ab.c" << false;
    QTest::newRow("no dot after at") << "a.b@c" << false;
    QTest::newRow("nothing after dot") << "a@b." << false;
    QTest::newRow("empty") << "" << false;
}

void ConfigFormTest::emailCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(IsValidEMail(text), valid);
}

void ConfigFormTest::listEditing_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("selection");
    const QStringList abc = {"a", "b", "c"};
    QTest::newRow("insert before selection")
        << "insert" << abc << 1 << QStringList{"a", "", "b", "c"} << 1;
    QTest::newRow("insert without selection")
        << "insert" << abc << -1 << QStringList{"", "a", "b", "c"} << 0;
    QTest::newRow("insert into empty") << "insert" << QStringList{} << -1 << QStringList{""} << 0;
    QTest::newRow("delete middle") << "delete" << abc << 1 << QStringList{"a", "c"} << 1;
    QTest::newRow("delete last") << "delete" << abc << 2 << QStringList{"a", "b"} << 1;
    QTest::newRow("delete only") << "delete" << QStringList{"a"} << 0 << QStringList{} << -1;
    QTest::newRow("delete nothing selected") << "delete" << abc << -1 << abc << -1;
    QTest::newRow("up") << "up" << abc << 2 << QStringList{"a", "c", "b"} << 1;
    QTest::newRow("up at top") << "up" << abc << 0 << abc << 0;
    QTest::newRow("down") << "down" << abc << 0 << QStringList{"b", "a", "c"} << 1;
    QTest::newRow("down at bottom") << "down" << abc << 2 << abc << 2;
    // The navigation bar's address box item follows the buttons: it moves nowhere.
    QTest::newRow("address box item") << "up" << abc << 3 << abc << 3;
}

void ConfigFormTest::listEditing()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, before);
    QFETCH(int, selected);
    QFETCH(QStringList, after);
    QFETCH(int, selection);
    QStringList list = before;
    int result = -2;
    if (operation == u"insert")
        result = ListEditing::insert(list, selected, QString());
    else if (operation == u"delete")
        result = ListEditing::remove(list, selected);
    else if (operation == u"up")
        result = ListEditing::moveUp(list, selected);
    else
        result = ListEditing::moveDown(list, selected);
    QCOMPARE(list, after);
    QCOMPARE(result, selection);
    // Up and Down are offered exactly where they move something.
    const int n = int(after.size());
    QCOMPARE(ListEditing::canMoveUp(result, n), result >= 1 && result < n);
    QCOMPARE(ListEditing::canMoveDown(result, n), result >= 0 && result < n - 1);
}

namespace {

// The options, a saver state and an update state around a document fixture.
struct KeepFixture : DocumentFixture
{
    ProgramOptions options;
    UpdateState update;
    SaverState saver;
    ConfigServices services2{services, doc, options, update, saver};
    QStringList failed;
    int playListRebuilt = 0;

    void keep(const ConfigForm& form, const WorkingLists& lists)
    {
        ConfigKeepHooks hooks;
        hooks.playListRebuilt = [this] { ++playListRebuilt; };
        P_ConfigKeep(services2, form, lists, ExpansionContextFor(services), hooks, failed);
    }
    static PageEntry page(const QString& url)
    {
        PageEntry p = NewPageEntry(10);
        p.URL = url;
        return p;
    }
};

} // namespace

void ConfigFormTest::keepTakesTheBoxesAndLists()
{
    KeepFixture f;
    ConfigForm form;
    form.ScreenSaveTimeOut = QStringLiteral("five");
    form.DefaultTime = QStringLiteral("abc");
    form.MaxTime = QString();
    form.UpdateDelay = QStringLiteral("2");
    form.UpdateTimeH = QStringLiteral("7");
    form.UpdateTimeM = QStringLiteral("5");
    form.RebootTimeH = QStringLiteral("25");
    form.RebootTimeM = QStringLiteral("x");
    form.EMail = QStringLiteral("  a@b.c ");
    f.options.EMail = QStringLiteral("old@b.c");
    f.options.EMailRegistered = true;

    WorkingLists lists;
    lists.pages = {f.page(QStringLiteral("http://one/")), f.page(QString()),
                   f.page(QStringLiteral("   ")), f.page(QStringLiteral("http://two/"))};
    lists.include = {QStringLiteral("http://one/"), QString(), QStringLiteral("http://two/")};
    lists.exclude = {QStringLiteral(" ")};
    f.keep(form, lists);

    // Boxes without a number take their defaults; hours and minutes are taken as they stand.
    QCOMPARE(f.options.ScreenSaveTimeOut, 5 * 60);
    QCOMPARE(f.doc.DefaultTime, 0);
    QCOMPARE(f.options.MaxTime, 5 * 60);
    QCOMPARE(f.options.UpdateDelay, 2 * 60);
    QCOMPARE(f.options.UpdateTime, QStringLiteral("07:05"));
    QCOMPARE(f.options.RebootTime, QStringLiteral("25:0"));
    QCOMPARE(f.update.UpdateTime, QStringLiteral("07:05"));
    // A new address is not registered yet.
    QCOMPARE(f.options.EMail, QStringLiteral("a@b.c"));
    QVERIFY(!f.options.EMailRegistered);

    // Pages left without an address are dropped; the rest expand into the play list.
    QCOMPARE(f.doc.pageCount(), 2);
    QCOMPARE(f.playUrls(), (QStringList{"http://one/", "http://two/"}));
    QCOMPARE(f.playListRebuilt, 1);
    QCOMPARE(f.doc.IncludeList, (QStringList{"http://one/", "http://two/"}));
    QVERIFY(f.doc.ExcludeList.isEmpty());
}

void ConfigFormTest::keepMovesTheOptionsToTheDocument()
{
    KeepFixture f;
    f.program.documentPath =
        f.write(QStringLiteral("show.gpn"), "[Gpane]\r\nTestURL=http://old/\r\nRegKey=HKLM\r\n");
    f.program.documentName = f.program.documentPath;
    f.program.documentSource = DocumentSource::File;
    f.settings.setRegKeyRoot(SettingsLocation::HKLM);
    f.settings.setParamsLocation(SettingsLocation::HKCU);
    ConfigForm form;
    form.MachineScope = false;
    form.DefaultFile = true;
    form.TestURL = QStringLiteral("http://new/");
    f.keep(form, {});

    // The parameters go to the document, written at once to the root in force then; the scope
    // chosen is written to its own root.
    QCOMPARE(f.settings.ParamsLocation(), SettingsLocation::Document);
    const QString user = f.settings.userPath();
    const QString machine = f.settings.machinePath();
    QCOMPARE(f.registry.string(RegRoot::LocalMachine, machine, "ParamsLocation"), "1");
    QCOMPARE(f.settings.RegKeyRoot(), SettingsLocation::HKCU);
    QCOMPARE(f.registry.string(RegRoot::CurrentUser, user, "RegKey"), "HKCU");
    QCOMPARE(f.registry.string(RegRoot::CurrentUser, user, "DefaultFile"), f.program.documentPath);
    // The document's own copy of a general option would hide the new value: it follows.
    QCOMPARE(f.ini.ReadIni("Gpane", "RegKey", f.program.documentPath), "HKCU");
    QVERIFY(f.doc.IsDefaultDocument);
    QVERIFY(f.failed.isEmpty());

    QStringList failed;
    WriteProgramOptions(f.settings, f.options, failed);
    QVERIFY(failed.isEmpty());
    QCOMPARE(f.ini.ReadIni("Gpane", "TestURL", f.program.documentPath), "http://new/");
    QCOMPARE(f.settings.read(keys::TestURL), "http://new/");
}

void ConfigFormTest::keepPositionsButtonsInListOrder()
{
    KeepFixture f;
    WorkingLists lists = LoadWorkingLists(f.doc);
    QCOMPARE(lists.toolRun.first().Index, ToolRunPlay);
    // Quit to the top of its bar.
    int at = ToolRunQuit;
    while (at > 0)
        at = ListEditing::moveUp(lists.toolRun, at);
    lists.toolNavUrlVisible = false;
    f.keep(ConfigForm(), lists);

    // The document keeps the buttons by kind (the show looks them up so); the bar order is in
    // their positions.
    for (int i = 0; i < f.doc.ToolRunButtons.size(); ++i)
        QCOMPARE(f.doc.ToolRunButtons.at(i).Index, i);
    QCOMPARE(f.doc.ToolRunButtons.at(ToolRunQuit).Position, 0);
    QCOMPARE(f.doc.ToolRunButtons.at(ToolRunPlay).Position, 1);
    QVERIFY(!f.doc.ToolNavURLVisible);
    QCOMPARE(LoadWorkingLists(f.doc).toolRun.first().Index, ToolRunQuit);
}

void ConfigFormTest::keptOptionsReadBack()
{
    // Every option written where it belongs is read back the same, from the new places.
    KeepFixture f;
    f.program.documentPath = f.path(QStringLiteral("show.gpn"));
    f.settings.setRegKeyRoot(SettingsLocation::HKCU);
    f.settings.setParamsLocation(SettingsLocation::Document);
    ProgramOptions o;
    o.OnMouseMove = MouseMoveAction::Quit;
    o.RandomMode = true;
    o.FirstPageIsLastPage = false;
    o.VarSubst = false;
    o.RemoveVertScroll = 2;
    o.OnNewWindow = 1;
    o.WindowState = MainWindowState::Window;
    o.TopMost = true;
    o.ToolRunLocked = true;
    o.ToolNavLocked = true;
    o.HelpEnabled = false;
    o.HelpURL = QStringLiteral("/srv/help.html");
    o.AutoReboot = true;
    o.RebootTime = QStringLiteral("04:30");
    o.ForceReboot = true;
    o.AutoLogin = true;
    o.NTDomain = QStringLiteral("HALL");
    o.NTLogin = QStringLiteral("kiosk");
    o.UpdateScheme = 4;
    o.UpdateTime = QStringLiteral("03:15");
    o.UpdateDelay = 600;
    o.MaxTime = 120;
    o.ForceReconnect = true;
    o.TestURL = QStringLiteral("http://test/");
    o.TestURLIsHomePage = true;
    o.EMail = QStringLiteral("a@b.c");
    o.DontUseEMail = true;
    o.EMailRegistered = true;
    o.SpecialURL = QStringLiteral("about:x,");
    o.IEWindowClasses = QStringLiteral("A,");
    o.IEWindowTitles = QStringLiteral("T,");
    o.ScreenSaveActive = false;
    o.ScreenSaveTimeOut = 900;
    QStringList failed;
    WriteProgramOptions(f.settings, o, failed);
    QVERIFY(failed.isEmpty());
    const ProgramOptions back = ReadProgramOptions(f.settings);
    QCOMPARE(back.OnMouseMove, o.OnMouseMove);
    QCOMPARE(back.RandomMode, o.RandomMode);
    QCOMPARE(back.FirstPageIsLastPage, o.FirstPageIsLastPage);
    QCOMPARE(back.VarSubst, o.VarSubst);
    QCOMPARE(back.RemoveVertScroll, o.RemoveVertScroll);
    QCOMPARE(back.OnNewWindow, o.OnNewWindow);
    QCOMPARE(back.WindowState, o.WindowState);
    QCOMPARE(back.TopMost, o.TopMost);
    QCOMPARE(back.ToolRunLocked, o.ToolRunLocked);
    QCOMPARE(back.ToolNavLocked, o.ToolNavLocked);
    QCOMPARE(back.HelpEnabled, o.HelpEnabled);
    QCOMPARE(back.HelpURL, o.HelpURL);
    QCOMPARE(back.AutoReboot, o.AutoReboot);
    QCOMPARE(back.RebootTime, o.RebootTime);
    QCOMPARE(back.ForceReboot, o.ForceReboot);
    QCOMPARE(back.AutoLogin, o.AutoLogin);
    QCOMPARE(back.NTDomain, o.NTDomain);
    QCOMPARE(back.NTLogin, o.NTLogin);
    QCOMPARE(back.UpdateScheme, o.UpdateScheme);
    QCOMPARE(back.UpdateTime, o.UpdateTime);
    QCOMPARE(back.UpdateDelay, o.UpdateDelay);
    QCOMPARE(back.MaxTime, o.MaxTime);
    QCOMPARE(back.ForceReconnect, o.ForceReconnect);
    QCOMPARE(back.TestURL, o.TestURL);
    QCOMPARE(back.TestURLIsHomePage, o.TestURLIsHomePage);
    QCOMPARE(back.EMail, o.EMail);
    QCOMPARE(back.DontUseEMail, o.DontUseEMail);
    QCOMPARE(back.EMailRegistered, o.EMailRegistered);
    QCOMPARE(back.SpecialURL, o.SpecialURL);
    QCOMPARE(back.IEWindowClasses, o.IEWindowClasses);
    QCOMPARE(back.IEWindowTitles, o.IEWindowTitles);
    QCOMPARE(back.ScreenSaveActive, o.ScreenSaveActive);
    QCOMPARE(back.ScreenSaveTimeOut, o.ScreenSaveTimeOut);
    // The presentation parameters are in the document, the general options in HKCU.
    QCOMPARE(f.ini.ReadIni("Gpane", "UpdateScheme", f.program.documentPath), "4");
    QCOMPARE(f.registry.string(RegRoot::CurrentUser, f.settings.userPath(), "TestURL"),
             "http://test/");
    QCOMPARE(f.registry.string(RegRoot::CurrentUser, QString::fromLatin1(kDesktopKey),
                               "ScreenSaveTimeOut"),
             "900");

    // A general option that cannot be stored is named (one that stays as it was is stored).
    f.registry.setWritable(RegRoot::CurrentUser, false);
    o.TestURL = QStringLiteral("http://other/");
    o.ScreenSaveTimeOut = 60;
    failed.clear();
    WriteProgramOptions(f.settings, o, failed);
    QVERIFY(failed.contains(QStringLiteral("TestURL")));
    QVERIFY(failed.contains(QStringLiteral("ScreenSaveTimeOut")));
    QVERIFY(!failed.contains(QStringLiteral("UpdateScheme")));
}

QTEST_GUILESS_MAIN(ConfigFormTest)
#include "config_form_test.moc"
