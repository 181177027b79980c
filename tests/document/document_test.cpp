#include "document/document.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/page_variables.h"
#include "document_fixture.h"

#include <QRegularExpression>
#include <QTest>
#include <sys/stat.h>

using namespace glasspane;

class DocumentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagesKeepFileOrder();
    void pageSections_data();
    void pageSections();
    void pageValuesAndDefaults();
    void gpaneValues_data();
    void gpaneValues();
    void includeAndExcludeLists();
    void missingDocumentGetsDefault();
    void emptyGpnReplacedOtherKept_data();
    void emptyGpnReplacedOtherKept();
    void gpnWithoutSectionsIsKeptAsBackup();
    void readOnlyLoadWritesNothing();
    void saveRoundTrip();
    void saveRemovesStaleSections();
    void sectionNameWithCommasIsNoPage();
    void saveKeepsOtherLines();
    void saveKeepsWhatSectionsHold();
    void saveWithRegistryParametersKeepsDocumentValues();
    void saveWithoutChangesWritesNothing();
    void failedSaveIsReported();
    void buttonsWriteOnlyDifferences();
    void buttonsReadBack();
    void loadUpdatesRecentLists();
    void newDocumentResets();
};

void DocumentTest::pagesKeepFileOrder()
{
    DocumentFixture f;
    const QString p = f.write("show.gpn", "[Page3]\nURL=c.html\n\n[Gpane]\nDefaultTime=7\n\n"
                                          "[page1]\nURL=a.html\n");
    QVERIFY(f.load(p));
    QCOMPARE(f.pageUrls(), QStringList({"c.html", "a.html"}));
    QCOMPARE(f.playUrls(), QStringList({"c.html", "a.html"}));
    QCOMPARE(f.doc.PlayList.at(2).SourcePage, 2);
    // The page's Time defaults to the document's DefaultTime.
    QCOMPARE(f.doc.PageList.at(1).Time, 7);

    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    const QString sections = IniFiles::ReadSectionList(p, ",");
    QVERIFY2(!sections.contains("Page3", Qt::CaseInsensitive), qPrintable(sections));
    QCOMPARE(f.ini.ReadIni("Page1", "URL", p), QString("c.html"));
    QCOMPARE(f.ini.ReadIni("Page2", "URL", p), QString("a.html"));

    DocumentFixture again;
    QVERIFY(again.load(p));
    QCOMPARE(again.pageUrls(), QStringList({"c.html", "a.html"}));
}

void DocumentTest::pageSections_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("pages");
    QTest::newRow("blank URL") << QByteArray("[Page1]\nURL=a.html\n[Page2]\nURL=   \n")
                               << QStringList{"a.html"};
    QTest::newRow("no URL") << QByteArray("[Pages]\nTime=3\n[Page1]\nURL=b.html\n")
                            << QStringList{"b.html"};
    QTest::newRow("any name after Page")
        << QByteArray("[Pagebreak]\nURL=x.html\n[PAGE]\nURL=y.html\n")
        << QStringList{"x.html", "y.html"};
    QTest::newRow("trimmed") << QByteArray("[Page1]\nURL=  t.html  \n") << QStringList{"t.html"};
    QTest::newRow("not a page") << QByteArray("[Pag1]\nURL=a.html\n[Gpane]\nURL=b.html\n")
                                << QStringList{};
    // Saved by an editor as "Unicode".
    const QString unicode = QStringLiteral(u"[Gpane]\r\n[Page1]\r\nURL=caf\u00e9.html\r\n");
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE") +
                                   QByteArray(reinterpret_cast<const char*>(unicode.utf16()),
                                              unicode.size() * 2)
                            << QStringList{QStringLiteral(u"caf\u00e9.html")};
    QTest::newRow("UTF-8 with its mark")
        << QByteArray("\xEF\xBB\xBF[Page1]\nURL=caf\xC3\xA9.html\n")
        << QStringList{QStringLiteral(u"caf\u00e9.html")};
}

void DocumentTest::pageSections()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, pages);
    DocumentFixture f;
    QVERIFY(f.load(f.write("d.gpn", text)));
    QCOMPARE(f.pageUrls(), pages);
}

void DocumentTest::pageValuesAndDefaults()
{
    DocumentFixture f;
    QVERIFY(!f.write("res/res.html", "<p>resource</p>").isEmpty());
    const QString p = f.write("d.gpn", "[Gpane]\nDefaultTime=20\n"
                                       "[Page1]\nURL=a.html\nTime=\nVar1CaseSensitive=maybe\n"
                                       "Cached=maybe\nSeparateProc=maybe\n"
                                       "[Page2]\nURL=res.html\nDefaultTime=No\nTime=5\n"
                                       "Var1Type=2\nVar1Source=x|y\nVar1Param=p\n"
                                       "Var1CaseSensitive=yes\nVar1SubDirectories=1\n"
                                       "Cached=Yes\nSeparateProc=No\n"
                                       "[Page3]\nURL=b.html\nVar1Type=70000\n"
                                       "Var1SubDirectories=No\n");
    QVERIFY(f.load(p, false));
    QCOMPARE(f.doc.pageCount(), 3);
    const PageEntry& a = f.doc.PageList.at(1);
    QCOMPARE(a.DefaultTime, true);
    QCOMPARE(a.Time, 20);
    QCOMPARE(a.Var1CaseSensitive, false);
    QCOMPARE(a.Cached, false);
    QCOMPARE(a.SeparateProc, true);
    QVERIFY(a.Var1Source.isNull());

    // Relative paths resolve into the resource folder when the file is there.
    const PageEntry& b = f.doc.PageList.at(2);
    QCOMPARE(b.URL, f.program.resourceFolder + "/res.html");
    QCOMPARE(b.DefaultTime, false);
    QCOMPARE(b.Time, 5);
    QCOMPARE(b.Var1Type, qint16(2));
    QCOMPARE(b.Var1Source, QString("x|y"));
    QCOMPARE(b.Var1Param, QString("p"));
    QVERIFY(b.Var1CaseSensitive);
    QVERIFY(b.Var1SubDirectories);
    QVERIFY(b.Cached);
    QVERIFY(!b.SeparateProc);

    QCOMPARE(f.doc.PageList.at(3).Var1Type, qint16(0)); // out of 16-bit range
    QVERIFY(!f.doc.PageList.at(3).Var1SubDirectories);

    // Without expansion the play list is left as it was.
    QCOMPARE(f.doc.PlayList.size(), 1);
}

void DocumentTest::gpaneValues_data()
{
    QTest::addColumn<QByteArray>("gpane");
    QTest::addColumn<QString>("home");
    QTest::addColumn<bool>("splash");
    QTest::addColumn<bool>("autoHome");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<int>("defaultTime");

    QTest::newRow("absent") << QByteArray() << "about:blank" << false << false << true << 10;
    QTest::newRow("empty home disables splash") << QByteArray("HomeURL=\nHomeAsSplash=Yes\n")
                                                << "about:blank" << false << false << true << 10;
    QTest::newRow("set") << QByteArray("HomeURL= http://h/ \nHomeAsSplash=Yes\nAutoHome=on\n"
                                       "AutoLoop=false\nDefaultTime= 30 \n")
                         << "http://h/" << true << true << false << 30;
    QTest::newRow("unreadable") << QByteArray("DefaultTime=abc\nAutoLoop=maybe\n") << "about:blank"
                                << false << false << true << 10;
}

void DocumentTest::gpaneValues()
{
    QFETCH(QByteArray, gpane);
    QFETCH(QString, home);
    QFETCH(bool, splash);
    QFETCH(bool, autoHome);
    QFETCH(bool, loop);
    QFETCH(int, defaultTime);
    DocumentFixture f;
    QVERIFY(f.load(f.write("d.gpn", "[Gpane]\n" + gpane + "[Page1]\nURL=a.html\n")));
    QCOMPARE(f.doc.HomeURL, home);
    QCOMPARE(f.doc.HomeAsSplash, splash);
    QCOMPARE(f.doc.AutoHome, autoHome);
    QCOMPARE(f.doc.AutoLoop, loop);
    QCOMPARE(f.doc.DefaultTime, defaultTime);
}

void DocumentTest::includeAndExcludeLists()
{
    DocumentFixture f;
    const QString p = f.write("d.gpn", "[Include2]\nURL= http://a/ \n[Include1]\nURL=\n"
                                       "[Exclude9]\nURL=http://a/private/\n[IncludeX]\n"
                                       "URL=http://b/\n[Page1]\nURL=http://a/1\n"
                                       "[Page2]\nURL=http://a/private/2\n");
    QVERIFY(f.load(p));
    QCOMPARE(f.doc.IncludeList, QStringList({"http://a/", "http://b/"}));
    QCOMPARE(f.doc.ExcludeList, QStringList({"http://a/private/"}));
    // Pages without a variable are not filtered here; navigation does that.
    QCOMPARE(f.doc.playCount(), 2);
}

void DocumentTest::missingDocumentGetsDefault()
{
    DocumentFixture f;
    const QString p = f.path("new/folder/show.gpn");
    QVERIFY(f.load(p));
    const QByteArray expected = "[Gpane]\nHomeURL=index.html\n\n"
                                "[Page1]\nURL=$$\nVar1Type=4\nVar1SubDirectories=Yes\n\n"
                                "[Page2]\nURL=glass-pane.html\n\n[Page3]\nURL=link.html\n\n"
                                "[Page4]\nURL=documentation.html\n\n"
                                "[Page5]\nURL=powerpoint.html\n\n";
    QCOMPARE(readFileBytes(p), expected);
    QCOMPARE(f.doc.SectionList, QString("Gpane\nPage1\nPage2\nPage3\nPage4\nPage5\n"));
    QCOMPARE(f.doc.pageCount(), 5);
    QCOMPARE(f.doc.PageList.at(1).Var1Type, qint16(VarFavorites));
    // The favourites folder is empty: the variable page gives no entry.
    QCOMPARE(f.playUrls(), QStringList({"glass-pane.html", "link.html", "documentation.html",
                                        "powerpoint.html"}));
    QCOMPARE(f.busyDepth, 0);
    QVERIFY(f.busyCalls > 0);
}

void DocumentTest::emptyGpnReplacedOtherKept_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<QString>("message"); // the warning the load must give
    QTest::newRow("gpn") << "empty.gpn" << QByteArray() << true << QString();
    QTest::newRow("GPN any case") << "empty.GpN" << QByteArray() << true << QString();
    QTest::newRow("other extension, empty")
        << "empty.ini" << QByteArray() << false << "empty.ini is not a document";
    QTest::newRow("web page passed by mistake")
        << "page.html" << QByteArray("<html><body>a=b</body></html>\n") << false
        << "page.html is not a document";
    QTest::newRow("folder") << "folder.gpn" << QByteArray() << false
                            << "cannot read the document .*folder.gpn \\(it is a folder\\)";
}

void DocumentTest::emptyGpnReplacedOtherKept()
{
    // A file that is not a document is never written, by the load or by anything after it;
    // the show plays the default document and the log says why, once.
    QFETCH(QString, name);
    QFETCH(QByteArray, text);
    QFETCH(bool, replaced);
    QFETCH(QString, message);
    DocumentFixture f;
    const QString p = name == "folder.gpn" ? f.path(name) : f.write(name, text);
    if (name == "folder.gpn")
        QVERIFY(QDir().mkpath(p));
    if (!message.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(message));
    QCOMPARE(f.load(p), name != "folder.gpn");
    QCOMPARE(f.doc.pageCount(), 5);
    // Only a document that opened is offered again.
    QCOMPARE(ReadRecentFiles(f.services).contains(p), replaced);
    QCOMPARE(f.shell.recentDocuments().contains(p), replaced);
    if (replaced) {
        QVERIFY(readFileBytes(p).startsWith("[Gpane]"));
        return;
    }
    QCOMPARE(f.program.documentPath, p);
    QVERIFY(!f.settings.write(keys::FirstPage, 1));
    QVERIFY(!WriteDefaultDocument(f.services, f.doc, p));
    QVERIFY(!SaveDocument(f.services, f.doc, p, p));
    if (name == "folder.gpn")
        QVERIFY(QFileInfo(p).isDir());
    else
        QCOMPARE(readFileBytes(p), text);
    // The show reloads its document at every cycle: the problem is not said again.
    QTest::failOnWarning(QRegularExpression("not a document|cannot read"));
    (void)f.load(p);
    QCOMPARE(f.doc.pageCount(), 5);
}

void DocumentTest::gpnWithoutSectionsIsKeptAsBackup()
{
    DocumentFixture f;
    const QString p = f.write("odd.gpn", "HomeURL=precious\n");
    QVERIFY(f.load(p));
    QCOMPARE(f.doc.pageCount(), 5);
    QCOMPARE(readFileBytes(p + ".bak"), QByteArray("HomeURL=precious\n"));
}

void DocumentTest::readOnlyLoadWritesNothing()
{
    DocumentFixture f;
    LoadOptions options;
    options.mode = LoadMode::ReadOnly;

    const QString missing = f.path("none.gpn");
    QVERIFY(!LoadDocument(f.services, f.doc, missing, missing, options));
    QVERIFY(!QFileInfo::exists(missing));

    const QString empty = f.write("empty.gpn", "");
    QVERIFY(LoadDocument(f.services, f.doc, empty, empty, options));
    QCOMPARE(f.doc.pageCount(), 5); // what the show would load
    QCOMPARE(readFileBytes(empty), QByteArray());
    QCOMPARE(f.program.documentPath, empty);

    QCOMPARE(f.registry.writeCount(), 0);
    QVERIFY(f.shell.recentDocuments().isEmpty());
}

void DocumentTest::saveRoundTrip()
{
    DocumentFixture f;
    const QString p = f.path("round.gpn");
    NewDocument(f.doc);
    f.doc.HomeURL = f.program.resourceFolder + "/index.html";
    f.doc.AutoHome = true;
    f.doc.HomeAsSplash = true;
    f.doc.AutoLoop = false;
    f.doc.DefaultTime = 42;
    PageEntry a;
    a.URL = "http://h/a$$.html";
    a.DefaultTime = false;
    a.Time = 3;
    a.Var1Type = VarList;
    a.Var1Source = "1|2";
    a.Var1Param = ""; // set but empty: written as "Var1Param="
    a.Var1CaseSensitive = true;
    a.Cached = true;
    a.SeparateProc = false;
    PageEntry b;
    b.URL = f.program.startFolder + "local/b.html";
    f.doc.PageList << a << b;
    f.doc.IncludeList = {"http://h/"};
    f.doc.ExcludeList = {"http://h/x"};
    QVERIFY(SaveDocument(f.services, f.doc, p, p));

    QCOMPARE(f.ini.ReadIni("Gpane", "HomeURL", p), QString("index.html"));
    // Relative to the document's own folder, not to the folder the program started in.
    QCOMPARE(f.ini.ReadIni("Page2", "URL", p), QString("start/local/b.html"));
    QCOMPARE(f.ini.ReadIni("About", "1", p), QString("This is a Glasspane / Roamdeck file"));
    QCOMPARE(f.ini.ReadIni("About", "7", p).left(4), QString("    "));
    const QString text = DocumentFixture::text(p);
    QVERIFY2(text.contains("Var1Param=\n"), qPrintable(text));
    // A page without a source has no Var1Source key at all.
    const QString page2 = text.mid(text.indexOf("[Page2]"));
    QVERIFY2(!page2.contains("Var1Source"), qPrintable(page2));
    // Keys in their order.
    QVERIFY(text.indexOf("DefaultTime=No") < text.indexOf("Time=3"));
    QVERIFY(text.indexOf("SeparateProc=No") < text.indexOf("Var1Type=2"));

    DocumentFixture g;
    g.program.resourceFolder = f.program.resourceFolder;
    g.program.startFolder = f.program.startFolder;
    QDir().mkpath(f.program.startFolder + "local");
    QFile(f.program.startFolder + "local/b.html").open(QIODevice::WriteOnly);
    QFile(f.program.resourceFolder + "/index.html").open(QIODevice::WriteOnly);
    QVERIFY(g.load(p, false));
    QCOMPARE(g.doc.HomeURL, f.program.resourceFolder + "/index.html");
    QVERIFY(g.doc.AutoHome);
    QVERIFY(g.doc.HomeAsSplash);
    QVERIFY(!g.doc.AutoLoop);
    QCOMPARE(g.doc.DefaultTime, 42);
    QCOMPARE(g.doc.pageCount(), 2);
    const PageEntry& ra = g.doc.PageList.at(1);
    QCOMPARE(ra.URL, a.URL);
    QCOMPARE(ra.DefaultTime, false);
    QCOMPARE(ra.Time, 3);
    QCOMPARE(ra.Var1Type, qint16(VarList));
    QCOMPARE(ra.Var1Source, a.Var1Source);
    QVERIFY(ra.Var1CaseSensitive);
    QVERIFY(ra.Cached);
    QVERIFY(!ra.SeparateProc);
    QCOMPARE(g.doc.PageList.at(2).URL, b.URL);
    QCOMPARE(g.doc.IncludeList, f.doc.IncludeList);
    QCOMPARE(g.doc.ExcludeList, f.doc.ExcludeList);
}

void DocumentTest::saveRemovesStaleSections()
{
    DocumentFixture f;
    const QString p =
        f.write("d.gpn", "[Gpane]\n[Page1]\nURL=a\n[Page2]\nURL=b\n[Page3]\nURL=c\n[Pagebreak]\n"
                         "URL=d\n[Include1]\nURL=http://i1/\n[Include2]\nURL=http://i2/\n"
                         "[Exclude1]\nURL=http://e1/\n[Exclude2]\nURL=http://e2/\n");
    QVERIFY(f.load(p, false));
    QCOMPARE(f.doc.pageCount(), 4);
    f.doc.PageList.resize(2);
    f.doc.IncludeList = {"http://i2/"};
    f.doc.ExcludeList.clear();
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    QCOMPARE(f.doc.SectionList.count("Page", Qt::CaseInsensitive), 1);

    DocumentFixture g;
    QVERIFY(g.load(p, false));
    QCOMPARE(g.pageUrls(), QStringList({"a"}));
    QCOMPARE(g.doc.IncludeList, QStringList({"http://i2/"}));
    QVERIFY(g.doc.ExcludeList.isEmpty());
}

// A section whose name holds commas is one section, not a list of names: once the pages are
// numbered afresh, ",,Page2" must not read the new [Page2] a second time.
void DocumentTest::sectionNameWithCommasIsNoPage()
{
    DocumentFixture f;
    const QString p = f.write("d.gpn", "[Gpane]\n[Page1]\nURL=a\n[,,Page2]\nURL=x\n[Page3]\nURL=c\n"
                                       "[Include1,Include2]\nURL=http://i/\n");
    QVERIFY(f.load(p, false));
    QCOMPARE(f.pageUrls(), QStringList({"a", "c"}));
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    DocumentFixture g;
    QVERIFY(g.load(p, false));
    QCOMPARE(g.pageUrls(), QStringList({"a", "c"}));
    QCOMPARE(g.doc.IncludeList, f.doc.IncludeList);
}

void DocumentTest::saveKeepsOtherLines()
{
    DocumentFixture f;
    const QString p = f.write("d.gpn", "; kept comment\n[Custom]\nMine=1\n[Gpane]\nOther=2\n"
                                       "[Page1]\nURL=a\n");
    QVERIFY(f.load(p, false));
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    const QString text = DocumentFixture::text(p);
    QVERIFY(text.startsWith("; kept comment\n[Custom]\nMine=1\n"));
    QCOMPARE(f.ini.ReadIni("Gpane", "Other", p), QString("2"));
}

void DocumentTest::saveKeepsWhatSectionsHold()
{
    // Comments and keys this program does not know travel with their page, include or exclude
    // entry when the lists are reordered, shortened or given new entries.
    DocumentFixture f;
    const QString p = f.write("d.gpn", "[Gpane]\n\n"
                                       "; the welcome screen\n[Page1]\nURL=welcome.html\n"
                                       "Owner=front desk\n\n"
                                       "[Page2]\nURL=menu.html\n; lunch only\nNote=daily\n\n"
                                       "[Page3]\nURL=gone.html\nMine=x\n\n"
                                       "[Include1]\n; the intranet\nURL=http://intra/\n\n"
                                       "[Exclude1]\nURL=http://intra/hr/\nWhy=private\n\n"
                                       "[ToolNavBack]\nVisible=No\n");
    QVERIFY(f.load(p, false));
    QCOMPARE(f.doc.pageCount(), 3);
    // Menu first, welcome second, the third page dropped, a new one at the end.
    PageEntry added;
    added.URL = QStringLiteral("new.html");
    f.doc.PageList = {f.doc.PageList.at(0), f.doc.PageList.at(2), f.doc.PageList.at(1), added};
    f.doc.IncludeList = {"http://new/", "http://intra/"};
    QVERIFY(SaveDocument(f.services, f.doc, p, p));

    auto section = [&](const QString& name) {
        const QString text = DocumentFixture::text(p);
        const qsizetype at = text.indexOf(QLatin1Char('[') + name + QLatin1Char(']'));
        const qsizetype end = text.indexOf(QLatin1String("\n["), at + 1);
        return at < 0 ? QString() : text.mid(at, end < 0 ? -1 : end - at);
    };
    QVERIFY2(section("Page1").contains("URL=menu.html\n; lunch only\nNote=daily\n"),
             qPrintable(section("Page1")));
    QVERIFY2(section("Page2").contains("URL=welcome.html\nOwner=front desk\n"),
             qPrintable(section("Page2")));
    QVERIFY(section("Page3").startsWith("[Page3]\nURL=new.html\n"));
    QVERIFY(!DocumentFixture::text(p).contains("Mine=x"));
    QVERIFY(DocumentFixture::text(p).contains(
        "[Include1]\nURL=http://new/\n\n[Include2]\n; the intranet\n"));
    QVERIFY(DocumentFixture::text(p).contains("; the welcome screen\n[Page2]\nURL=welcome.html\n"));
    QVERIFY2(section("Include2").contains("; the intranet\nURL=http://intra/\n"),
             qPrintable(section("Include2")));
    QVERIFY(section("Exclude1").contains("Why=private\n"));
    QVERIFY(section("ToolNavBack").contains("Visible=No"));

    // Read again, the pages come in the saved order; a second save changes nothing.
    DocumentFixture g;
    QVERIFY(g.load(p, false));
    QCOMPARE(g.pageUrls(), QStringList({"menu.html", "welcome.html", "new.html"}));
    QCOMPARE(g.doc.IncludeList, QStringList({"http://new/", "http://intra/"}));
    const QByteArray once = readFileBytes(p);
    QVERIFY(SaveDocument(g.services, g.doc, p, p));
    QCOMPARE(readFileBytes(p), once);
}

void DocumentTest::saveWithRegistryParametersKeepsDocumentValues()
{
    DocumentFixture f;
    const QString p = f.write("d.gpn", "[Gpane]\nParamsLocation=HKCU\nHomeURL=http://old/\n"
                                       "[Page1]\nURL=a\n");
    QVERIFY(f.load(p, false));
    QCOMPARE(f.settings.ParamsLocation(), SettingsLocation::HKCU);
    f.doc.HomeURL = "http://new/";
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    QCOMPARE(f.registry.string(RegRoot::CurrentUser, f.program.userKeyPath, "HomeURL"),
             QString("http://new/"));

    DocumentFixture g;
    QVERIFY(g.load(p, false));
    QCOMPARE(g.doc.HomeURL, QString("http://new/"));
}

// A save that changes nothing leaves the file alone: the same file, not a copy of it.
void DocumentTest::saveWithoutChangesWritesNothing()
{
    DocumentFixture f;
    const QString p = f.write("kept.gpn", "; by hand\r\n[Gpane]\r\nAutoLoop=No\r\n\r\n"
                                          "[Page1]\r\nURL=http://a/\r\n");
    QVERIFY(f.load(p, false));
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    const QByteArray saved = readFileBytes(p);
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(p).constData(), &before), 0);
    QVERIFY(f.load(p, false));
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(p).constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(readFileBytes(p), saved);
}

void DocumentTest::failedSaveIsReported()
{
    DocumentFixture f;
    const QString blocker = f.write("blocker", "a file, not a folder");
    const QString p = blocker + "/d.gpn";
    PageEntry a;
    a.URL = "a";
    f.doc.PageList << a;
    // The log says why.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot write .*d.gpn \\(.+\\)"));
    QVERIFY(!SaveDocument(f.services, f.doc, p, p));
    QCOMPARE(readFileBytes(blocker), QByteArray("a file, not a folder"));
    QCOMPARE(f.busyDepth, 0);
}

void DocumentTest::buttonsWriteOnlyDifferences()
{
    DocumentFixture f;
    const QString p = f.write("d.gpn", "[Page1]\nURL=a\n");
    QVERIFY(f.load(p, false));
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    QVERIFY2(!f.doc.SectionList.contains("Tool"), qPrintable(f.doc.SectionList));

    f.doc.ToolRunButtons[ToolRunNext].Visible = false;
    f.doc.ToolNavURLVisible = false;
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    QCOMPARE(f.ini.ReadIni("ToolRunNext", "Visible", p), QString("No"));
    QCOMPARE(f.ini.ReadIni("ToolNavURL", "Visible", p), QString("No"));
    const QString text = DocumentFixture::text(p);
    const qsizetype at = text.indexOf("[ToolRunNext]");
    const QString section = text.mid(at, text.indexOf('[', at + 1) - at);
    QCOMPARE(section.trimmed(), QString("[ToolRunNext]\nVisible=No"));

    // Back to the built-in state: the stored values go, and nothing is read again.
    f.doc.ToolRunButtons[ToolRunNext].Visible = true;
    f.doc.ToolNavURLVisible = true;
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    QVERIFY(f.ini.ReadIni("ToolRunNext", "Visible", p).isEmpty());
    QVERIFY(f.ini.ReadIni("ToolNavURL", "Visible", p).isEmpty());
}

void DocumentTest::buttonsReadBack()
{
    DocumentFixture f;
    QFile(f.program.resourceFolder + "/my.gif").open(QIODevice::WriteOnly);
    const QString p = f.path("d.gpn");
    NewDocument(f.doc);
    ToolButton& back = f.doc.ToolNavButtons[ToolNavBack];
    back.HelpTip = "Go back";
    back.Icon = f.program.resourceFolder + "/my.gif";
    back.Position = 5;
    QVERIFY(SaveDocument(f.services, f.doc, p, p));
    QCOMPARE(f.ini.ReadIni("ToolNavBack", "Icon", p), QString("my.gif"));
    QCOMPARE(f.ini.ReadIni("ToolNavBack", "Position", p), QString("5"));

    DocumentFixture g;
    g.program.resourceFolder = f.program.resourceFolder;
    QVERIFY(g.load(p, false));
    const ToolButton& b = g.doc.ToolNavButtons.at(ToolNavBack);
    QCOMPARE(b.HelpTip, QString("Go back"));
    QCOMPARE(b.Icon, f.program.resourceFolder + "/my.gif");
    QVERIFY(b.IconDown.isEmpty());
    QCOMPARE(b.Position, qint16(5));
    QCOMPARE(b.Index, qint16(ToolNavBack));
    QCOMPARE(g.doc.ToolNavButtons.at(ToolNavPrint).Name, QString("Print"));
    QCOMPARE(g.doc.ToolRunButtons.size(), 8);
    QCOMPARE(g.doc.ToolNavButtons.size(), 11);
}

void DocumentTest::loadUpdatesRecentLists()
{
    DocumentFixture f;
    const QString p = f.write("d.gpn", "[Page1]\nURL=a\n");
    QVERIFY(LoadDocument(f.services, f.doc, p, "http://h/show.gpn"));
    QVERIFY(f.load(p));
    QCOMPARE(ReadRecentFiles(f.services), QStringList({p, "http://h/show.gpn"}));
    // Web addresses stay out of the desktop's recent files.
    QCOMPARE(f.shell.recentDocuments(), QStringList({p}));
}

void DocumentTest::newDocumentResets()
{
    DocumentFixture f;
    QVERIFY(f.load(f.write("d.gpn", "[Gpane]\nDefaultTime=3\nAutoLoop=No\n[Page1]\nURL=a\n"
                                    "[Include1]\nURL=x\n")));
    f.doc.ConfigChanged = true;
    NewDocument(f.doc);
    QCOMPARE(f.doc.pageCount(), 0);
    QCOMPARE(f.doc.playCount(), 0);
    QVERIFY(f.doc.IncludeList.isEmpty());
    QCOMPARE(f.doc.DefaultTime, 10);
    QVERIFY(f.doc.AutoLoop);
    QVERIFY(f.doc.HomeURL.isEmpty());
    QVERIFY(!f.doc.ConfigChanged);
}

QTEST_GUILESS_MAIN(DocumentTest)
#include "document_test.moc"
