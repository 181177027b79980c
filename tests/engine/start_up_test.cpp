#include "document/program_values.h"
#include "engine/start_up.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"

#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

Q_DECLARE_METATYPE(RunMode)

class StartUpTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseCommandLine_data();
    void parseCommandLine();
    void screenSaverHostSwitches_data();
    void screenSaverHostSwitches();
    void unknownOptions_data();
    void unknownOptions();
    void saverWindowFromEnvironment();
    void joinArguments_data();
    void joinArguments();
    void argumentsRoundTrip_data();
    void argumentsRoundTrip();
    void programValues();
    void programValuesWithoutTempFolder();
};

void StartUpTest::parseCommandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<RunMode>("mode");
    QTest::addColumn<int>("handle");
    QTest::addColumn<QString>("document");

    using M = RunMode;
    QTest::newRow("empty") << "" << M::Presentation << 0 << "";
    QTest::newRow("blanks") << "   " << M::Presentation << 0 << "";
    QTest::newRow("/S") << "/S" << M::ScreenSaver << 0 << "";
    QTest::newRow("/s") << " /s " << M::ScreenSaver << 0 << "";
    QTest::newRow("/p 123") << "/p 123" << M::Preview << 123 << "";
    QTest::newRow("/P 123") << "/P 123" << M::Preview << 123 << "";
    QTest::newRow("-rooted is a document") << "-rooted" << M::Document << 0 << "-rooted";
    QTest::newRow("/P:123") << "/P:123" << M::Preview << 0 << "";
    QTest::newRow("/P alone") << "/P" << M::Preview << 0 << "";
    QTest::newRow("/P word") << "/P abc" << M::Preview << 0 << "";
    QTest::newRow("/P two blanks") << "/P  77" << M::Preview << 77 << "";
    QTest::newRow("/P hex X11 id") << "/P 0x1c00003" << M::Preview << 0x1c00003 << "";
    QTest::newRow("/A 55") << "/a 55" << M::PasswordChange << 55 << "";
    QTest::newRow("/A") << "/A" << M::PasswordChange << 0 << "";
    QTest::newRow("/c") << "/c" << M::Configure << 0 << "";
    QTest::newRow("/c:5") << "/c:5" << M::Configure << 0 << "";
    QTest::newRow("/C 5") << "/C 5" << M::Configure << 0 << "";
    QTest::newRow("-C") << "-C" << M::Configure << 0 << "";
    QTest::newRow("-c") << "-c" << M::Configure << 0 << "";
    QTest::newRow("CONFIG") << "CONFIG" << M::Configure << 0 << "";
    QTest::newRow("config") << "config" << M::Configure << 0 << "";
    QTest::newRow("CoNfIg blanks") << "  CoNfIg " << M::Configure << 0 << "";
    QTest::newRow("configuration") << "configuration" << M::Document << 0 << "configuration";
    QTest::newRow("config and more") << "config x" << M::Document << 0 << "config x";
    QTest::newRow("document") << "/home/u/show.gpn" << M::Document << 0 << "/home/u/show.gpn";
    QTest::newRow("path under /srv is no /S")
        << "/srv/kiosk/show.gpn" << M::Document << 0 << "/srv/kiosk/show.gpn";
    QTest::newRow("path under /proc is no /P") << "/pub/a.gpn" << M::Document << 0 << "/pub/a.gpn";
    QTest::newRow("path /config.gpn") << "/config.gpn" << M::Document << 0 << "/config.gpn";
    QTest::newRow("quoted with blanks")
        << "\"/home/u/My Shows/a b.gpn\"" << M::Document << 0 << "/home/u/My Shows/a b.gpn";
    QTest::newRow("quoted then more")
        << "\"/home/u/a b.gpn\" --extra" << M::Document << 0 << "/home/u/a b.gpn";
    QTest::newRow("unquoted with blanks")
        << "/home/u/My Shows/a.gpn" << M::Document << 0 << "/home/u/My Shows/a.gpn";
    QTest::newRow("unclosed quote") << "\"/home/u/a.gpn" << M::Document << 0 << "/home/u/a.gpn";
    QTest::newRow("web address") << "http://127.0.0.1/show.gpn" << M::Document << 0
                                 << "http://127.0.0.1/show.gpn";
    QTest::newRow("relative") << "show.gpn" << M::Document << 0 << "show.gpn";
    QTest::newRow("/X") << "/X" << M::Document << 0 << "/X";
}

void StartUpTest::parseCommandLine()
{
    QFETCH(QString, line);
    QFETCH(RunMode, mode);
    QFETCH(int, handle);
    QFETCH(QString, document);
    const StartupRequest r = ParseCommandLine(line);
    QCOMPARE(r.mode, mode);
    QCOMPARE(r.previewParent, qint32(handle));
    QCOMPARE(r.documentPath, document);
    QCOMPARE(r.forceSaverRestart, mode == RunMode::ScreenSaver);
}

// Every way XScreenSaver (5 or 6, its daemon or its settings' preview) and a user write the
// host's switches: accepted whole by the program and taken as the screen saver.
void StartUpTest::screenSaverHostSwitches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("window");
    QTest::newRow("-root") << QStringList{"-root"} << 0;
    QTest::newRow("--root") << QStringList{"--root"} << 0;
    QTest::newRow("--ROOT") << QStringList{"--ROOT"} << 0;
    QTest::newRow("-root with a window after it") << QStringList{"-root", "77"} << 0;
    QTest::newRow("-window-id ID") << QStringList{"-window-id", "0x2a00007"} << 0x2a00007;
    QTest::newRow("--window-id ID") << QStringList{"--window-id", "0x2a00007"} << 0x2a00007;
    QTest::newRow("--window-id=ID") << QStringList{"--window-id=0x2a00007"} << 0x2a00007;
    QTest::newRow("-Window-Id=ID decimal") << QStringList{"-Window-Id=77"} << 77;
    QTest::newRow("--WINDOW-ID ID") << QStringList{"--WINDOW-ID", "77"} << 77;
    QTest::newRow("-window-id alone") << QStringList{"-window-id"} << 0;
    QTest::newRow("--window-id= empty") << QStringList{"--window-id="} << 0;
    QTest::newRow("--window-id word") << QStringList{"--window-id", "abc"} << 0;
}

void StartUpTest::screenSaverHostSwitches()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, window);
    QStringList words = arguments;
    QCOMPARE(UnknownOption(words), QString());
    QCOMPARE(words, arguments);
    const StartupRequest r = ParseCommandLine(JoinArguments(arguments));
    QCOMPARE(r.mode, RunMode::ScreenSaver);
    QVERIFY(r.forceSaverRestart);
    QVERIFY(r.fromHost);
    QCOMPARE(r.previewParent, qint32(window));
}

void StartUpTest::unknownOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("unknown");
    QTest::newRow("-h") << QStringList{"-h"} << "-h";
    QTest::newRow("--helpp") << QStringList{"--helpp"} << "--helpp";
    QTest::newRow("--rooted") << QStringList{"--rooted"} << "--rooted";
    QTest::newRow("--window") << QStringList{"--window", "5"} << "--window";
    QTest::newRow("--root after a document") << QStringList{"show.gpn", "--root"} << "--root";
    QTest::newRow("--help") << QStringList{"--help"} << "";
    QTest::newRow("-C") << QStringList{"-C"} << "";
    QTest::newRow("/P 5") << QStringList{"/P", "5"} << "";
    QTest::newRow("-- then a dash document") << QStringList{"--", "-show.gpn"} << "";
}

void StartUpTest::unknownOptions()
{
    QFETCH(QStringList, arguments);
    QTEST(UnknownOption(arguments), "unknown");
}

void StartUpTest::saverWindowFromEnvironment()
{
    QCOMPARE(SaverWindowFromEnvironment("0x1c00003"), 0x1c00003u);
    QCOMPARE(SaverWindowFromEnvironment(" 1234 "), 1234u);
    QCOMPARE(SaverWindowFromEnvironment(""), 0u);
    QCOMPARE(SaverWindowFromEnvironment("window"), 0u);
}

void StartUpTest::joinArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    QTest::newRow("none") << QStringList{} << "";
    QTest::newRow("switch") << QStringList{"/p", "123"} << "/p 123";
    QTest::newRow("blank") << QStringList{"/home/u/My Show.gpn"} << "\"/home/u/My Show.gpn\"";
    QTest::newRow("tab") << QStringList{"a\tb"} << "\"a\tb\"";
    QTest::newRow("empty word") << QStringList{"x", ""} << "x \"\"";
}

void StartUpTest::joinArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    QCOMPARE(JoinArguments(arguments), line);
}

void StartUpTest::argumentsRoundTrip_data()
{
    QTest::addColumn<QString>("argument");
    // What a file manager passes for a double-clicked document.
    QTest::newRow("blank and semicolon") << "/media/usb stick/Shows/a;b.gpn";
    // White space that trimming the line would take off the name.
    QTest::newRow("line feed at the end") << "/srv/show.gpn\n";
    QTest::newRow("carriage return first") << "\r/srv/show.gpn";
    QTest::newRow("no-break space at the end") << "/srv/show.gpn\u00a0";
    QTest::newRow("switch and line feed") << "/S\n";
}

void StartUpTest::argumentsRoundTrip()
{
    QFETCH(QString, argument);
    const StartupRequest r = ParseCommandLine(JoinArguments({argument}));
    QCOMPARE(r.mode, RunMode::Document);
    QCOMPARE(r.documentPath, argument);
}

void StartUpTest::programValues()
{
    QTemporaryDir dir;
    FakeShell shell(dir.path());
    FakeSystem system;
    system.setExecutablePath("/opt/Glasspane/bin/glasspane");
    system.setCurrentFolder("/home/Kiosk/Shows");
    system.setMachineFolder("/etc/glasspane/");

    ProgramValues values;
    InitProgramValues(values, system, shell);
    QCOMPARE(values.productVersionText,
             QStringLiteral("Glasspane 4.35 (https://glasspane.example/)"));
    QCOMPARE(values.resourceFolder, dir.path() + "/Temp/Gpane");
    QCOMPARE(values.programPath, QStringLiteral("/opt/Glasspane/bin/glasspane"));
    QCOMPARE(values.exeName, QStringLiteral("GLASSPANE"));
    QCOMPARE(values.startFolder, QStringLiteral("/home/Kiosk/Shows/"));
    QCOMPARE(values.windowsFolder, QStringLiteral("/etc/glasspane/"));
    QCOMPARE(values.userKeyPath, QStringLiteral("Software\\Qorvath\\Glasspane"));
    QCOMPARE(values.machineKeyPath, QStringLiteral("SOFTWARE\\Qorvath\\Glasspane"));

    system.setCurrentFolder("/");
    InitProgramValues(values, system, shell);
    QCOMPARE(values.startFolder, QStringLiteral("/"));
}

void StartUpTest::programValuesWithoutTempFolder()
{
    QTemporaryDir dir;
    FakeShell shell(dir.path());
    shell.setFolder(Shell::Folder::Temp, QString());
    FakeSystem system;
    ProgramValues values;
    InitProgramValues(values, system, shell);
    QCOMPARE(values.resourceFolder, QStringLiteral("Gpane"));
}

QTEST_GUILESS_MAIN(StartUpTest)
#include "start_up_test.moc"
