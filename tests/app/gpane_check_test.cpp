#include "config/model/program_options.h"
#include "document/document.h"
#include "document/ini_files.h"
#include "document/page_variables.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/gpane_runner.h"
#include "support/http_test_server.h"
#include "support/memory_registry.h"
#include "support/settable_clock.h"
#include "support/test_files.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

using glasspane::GpaneRunner;

// gpane check on small broken documents, each with the line it must print.
class GpaneCheckTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void findings_data();
    void findings();
    void soundDocumentsPrintNothing_data();
    void soundDocumentsPrintNothing();
    void savedDocumentPrintsNothing();
    void parametersKeptInTheUsersSettings();
    void documentsThatCannotBeRead();

private:
    QString write(const QString& name, const QByteArray& text) const
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        return path;
    }
    GpaneRunner::Run check(const QString& document) const
    {
        return GpaneRunner(m_dir.filePath("home")).run({"check", document}, m_dir.path());
    }

    QTemporaryDir m_dir;
    glasspane::HttpTestServer m_server; // answers 404 for every page
};

void GpaneCheckTest::initTestCase()
{
    QVERIFY2(QFileInfo(GpaneRunner::program()).isExecutable(), "build the gpane target first");
    write("here.html", "<p>");
    write("empty.txt", "");
    write("other.gpn", "[Page1]\nURL=d.gpn\n");
    QDir().mkpath(m_dir.filePath("slides"));
}

void GpaneCheckTest::findings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("says"); // a part of the finding's text
    QTest::addColumn<int>("exitCode");

    // Names and sections.
    QTest::newRow("unknown key, nearest name")
        << QByteArray("[Page1]\nURL=here.html\nTme=20\n") << 3 << "unknown-key"
        << "unknown key Tme in [Page1]: it is not read; did you mean Time?" << 0;
    QTest::newRow("unknown option in [Gpane]")
        << QByteArray("[Gpane]\nRandomMod=Yes\n") << 2 << "unknown-key"
        << "did you mean RandomMode?" << 0;
    QTest::newRow("unknown section, nearest name")
        << QByteArray("[Gpane]\n[Pgae1]\nURL=here.html\n") << 2 << "unknown-section"
        << "did you mean [Page1]?" << 0;
    QTest::newRow("unknown button")
        << QByteArray("[ToolNavBak]\nVisible=No\n") << 1 << "unknown-section"
        << "did you mean [ToolNavBack]?" << 0;
    QTest::newRow("numbered with a gap")
        << QByteArray("[Page1]\nURL=here.html\n[Page3]\nURL=here.html\n") << 3 << "numbering"
        << "the pages are read in file order whatever their numbers" << 0;
    QTest::newRow("section twice")
        << QByteArray("[Page1]\nURL=here.html\n[Page2]\nURL=here.html\n[Page1]\nURL=x.html\n") << 5
        << "section-twice"
        << "so that page plays twice" << 0;
    QTest::newRow("key twice") << QByteArray("[Page1]\nURL=here.html\nURL=other.html\n") << 3
                               << "key-twice"
                               << "only the first one (line 2) is read" << 0;
    QTest::newRow("line before any section")
        << QByteArray("HomeURL=here.html\n[Gpane]\n") << 1 << "outside-section"
        << "never read" << 0;
    QTest::newRow("page without URL")
        << QByteArray("[Page1]\nTime=5\nDefaultTime=No\n") << 1 << "no-url"
        << "it is no page and is skipped" << 0;
    QTest::newRow("no section at all")
        << QByteArray("<html>a=b</html>\n") << 1 << "no-section"
        << "the show writes the built-in default document in its place (its text kept" << 0;

    // Spellings that Windows reads its own way.
    QTest::newRow("header without its ]")
        << QByteArray("[Page1]\nURL=here.html\n[Page2\nURL=other.html\n") << 3 << "unclosed-header"
        << "the keys below it belong to [Page1]; probably meant [Page2]" << 0;
    QTest::newRow("key without = hides the later one")
        << QByteArray("[Page1]\nURL\nURL=here.html\n") << 2 << "bare-key-hides"
        << "URL without '=' reads as empty and hides URL=here.html at line 3" << 0;
    QTest::newRow("blanks inside the brackets")
        << QByteArray("[ Exclude1 ]\nURL=http://127.0.0.1/private/\n") << 1 << "header-blanks"
        << "this is [Exclude1]" << 0;
    QTest::newRow("name to the last ]")
        << QByteArray("[Page1]]\nURL=here.html\n") << 1 << "bracket-in-name"
        << "this is [Page1]]; probably meant "
           "[Page1]"
        << 0;
    QTest::newRow("text after ]") << QByteArray("[Page1] ; lobby [x\nURL=here.html\n") << 1
                                  << "header-tail"
                                  << "the text after ] is not read" << 0;
    QTest::newRow("section without a name")
        << QByteArray("[ ]\nURL=here.html\n") << 1 << "nameless-section"
        << "never read" << 0;
    QTest::newRow("a stray carriage return")
        << QByteArray("[Page1]\r\nURL=here.html\rTime=5\r\nDefaultTime=No\r\n") << 2 << "lone-cr"
        << "what follows it is read as a line of its own" << 0;
    QTest::newRow("Ctrl-Z after a value")
        << QByteArray("[Page1]\nURL=here.html\x1a\n") << 2 << "ctrl-z"
        << "is read as a blank" << 0;
    QTest::newRow("NUL in a value")
        << QByteArray("[Page1]\nURL=here.html\0#top\n", 27) << 2 << "nul"
        << "a NUL character ends the name or value here: \"#top\" after it is not read" << 0;
    QTest::newRow("no-break space around a value")
        << QByteArray("[Page1]\nURL=here.html\nVar1Source=\xC2\xA0x\n") << 3 << "no-break-space"
        << "part of it" << 0;
    QTest::newRow("comment after an address")
        << QByteArray("[Page1]\nURL=http://127.0.0.1/a.html ; the lobby\n") << 2
        << "comment-after-value"
        << "URL reads \"http://127.0.0.1/a.html ; the lobby\"" << 0;

    // Values.
    QTest::newRow("page DefaultTime not a truth word")
        << QByteArray("[Page1]\nURL=here.html\nDefaultTime=Nope\nTime=30\n") << 3 << "not-yes-no"
        << "DefaultTime=Nope is not Yes or No: Yes is used" << 1;
    QTest::newRow("document DefaultTime not a number")
        << QByteArray("[Gpane]\nDefaultTime=Nope\n") << 2 << "not-number"
        << "DefaultTime=Nope is not a number: 10 is used" << 1;
    QTest::newRow("negative DefaultTime")
        << QByteArray("[Gpane]\nDefaultTime=-10\n") << 2 << "negative-time"
        << "probably meant 10" << 1;
    QTest::newRow("negative Time")
        << QByteArray("[Page1]\nURL=here.html\nDefaultTime=No\nTime=-5\n") << 4 << "negative-time"
        << "flash by" << 1;
    QTest::newRow("a fraction") << QByteArray("[Page1]\nURL=here.html\nDefaultTime=No\nTime=2.5\n")
                                << 4 << "not-whole-number"
                                << "Time=2.5 is read as 3" << 0;
    QTest::newRow("an exponent") << QByteArray("[Gpane]\nDefaultTime=1e3\n") << 2
                                 << "not-whole-number"
                                 << "DefaultTime=1e3 is read as 1000" << 0;
    QTest::newRow("reboot time with a dot")
        << QByteArray("[Gpane]\nRebootTime=4.30\n") << 2 << "time-of-day"
        << "RebootTime=4.30 is read as 04:00" << 0;
    QTest::newRow("update time in words")
        << QByteArray("[Gpane]\nUpdateTime=3pm\n") << 2 << "time-of-day"
        << "UpdateTime=3pm is read as" << 0;
    QTest::newRow("Time without DefaultTime=No")
        << QByteArray("[Gpane]\nDefaultTime=15\n[Page1]\nURL=here.html\nTime=30\n") << 5
        << "time-ignored"
        << "the page shows for the document's DefaultTime (15 s)" << 0;
    QTest::newRow("option out of range")
        << QByteArray("[Gpane]\nUpdateScheme=9\n") << 2 << "out-of-range"
        << "UpdateScheme=9 is out of range (0 to 5): 0 is used" << 1;
    QTest::newRow("parameters kept in the registry")
        << QByteArray("[Gpane]\nParamsLocation=HKCU\nRandomMode=Yes\n") << 3 << "params-in-registry"
        << "ParamsLocation=HKCU keeps the parameters in the registry" << 0;

    // Addresses.
    QTest::newRow("local file missing")
        << QByteArray("[Page1]\nURL=gone.html\n") << 2 << "file-not-found"
        << "file not found: gone.html" << 1;
    QTest::newRow("file address missing")
        << QByteArray("[Gpane]\nHomeURL=file:///nowhere/home.html\n") << 2 << "file-not-found"
        << "file not found: file:///nowhere/home.html" << 1;
    QTest::newRow("unknown scheme")
        << QByteArray("[Page1]\nURL=gopher://old.example/\n") << 2 << "unknown-scheme"
        << "unknown scheme \"gopher:\": the page cannot be shown" << 1;
    QTest::newRow("cached page in capitals")
        << QByteArray("[Page1]\nURL=HTTP://127.0.0.1/b.html\nCached=Yes\n") << 3 << "not-cacheable"
        << "the page cache takes only addresses that begin with http:// or https://" << 1;
    QTest::newRow("refused by the document's own lists")
        << QByteArray("[Page1]\nURL=http://127.0.0.1/private/x.html\n"
                      "[Exclude1]\nURL=http://127.0.0.1/private/\n")
        << 2 << "refused"
        << "an exclude entry of the document forbids it" << 0;
    QTest::newRow("scheme-less address outside the include list")
        << QByteArray("[Page1]\nURL=127.0.0.1:8080/p.html\n[Include1]\nURL=http://127.0.0.2/\n")
        << 2 << "refused"
        << "no include entry of the document allows it" << 0;
    QTest::newRow("a document that plays itself")
        << QByteArray("[Page1]\nURL=d.gpn\n") << 2 << "plays-itself"
        << "the pages after it never play" << 0;
    QTest::newRow("two documents that play each other")
        << QByteArray("[Page1]\nURL=other.gpn\n") << 2 << "plays-each-other"
        << "the show goes back and forth between the two" << 0;

    // Page variables.
    QTest::newRow("range bound not a number")
        << QByteArray("[Page1]\nURL=cam$$.jpg\nVar1Type=1\nVar1Source=01\nVar1Param=1O\n") << 5
        << "not-number"
        << "the range bound Var1Param=1O is not a number: 0 is used" << 1;
    QTest::newRow("range cut")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=1\nVar1Source=1\nVar1Param=200000\n") << 5
        << "range-cut"
        << "only the first 100000 play" << 0;
    QTest::newRow("empty and stray list values")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=2\nVar1Source=|1||2| 3 |\n") << 4
        << "empty-list-item"
        << "2 empty values in the list" << 0;
    QTest::newRow("blanks around a list value")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=2\nVar1Source=1| 3 |\n") << 4
        << "blanks-in-list-item"
        << "the blanks of \" 3 \" are kept in the address" << 0;
    QTest::newRow("placeholder without its closing $")
        << QByteArray("[Page1]\nURL=http://h/p$id.html\nVar1Type=2\nVar1Source=1|2\n") << 2
        << "unclosed-placeholder"
        << "probably meant $id$" << 0;
    QTest::newRow("range partly refused")
        << QByteArray("[Page1]\nURL=http://127.0.0.1/p$$.html\nVar1Type=1\nVar1Source=1\n"
                      "Var1Param=3\n[Exclude1]\nURL=http://127.0.0.1/p3\n")
        << 2 << "partly-refused"
        << "1 of the 3 addresses of this page are refused" << 0;
    QTest::newRow("unknown kind of variable")
        << QByteArray("[Page1]\nURL=here.html\nVar1Type=12\n") << 3 << "out-of-range"
        << "Var1Type=12 is out of range (0 to 7): 0 is used" << 1;
    QTest::newRow("value file missing")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=links.txt\n"
                      "Var1Param=<a href=$$>\n")
        << 4 << "file-not-found"
        << "value file not found: links.txt" << 1;
    QTest::newRow("empty value file")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=empty.txt\n"
                      "Var1Param=<a href=$$>\n")
        << 4 << "no-values"
        << "the value file empty.txt gives no values" << 0;
    QTest::newRow("value file on the web answers 404")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=%1/gone.txt\n"
                      "Var1Param=<a href=$$>\n")
        << 4 << "no-values"
        << "cannot be fetched (the server answered HTTP 404)" << 0;
    QTest::newRow("value file in capitals")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\n"
                      "Var1Source=HTTP://127.0.0.1/v.txt\nVar1Param=<$$>\n")
        << 4 << "not-cacheable"
        << "this one is looked for as a file" << 1;
    QTest::newRow("pattern without $$")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=here.html\n"
                      "Var1Param=<a href=>\n")
        << 5 << "no-pattern"
        << "no pattern with $$ in Var1Param" << 1;
    QTest::newRow("folder missing")
        << QByteArray("[Page1]\nURL=$$\nVar1Type=7\nVar1Param=gone\n") << 4 << "folder-not-found"
        << "folder not found: " << 1;
}

void GpaneCheckTest::findings()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, kind);
    QFETCH(QString, says);
    QFETCH(int, exitCode);
    text.replace("%1", m_server.url("").toUtf8());
    write("d.gpn", text);
    const GpaneRunner::Run r = check("d.gpn");
    QCOMPARE(r.status, QProcess::NormalExit);
    const QString prefix = QStringLiteral("d.gpn:%1: ").arg(line);
    const QString suffix = QStringLiteral(" [%1]").arg(kind);
    const QStringList lines = r.out.split('\n');
    const bool found = std::any_of(lines.begin(), lines.end(), [&](const QString& l) {
        return l.startsWith(prefix) && l.endsWith(suffix) && l.contains(says);
    });
    QVERIFY2(found, qPrintable(r.out + r.err));
    QCOMPARE(r.exitCode, exitCode);
    // Nothing written: not the document, not the settings.
    QFile f(m_dir.filePath("d.gpn"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), text);
    QCOMPARE(GpaneRunner(m_dir.filePath("home")).filesUnderHome(), QStringList());
}

void GpaneCheckTest::soundDocumentsPrintNothing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("the default document")
        << QByteArray("[Gpane]\nHomeURL=index.html\n\n[Page1]\nURL=$$\nVar1Type=4\n"
                      "Var1SubDirectories=Yes\n\n[Page2]\nURL=glass-pane.html\n");
    // A web address without its scheme is loaded over http: no file is missing.
    QTest::newRow("an address without a scheme") << QByteArray(
        "[Page1]\nURL=127.0.0.1:8080/p.html\n[Include1]\nURL=http://127.0.0.1:8080/\n");
}

void GpaneCheckTest::soundDocumentsPrintNothing()
{
    QFETCH(QByteArray, text);
    write("sound.gpn", text);
    const GpaneRunner::Run r = check("sound.gpn");
    QCOMPARE(r.out, QString());
    QCOMPARE(r.exitCode, 0);
}

// A document as the program itself saves it, with every option and every kind of page the
// configuration dialog makes (a page on the default time keeps its own Time), draws no word.
void GpaneCheckTest::savedDocumentPrintsNothing()
{
    using namespace glasspane;
    MemoryRegistry registry;
    IniFiles ini;
    ProgramValues program;
    program.startFolder = m_dir.path() + u'/';
    FakeSystem system;
    FakeShell shell(m_dir.filePath("shell"));
    SettableClock clock;
    SettingsStore settings(registry, ini, program, system);
    DocumentServices services{ini, settings, program, shell, registry, clock, nullptr, {}, {}, {}};

    DocumentState doc;
    doc.HomeURL = m_dir.filePath("here.html");
    doc.DefaultTime = 20;
    const auto page = [&](const QString& url, qint16 type, const QString& source,
                          const QString& param) {
        PageEntry p;
        p.URL = url;
        p.DefaultTime = true;
        p.Time = 10;
        p.Var1Type = type;
        p.Var1Source = source;
        p.Var1Param = param;
        doc.PageList.append(p);
    };
    page(m_dir.filePath("here.html"), VarNone, "", "");
    page("http://127.0.0.1/cam$$.jpg", VarRange, "01", "03");
    page("http://127.0.0.1/q?s=$s$", VarList, "ACME|GLOBEX", "");
    page("$$", VarHtmlFiles, "", m_dir.filePath("slides"));
    page("$$", VarFavorites, "", "");
    doc.PageList[1].DefaultTime = false;
    doc.PageList[1].Time = 5;
    doc.PageList[2].Cached = true;
    doc.ExcludeList = {"http://127.0.0.1/private/"};
    doc.ToolRunButtons[ToolRunQuit].Visible = false;
    const QString path = m_dir.filePath("saved.gpn");
    program.documentPath = path;
    ProgramOptions options;
    options.AutoReboot = true;
    options.RebootTime = "04:30";
    options.UpdateScheme = 2;
    options.UpdateTime = "15:00";
    QStringList failed;
    QVERIFY(SaveDocument(services, doc, path, path,
                         [&] { WriteProgramOptions(settings, options, failed); }));
    QCOMPARE(failed, QStringList());

    const GpaneRunner::Run r = check("saved.gpn");
    QVERIFY2(r.out.isEmpty(), qPrintable(r.out + "\n" + readFileBytes(path)));
    QCOMPARE(r.exitCode, 0);
}

// ParamsLocation in the user's settings, not in the document: the document's parameters are
// not read, and the first of them says so.
void GpaneCheckTest::parametersKeptInTheUsersSettings()
{
    const QString home = m_dir.filePath("home-hkcu");
    QVERIFY(glasspane::writeFileBytes(home + "/config/glasspane/user.reg",
                                      "Windows Registry Editor Version 5.00\r\n\r\n"
                                      "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\r\n"
                                      "\"ParamsLocation\"=\"HKCU\"\r\n"));
    write("params.gpn", "[Gpane]\nDefaultTime=20\nRandomMode=Yes\nOnMouseMove=1\n");
    const GpaneRunner::Run r = GpaneRunner(home).run({"check", "params.gpn"}, m_dir.path());
    QCOMPARE(r.out, QString("params.gpn:3: warning: RandomMode and the other parameters here are "
                            "not read: ParamsLocation=HKCU in the user's settings keeps them "
                            "there; write ParamsLocation=1 here to use the document's "
                            "[params-in-registry]\n"));
    QCOMPARE(r.exitCode, 0);
}

void GpaneCheckTest::documentsThatCannotBeRead()
{
    GpaneRunner::Run r = check("missing.gpn");
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains("cannot read the document") && r.err.contains("No such file"),
             qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(m_dir.filePath("missing.gpn")));
    r = GpaneRunner(m_dir.filePath("home")).run({"check"}, m_dir.path());
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.contains("usage: gpane check DOCUMENT"));
}

QTEST_GUILESS_MAIN(GpaneCheckTest)
#include "gpane_check_test.moc"
