#include "document/page_cache.h"
#include "support/gpane_runner.h"
#include "support/http_test_server.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using glasspane::GpaneRunner;
using Run = GpaneRunner::Run;

// The built gpane, run as an administrator would run it.
class GpanePlaylistTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_gpane;
    QString m_home; // HOME and the XDG folders of the runs: must stay empty

    QString write(const QString& name, const QByteArray& text)
    {
        const QString p = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        return p;
    }

    Run run(const QStringList& arguments)
    {
        return GpaneRunner(m_home).run(QStringList{"playlist"} + arguments, m_dir.path());
    }

    QStringList filesUnderHome() const { return GpaneRunner(m_home).filesUnderHome(); }

private Q_SLOTS:
    void initTestCase();
    void usageErrors_data();
    void usageErrors();
    void listsEntries();
    void emptyDocumentShowsDefaultPages();
    void defaultDocument();
    void valueFilesAndFilters();
    void valueFilesAsTheShowFetchesThem();
    void hugeRangeIsCut();
    void refusedPagesAreLeftOut();
    void windowsSpellings_data();
    void windowsSpellings();
    void bigDocumentGoldenOutput();
    void oddInputsDoNotCrash_data();
    void oddInputsDoNotCrash();
};

void GpanePlaylistTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_gpane = GpaneRunner::program();
    QVERIFY2(QFileInfo(m_gpane).isExecutable(), qPrintable(m_gpane + " is not built"));
    m_home = m_dir.filePath("home");
    QDir().mkpath(m_home);
}

void GpanePlaylistTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no document") << QStringList{} << "usage";
    QTest::newRow("two documents") << QStringList{"a.gpn", "b.gpn"} << "usage";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "usage";
    QTest::newRow("missing") << QStringList{"missing.gpn"} << "missing.gpn";
    QTest::newRow("folder") << QStringList{"."} << "cannot read";
}

void GpanePlaylistTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run r = run(arguments);
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(m_dir.filePath("missing.gpn")));
}

void GpanePlaylistTest::listsEntries()
{
    const QByteArray text = "[Gpane]\nDefaultTime=15\nParamsLocation=HKCU\n"
                            "[Page1]\nURL=http://h/cam$$.jpg\nVar1Type=1\nVar1Source=01\n"
                            "Var1Param=03\nCached=Yes\n"
                            "[Page2]\nURL=http://h/b.html\nDefaultTime=No\nTime=5\n"
                            "SeparateProc=No\n"
                            "[Page3]\nURL=/usr/bin/player\nVar1Type=5\n"
                            "[Page4]\nURL=http://h/talk.pptx?v=2\nCached=Yes\n"
                            "[Page5]\nURL=http://h/board.php#/2\nCached=Yes\n";
    const QString doc = write("show.gpn", text);
    const Run r = run({doc});
    QCOMPARE(r.exitCode, 0);
    // Only a copy the browser cannot show goes to a separate program: not a picture or a page.
    QCOMPARE(r.out, QString("15\tC\thttp://h/cam01.jpg\n"
                            "15\tC\thttp://h/cam02.jpg\n"
                            "15\tC\thttp://h/cam03.jpg\n"
                            "5\t-\thttp://h/b.html\n"
                            "15\tH\t/usr/bin/player\n"
                            "15\tCS\thttp://h/talk.pptx?v=2\n"
                            "15\tC\thttp://h/board.php#/2\n"));
    // Nothing written: not the document, not the settings, not the recent files.
    QFile f(doc);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), text);
    QCOMPARE(filesUnderHome(), QStringList());

    // A relative path and a file address name the same document.
    QCOMPARE(run({"show.gpn"}).out, r.out);
    QCOMPARE(run({"file://" + doc}).out, r.out);
}

void GpanePlaylistTest::emptyDocumentShowsDefaultPages()
{
    const QString doc = write("empty.gpn", "");
    const Run r = run({doc});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("10\t-\tglass-pane.html\n10\t-\tlink.html\n"
                            "10\t-\tdocumentation.html\n10\t-\tpowerpoint.html\n"));
    QCOMPARE(QFileInfo(doc).size(), 0);
    QCOMPARE(filesUnderHome(), QStringList());
}

void GpanePlaylistTest::defaultDocument()
{
    const Run r = run({"--default"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.endsWith("10\t-\tglass-pane.html\n10\t-\tlink.html\n"
                            "10\t-\tdocumentation.html\n10\t-\tpowerpoint.html\n"),
             qPrintable(r.out));
    QCOMPARE(filesUnderHome(), QStringList());
}

void GpanePlaylistTest::valueFilesAndFilters()
{
    write("links.html", "<a href=x1> <a href=x2> <A HREF=x1> <a href=secret>");
    const QString doc =
        write("values.gpn", "[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=links.html\n"
                            "Var1Param=<a href=$$>\n[Exclude1]\nURL=http://h/secret\n"
                            "[Page2]\nURL=http://h/$$\nVar1Type=2\nVar1Source=secret\n");
    const Run r = run({doc});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("10\t-\thttp://h/x1\n10\t-\thttp://h/x2\n"));
}

void GpanePlaylistTest::valueFilesAsTheShowFetchesThem()
{
    // The listing uses the page cache and the update policy as the show does, and writes
    // nothing: with the policy off-line the cached copy gives the values and the server is
    // not asked; on-line the server's newer copy does, and the cache is left as it was.
    glasspane::HttpTestServer server;
    server.setPage("/values.txt", "<fresh>");
    const QString address = server.url("/values.txt");
    const QString cached = m_home + "/cache/glasspane/" + glasspane::CacheFileName(address);
    QDir().mkpath(QFileInfo(cached).absolutePath());
    {
        QFile f(cached);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<kept>");
    }
    auto document = [&](int scheme, const QString& source) {
        return write("cache.gpn", QStringLiteral("[Gpane]\nUpdateScheme=%1\n"
                                                 "[Page1]\nURL=http://h/$$\nVar1Type=3\n"
                                                 "Var1Source=%2\nVar1Param=<$$>\n")
                                      .arg(scheme)
                                      .arg(source)
                                      .toUtf8());
    };

    Run r = run({document(1, address)});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("10\t-\thttp://h/kept\n"));
    QCOMPARE(server.requestCount("/values.txt"), 0);

    r = run({document(0, address)});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("10\t-\thttp://h/fresh\n"));
    QCOMPARE(server.requestCount("/values.txt"), 1);

    // "HTTP://" in capitals is no web address to the show's cache: it reads no values there,
    // and neither does the listing.
    r = run({document(0, QString(address).replace("http://", "HTTP://"))});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString());
    QCOMPARE(server.requestCount("/values.txt"), 1);

    QFile f(cached);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("<kept>"));
    QCOMPARE(filesUnderHome(), QStringList{cached});
    QVERIFY(f.remove());
}

void GpanePlaylistTest::hugeRangeIsCut()
{
    const QString doc =
        write("huge.gpn", "[Page1]\nURL=p$$\nVar1Type=1\nVar1Source=0\nVar1Param=2000000000\n");
    const Run r = run({doc});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.count('\n'), 100000);
    QVERIFY(r.out.endsWith("10\t-\tp99999\n"));
    QVERIFY2(r.err.contains("100000"), qPrintable(r.err));
}

// The show refuses a page whose address the document's lists forbid, or from which the browser
// loads nothing, when its turn comes: the listing leaves it out, and --all shows it marked R.
void GpanePlaylistTest::refusedPagesAreLeftOut()
{
    const QString doc =
        write("refused.gpn", "[Page1]\nURL=http://127.0.0.1/a.html\n"
                             "[Page2]\nURL=http://127.0.0.1/private/b.html\nCached=Yes\n"
                             "[Page3]\nURL=127.0.0.1/c.html\n"
                             "[Page4]\nURL=http://other.example/d.html\n"
                             "[Page5]\nURL=gopher://127.0.0.1/e\n"
                             "[Include1]\nURL=http://127.0.0.1/\n"
                             "[Exclude1]\nURL=http://127.0.0.1/private/\n");
    Run r = run({doc});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("10\t-\thttp://127.0.0.1/a.html\n10\t-\t127.0.0.1/c.html\n"));
    r = run({"--all", doc});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("10\t-\thttp://127.0.0.1/a.html\n"
                            "10\tCR\thttp://127.0.0.1/private/b.html\n"
                            "10\t-\t127.0.0.1/c.html\n"
                            "10\tR\thttp://other.example/d.html\n"
                            "10\tR\tgopher://127.0.0.1/e\n"));
}

// Documents spelled as only Windows tools take them: the show plays what Windows would play.
void GpanePlaylistTest::windowsSpellings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("listing");
    QTest::newRow("blanks inside the brackets")
        << QByteArray("[ Page1 ]\r\nURL=http://h/1\r\n[Page2 ]\r\nURL=http://h/2\r\n"
                      "[\tPage4]\r\nURL=http://h/4\r\n")
        << "10\t-\thttp://h/1\n10\t-\thttp://h/2\n10\t-\thttp://h/4\n";
    QTest::newRow("exclude and include sections with blanks")
        << QByteArray("[Page1]\r\nURL=http://h/a\r\n[Page2]\r\nURL=http://h/x/b\r\n"
                      "[Page3]\r\nURL=http://g/c\r\n[ Exclude1 ]\r\nURL=http://h/x/\r\n"
                      "[ Include1 ]\r\nURL=http://h/\r\n")
        << "10\t-\thttp://h/a\n";
    QTest::newRow("a key without = hides the address")
        << QByteArray("[Page1]\r\nURL\r\nURL=http://h/x\r\n[Page2]\r\nURL=http://h/y\r\n")
        << "10\t-\thttp://h/y\n";
    QTest::newRow("[ without ] is a line of the page above")
        << QByteArray("[Page1]\r\nURL=http://h/one\r\n[Page2\r\nURL=http://h/two\r\n")
        << "10\t-\thttp://h/one\n";
    QTest::newRow("lone CR line ends")
        << QByteArray("[Gpane]\rDefaultTime=20\r[Page1]\rURL=http://h/a\r[Page2]\rURL=http://h/b\r")
        << "20\t-\thttp://h/a\n20\t-\thttp://h/b\n";
    QTest::newRow("a stray CR") << QByteArray(
                                       "[Page1]\r\nURL=http://h/x\rTime=5\r\nDefaultTime=No\r\n")
                                << "5\t-\thttp://h/x\n";
    QTest::newRow("Ctrl-Z after a value")
        << QByteArray("[Page1]\r\nURL=http://h/a\x1a\r\nTime=5\x1a\r\nDefaultTime=No\r\n")
        << "5\t-\thttp://h/a\n";
    QTest::newRow("a NUL ends the value")
        << QByteArray("[Page1]\r\nURL=http://h/a\0junk\r\n", 29) << "10\t-\thttp://h/a\n";
    QTest::newRow("names to the last ]")
        << QByteArray("[Page2] ; note [x\r\nURL=http://h/2\r\n[Page3]]\r\nURL=http://h/3\r\n")
        << "10\t-\thttp://h/2\n10\t-\thttp://h/3\n";
    QTest::newRow("sections without a name")
        << QByteArray("[Gpane]\r\n[ ]\r\nURL=http://h/blank\r\n[]\r\nURL=http://h/empty\r\n") << "";
    QTest::newRow("no-break space kept in a value")
        << QByteArray("[Page1]\r\nURL=http://h/$$\r\nVar1Type=2\r\nVar1Source=\xC2\xA0"
                      "a\r\n")
        << "10\t-\thttp://h/\u00a0a\n";
    QTest::newRow("UTF-8 without a byte-order mark")
        << QByteArray("[Page1]\r\nURL=http://h/caf\xC3\xA9\r\n") << "10\t-\thttp://h/caf\u00e9\n";
}

void GpanePlaylistTest::windowsSpellings()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, listing);
    const Run r = run({write("spelled.gpn", text)});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, listing);
}

// A large document that holds, many times over, every form the reader meets: sections and keys
// in any case and spacing, duplicates, comments, quoted and blank values, unreadable numbers,
// each kind of page variable that needs no files, include and exclude prefixes, text beyond
// ASCII, tabs, LF and CRLF line ends. Its listing was recorded once; any change to how
// documents are read or expanded shows here as a different digest.
static QByteArray bigDocument()
{
    QByteArray text =
        "; made for the play-list test\r\nstray=line outside any section\r\n"
        "[Gpane]\r\nDefaultTime=12\r\nHomeURL=http://h/home.html\r\n\r\n"
        "[Include1]\r\nURL=http://h/\r\n[include2]\r\nURL= http://\xC3\xA9.example/ \r\n"
        "[Exclude1]\r\nURL=http://h/private/\r\n[EXCLUDE2]\r\nURL=\r\n";
    const char* const sections[] = {"Page%1", "page%1", " PAGE%1 ", "Pagebreak%1", "Page%1 x"};
    const char* const truths[] = {"Yes", "no", " ON ", "maybe", "", "-1", "FALSE", "0"};
    const char* const times[] = {"5", "abc", "12.6", "", " 7 ", "-3", "99999999999", "0"};
    for (int i = 1; i <= 3000; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray eol = i % 7 == 0 ? "\n" : "\r\n";
        auto line = [&](const QByteArray& l) { text += l + eol; };
        line("[" + QString::fromLatin1(sections[i % 5]).arg(i).toLatin1() + "]");
        if (i % 11 == 0)
            line(";URL=http://h/commented" + n);
        QByteArray url = "http://h/p" + n + ".html";
        switch (i % 13) {
        case 0:
            url = "http://h/private/p" + n;
            break;
        case 1:
            url = "http://other/p" + n;
            break;
        case 2:
            url = "\"http://h/quoted " + n + " \"";
            break;
        case 3:
            url = "  ";
            break;
        case 4:
            url = "http://\xC3\xA9.example/\xE2\x82\xAC" + n;
            break;
        case 5:
            url = "http://h/tab\there" + n;
            break;
        default:
            break;
        }
        line((i % 3 == 0 ? "url" : i % 3 == 1 ? "URL" : " Url ") + QByteArray("=") + url);
        if (i % 17 == 0)
            line("URL=http://h/second" + n);
        line("DefaultTime=" + QByteArray(truths[i % 8]));
        line("Time=" + QByteArray(times[(i / 8) % 8]));
        line("Cached=" + QByteArray(truths[(i / 3) % 8]));
        line("SeparateProc=" + QByteArray(truths[(i / 5) % 8]));
        switch (i % 9) {
        case 0:
            line("Var1Type=1");
            line("Var1Source=0" + QByteArray::number(i % 4));
            line("Var1Param=" + QByteArray::number(i % 4 + 2));
            break;
        case 1:
            line("Var1Type=2");
            line("Var1Source=a" + n + "|b||private/c|");
            break;
        case 2:
            line("Var1Type=5");
            break;
        case 3:
            line("Var1Type=9");
            break;
        case 4:
            line("Var1Type=1");
            line("Var1Source=" + QByteArray::number(i % 5 + 3));
            line("Var1Param=1");
            break;
        default:
            break;
        }
        line("Var1CaseSensitive=" + QByteArray(truths[i % 8]));
        if (i % 5 == 0)
            line("");
    }
    // A later section of an earlier name adds nothing of its own: its name reads the first.
    text += "[Page10]\r\nURL=http://h/duplicate\r\n[Pages]\r\nTime=3\r\n";
    return text;
}

void GpanePlaylistTest::bigDocumentGoldenOutput()
{
    const Run r = run({write("big.gpn", bigDocument())});
    QCOMPARE(r.exitCode, 0);
    const QByteArray out = r.out.toUtf8();
    const QByteArray digest = QCryptographicHash::hash(out, QCryptographicHash::Sha256).toHex();
    const QByteArray recorded = "b99d9cf01d1d84e498891b1bff53a60ac227ffdbb43e5a8ea46e48a5f18f5673";
    if (digest != recorded) {
        const QString saved = m_dir.filePath("big.out");
        QFile f(saved);
        if (f.open(QIODevice::WriteOnly))
            f.write(out);
        qWarning("listing in %s, %lld lines, digest %s", qPrintable(saved),
                 qlonglong(out.count('\n')), digest.constData());
        // Kept for a look when the digest differs.
        m_dir.setAutoRemove(false);
    }
    QCOMPARE(out.count('\n'), 4625);
    // (The tab of "tab\there" never reaches an address: the show asks for "tabhere".)
    QCOMPARE(digest, recorded);
}

void GpanePlaylistTest::oddInputsDoNotCrash_data()
{
    QTest::addColumn<QByteArray>("text");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += char((i * 7919) % 256);
    QTest::newRow("binary") << binary;
    QTest::newRow("only brackets") << QByteArray("[\n]\n[[]]\n[Page1\nURL=x\n[]\n");
    QTest::newRow("endless dollars") << QByteArray("[Page1]\nURL=$\nVar1Type=2\nVar1Source=|||\n"
                                                   "[Page2]\nURL=$$$$\nVar1Type=3\n"
                                                   "Var1Param=$$|$$$$|{Pipe}\n");
    QTest::newRow("bad numbers") << QByteArray(
        "[Gpane]\nDefaultTime=99999999999999\n[Page1]\nURL=a\nTime=-5\n"
        "Var1Type=-1\n[Page2]\nURL=b$$\nVar1Type=1\nVar1Source=-2147483648\n"
        "Var1Param=2147483647\n");
    QTest::newRow("long line") << (QByteArray("[Page1]\nURL=") + QByteArray(200000, 'x') + "\n");
}

void GpanePlaylistTest::oddInputsDoNotCrash()
{
    QFETCH(QByteArray, text);
    const Run r = run({write("odd.gpn", text)});
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 0);
}

QTEST_GUILESS_MAIN(GpanePlaylistTest)
#include "gpane_playlist_test.moc"
