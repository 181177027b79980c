#include "support/gpane_runner.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

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
};

void GpaneCheckTest::initTestCase()
{
    QVERIFY2(QFileInfo(GpaneRunner::program()).isExecutable(), "build the gpane target first");
    write("here.html", "<p>");
    QDir().mkpath(m_dir.filePath("slides"));
}

void GpaneCheckTest::findings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("line"); // printed as it stands, after "d.gpn:"
    QTest::addColumn<int>("exitCode");

    QTest::newRow("unknown key, nearest name")
        << QByteArray("[Page1]\nURL=here.html\nTme=20\n")
        << "3: warning: unknown key Tme in [Page1]: it is not read; did you mean Time?" << 0;
    QTest::newRow("unknown option in [Gpane]")
        << QByteArray("[Gpane]\nRandomMod=Yes\n")
        << "2: warning: unknown key RandomMod in [Gpane]: it is not read; did you mean "
           "RandomMode?"
        << 0;
    QTest::newRow("unknown section, nearest name")
        << QByteArray("[Gpane]\n[Pgae1]\nURL=here.html\n")
        << "2: warning: unknown section [Pgae1]: it is not read; did you mean [Page1]?" << 0;
    QTest::newRow("unknown button")
        << QByteArray("[ToolNavBak]\nVisible=No\n")
        << "1: warning: unknown section [ToolNavBak]: it is not read; did you mean "
           "[ToolNavBack]?"
        << 0;
    QTest::newRow("Time without DefaultTime=No")
        << QByteArray("[Gpane]\nDefaultTime=15\n[Page1]\nURL=here.html\nTime=30\n")
        << "5: warning: Time=30 has no effect: the page shows for the document's DefaultTime "
           "(15 s) unless it says DefaultTime=No"
        << 0;
    QTest::newRow("page DefaultTime not a truth word")
        << QByteArray("[Page1]\nURL=here.html\nDefaultTime=Nope\nTime=30\n")
        << "3: error: DefaultTime=Nope is not Yes or No: Yes is used" << 1;
    QTest::newRow("document DefaultTime not a number")
        << QByteArray("[Gpane]\nDefaultTime=Nope\n")
        << "2: error: DefaultTime=Nope is not a number: 10 is used" << 1;
    QTest::newRow("range bound not a number")
        << QByteArray("[Page1]\nURL=cam$$.jpg\nVar1Type=1\nVar1Source=01\nVar1Param=1O\n")
        << "5: error: the range bound Var1Param=1O is not a number: 0 is used" << 1;
    QTest::newRow("option out of range")
        << QByteArray("[Gpane]\nUpdateScheme=9\n")
        << "2: error: UpdateScheme=9 is out of range (0 to 5): 0 is used" << 1;
    QTest::newRow("unknown kind of variable")
        << QByteArray("[Page1]\nURL=here.html\nVar1Type=12\n")
        << "3: error: Var1Type=12 is out of range (0 to 7): 0 is used" << 1;
    QTest::newRow("refused by the document's own lists")
        << QByteArray("[Page1]\nURL=http://127.0.0.1/private/x.html\n"
                      "[Exclude1]\nURL=http://127.0.0.1/private/\n")
        << "2: warning: http://127.0.0.1/private/x.html is refused by the document's include "
           "and exclude lists: the page is never shown"
        << 0;
    QTest::newRow("range partly refused")
        << QByteArray("[Page1]\nURL=http://127.0.0.1/p$$.html\nVar1Type=1\nVar1Source=1\n"
                      "Var1Param=3\n[Exclude1]\nURL=http://127.0.0.1/p3\n")
        << "2: warning: 1 of the 3 addresses of this page are refused by the document's "
           "include and exclude lists"
        << 0;
    QTest::newRow("local file missing")
        << QByteArray("[Page1]\nURL=gone.html\n") << "2: error: file not found: gone.html" << 1;
    QTest::newRow("file address missing")
        << QByteArray("[Gpane]\nHomeURL=file:///nowhere/home.html\n")
        << "2: error: file not found: file:///nowhere/home.html" << 1;
    QTest::newRow("value file missing")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=links.txt\n"
                      "Var1Param=<a href=$$>\n")
        << "4: error: value file not found: links.txt" << 1;
    QTest::newRow("value file in capitals")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\n"
                      "Var1Source=HTTP://127.0.0.1/v.txt\nVar1Param=<$$>\n")
        << "4: error: HTTP://127.0.0.1/v.txt: the page cache takes only addresses that begin "
           "with http:// or https:// in small letters; this one is looked for as a file"
        << 1;
    QTest::newRow("pattern without $$")
        << QByteArray("[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=here.html\n"
                      "Var1Param=<a href=>\n")
        << "5: error: no pattern with $$ in Var1Param: the value file gives no values" << 1;
    QTest::newRow("folder missing") << QByteArray("[Page1]\nURL=$$\nVar1Type=7\nVar1Param=gone\n")
                                    << QString("4: error: folder not found: %1/gone/") << 1;
    QTest::newRow("unknown scheme")
        << QByteArray("[Page1]\nURL=gopher://old.example/\n")
        << "2: error: unknown scheme gopher: in gopher://old.example/: the page cannot be shown"
        << 1;
    QTest::newRow("cached page in capitals")
        << QByteArray("[Page1]\nURL=HTTP://127.0.0.1/b.html\nCached=Yes\n")
        << "3: error: Cached=Yes does nothing for HTTP://127.0.0.1/b.html: the page cache takes "
           "only addresses that begin with http:// or https:// in small letters"
        << 1;
    QTest::newRow("numbered with a gap")
        << QByteArray("[Page1]\nURL=here.html\n[Page3]\nURL=here.html\n")
        << "3: warning: [Page3] comes after [Page1]: the pages are read in file order whatever "
           "their numbers, and the next save numbers them 1, 2, 3..."
        << 0;
    QTest::newRow("section twice")
        << QByteArray("[Page1]\nURL=here.html\n[Page2]\nURL=here.html\n[Page1]\nURL=x.html\n")
        << "5: warning: [Page1] again (first at line 1): the program reads only the first one, "
           "so that page plays twice"
        << 0;
    QTest::newRow("key twice") << QByteArray("[Page1]\nURL=here.html\nURL=other.html\n")
                               << "3: warning: URL again in [Page1]: only the first one (line 2) "
                                  "is read"
                               << 0;
    QTest::newRow("line before any section")
        << QByteArray("HomeURL=here.html\n[Gpane]\n")
        << "1: warning: a line before the first [section] is never read" << 0;
    QTest::newRow("page without URL")
        << QByteArray("[Page1]\nTime=5\nDefaultTime=No\n")
        << "1: warning: [Page1] has no URL: it is no page and is skipped" << 0;
    QTest::newRow("parameters kept in the registry")
        << QByteArray("[Gpane]\nParamsLocation=HKCU\nRandomMode=Yes\n")
        << "3: warning: RandomMode is not read from the document: ParamsLocation=HKCU keeps "
           "the parameters in the registry"
        << 0;
    QTest::newRow("no section at all")
        << QByteArray("<html>a=b</html>\n")
        << "1: warning: no [section] in it: the show writes the built-in default document in "
           "its place (its text kept in a .bak file)"
        << 0;
}

void GpaneCheckTest::findings()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, line);
    QFETCH(int, exitCode);
    write("d.gpn", text);
    const GpaneRunner::Run r = check("d.gpn");
    QCOMPARE(r.status, QProcess::NormalExit);
    const QString expected = "d.gpn:" + (line.contains("%1") ? line.arg(m_dir.path()) : line);
    QVERIFY2(r.out.split('\n').contains(expected), qPrintable(r.out + r.err));
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
    // What the program itself writes, with the files it carries named relatively.
    QTest::newRow("the default document")
        << QByteArray("[Gpane]\nHomeURL=index.html\n\n[Page1]\nURL=$$\nVar1Type=4\n"
                      "Var1SubDirectories=Yes\n\n[Page2]\nURL=glass-pane.html\n");
    QTest::newRow("a saved document")
        << QByteArray("[Gpane]\nHomeURL=about:blank\nAutoLoop=Yes\nDefaultTime=20\n"
                      "[Page1]\nURL=here.html#top\nDefaultTime=No\nTime=5\nCached=No\n"
                      "SeparateProc=Yes\nVar1Type=0\nVar1CaseSensitive=No\n"
                      "Var1SubDirectories=No\n"
                      "[Page2]\nURL=$$\nVar1Type=7\nVar1Param=slides\n"
                      "[Exclude1]\nURL=http://127.0.0.1/private/\n[ToolRunNext]\nVisible=No\n"
                      "[About]\n1=This is a Glasspane / Roamdeck file\n");
}

void GpaneCheckTest::soundDocumentsPrintNothing()
{
    QFETCH(QByteArray, text);
    write("sound.gpn", text);
    const GpaneRunner::Run r = check("sound.gpn");
    QCOMPARE(r.out, QString());
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
