#include "document/document.h"
#include "document/page_variables.h"
#include "document_fixture.h"
#include "support/test_files.h"

#include <QRegularExpression>
#include <QTest>
#include <QUrl>

using namespace glasspane;

namespace {

PageEntry page(const QString& url, qint16 kind, const QString& source = QString(),
               const QString& param = QString())
{
    PageEntry p;
    p.URL = url;
    p.Var1Type = kind;
    p.Var1Source = source;
    p.Var1Param = param;
    return p;
}

struct Expansion
{
    QVector<PageEntry> pages{PageEntry()};
    QVector<PlayEntry> play{PlayEntry()};
    QStringList include;
    QStringList exclude;
    ExpansionContext context;

    QStringList run()
    {
        ExpandPageList(pages, play, include, exclude, context);
        QStringList urls;
        for (int i = 1; i < play.size(); ++i)
            urls.append(play.at(i).URL);
        return urls;
    }
};

void writeShortcut(const QString& path, const QString& url)
{
    QVERIFY(writeFileBytes(path, "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n"));
}

void touch(const QString& path)
{
    QVERIFY(writeFileBytes(path, QByteArray()));
}

} // namespace

class PageVariablesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placeholders_data();
    void placeholders();
    void ranges_data();
    void ranges();
    void hugeRangeIsCut();
    void listsAppendPlaceholder();
    void entriesCarryPageValues();
    void varSubstOff();
    void noPlaceholderForKindsWithoutValues();
    void filteredValues();
    void valueFileScan_data();
    void valueFileScan();
    void addressesWithoutControlCharacters();
    void valueFileThroughFetcherAndDocument();
    void valueFileLocalDefault();
    void folderKinds();
    void folderFromSourceWhenParamEmpty();
    void linkLoopsEnd();
    void favoritesFolder();
};

void PageVariablesTest::placeholders_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("ensured");
    QTest::addColumn<QString>("placeholder");
    QTest::newRow("none") << "page.html"
                          << "page.html$$"
                          << "";
    QTest::newRow("one") << "a$b"
                         << "a$b$"
                         << "";
    QTest::newRow("empty") << "cam$$.jpg"
                           << "cam$$.jpg"
                           << "$$";
    QTest::newRow("named") << "p$id$/$id$.html"
                           << "p$id$/$id$.html"
                           << "$id$";
}

void PageVariablesTest::placeholders()
{
    QFETCH(QString, url);
    QFETCH(QString, ensured);
    QFETCH(QString, placeholder);
    const PageEntry p = page(url, VarList);
    QCOMPARE(EnsurePlaceholder(p), ensured);
    QCOMPARE(PlaceholderOf(p), placeholder);
    QCOMPARE(ReplaceAll("a$$b$$", "$$", "x"), QString("axbx"));
    QCOMPARE(ReplaceAll("", "$$", "x"), QString(""));
    QCOMPARE(ReplaceAll("ab", "", "x"), QString("ab"));
}

void PageVariablesTest::ranges_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QStringList>("values");
    QTest::newRow("zero filled") << "01"
                                 << "03" << QStringList{"01", "02", "03"};
    QTest::newRow("reverse") << "12"
                             << "10" << QStringList{"12", "11", "10"};
    QTest::newRow("longer than start") << "9"
                                       << "11" << QStringList{"9", "10", "11"};
    QTest::newRow("blanks count") << " 8"
                                  << "9" << QStringList{"08", "09"};
    QTest::newRow("negative") << "-01"
                              << "001" << QStringList{"-01", "000", "001"};
    QTest::newRow("unreadable is 0") << "x"
                                     << "1" << QStringList{"0", "1"};
    QTest::newRow("single") << "5"
                            << "5" << QStringList{"5"};
}

void PageVariablesTest::ranges()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QStringList, values);
    PageEntry p = page("$$", VarRange, start, end);
    QCOMPARE(GetVariableValues(p, ExpansionContext()), values);

    Expansion e;
    e.pages << page("C:\\Cams\\cam$$.jpg", VarRange, "01", "12");
    const QStringList urls = e.run();
    QCOMPARE(urls.size(), 12);
    QCOMPARE(urls.first(), QString("C:\\Cams\\cam01.jpg"));
    QCOMPARE(urls.last(), QString("C:\\Cams\\cam12.jpg"));
}

void PageVariablesTest::hugeRangeIsCut()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("only the first 100000 are used"));
    Expansion e;
    e.pages << page("p$$", VarRange, "0", "2000000000") << page("last", VarNone);
    const QStringList urls = e.run();
    QCOMPARE(urls.size(), kMaxValuesPerPage + 1);
    QCOMPARE(urls.at(kMaxValuesPerPage - 1), QString("p99999"));
    QCOMPARE(urls.last(), QString("last"));
}

void PageVariablesTest::listsAppendPlaceholder()
{
    Expansion e;
    e.pages << page("page$n$.html", VarList, "a|b|c") << page("page.html", VarList, "a|b|c|")
            << page("x$$", VarList, "a||b") << page("empty$$", VarList, "");
    QCOMPARE(e.run(), QStringList({"pagea.html", "pageb.html", "pagec.html", "page.htmla",
                                   "page.htmlb", "page.htmlc", "xa", "x", "xb"}));
    // The placeholder stays in the page list (and so is saved with the document).
    QCOMPARE(e.pages.at(2).URL, QString("page.html$$"));
}

void PageVariablesTest::entriesCarryPageValues()
{
    Expansion e;
    PageEntry a = page("a$$", VarList, "1|2");
    a.DefaultTime = false;
    a.Time = 7;
    a.Cached = true;
    a.SeparateProc = false;
    e.pages << page("first", VarNone) << a;
    e.play[0].URL = "the document";
    e.run();
    QCOMPARE(e.play.size(), 4);
    QCOMPARE(e.play.at(0).URL, QString("the document"));
    for (int i : {2, 3}) {
        const PlayEntry& p = e.play.at(i);
        QCOMPARE(p.SourcePage, 2);
        QCOMPARE(p.DefaultTime, false);
        QCOMPARE(p.Time, 7);
        QVERIFY(p.Cached);
        QVERIFY(!p.SeparateProc);
    }
    QCOMPARE(e.play.at(1).SourcePage, 1);
    // A second expansion starts afresh.
    e.run();
    QCOMPARE(e.play.size(), 4);
}

void PageVariablesTest::varSubstOff()
{
    Expansion e;
    e.context.VarSubst = false;
    e.pages << page("cam$$.jpg", VarRange, "1", "3") << page("page.html", VarList, "a|b");
    QCOMPARE(e.run(), QStringList({"cam$$.jpg", "page.html"}));
    QCOMPARE(e.pages.at(2).URL, QString("page.html"));
}

void PageVariablesTest::noPlaceholderForKindsWithoutValues()
{
    Expansion e;
    e.pages << page("/usr/bin/player", VarInvisible) << page("x.html", 9);
    QCOMPARE(e.run(), QStringList({"/usr/bin/player", "x.html"}));
    QCOMPARE(e.pages.at(1).URL, QString("/usr/bin/player"));
}

void PageVariablesTest::filteredValues()
{
    Expansion e;
    e.include = {"http://ok/"};
    e.exclude = {"http://ok/2"};
    e.pages << page("http://ok/$$", VarList, "1|2|3") << page("http://no/$$", VarList, "1|2")
            << page("http://fixed/", VarNone);
    // Every value of the second page is forbidden: it gives no entry at all.
    QCOMPARE(e.run(), QStringList({"http://ok/1", "http://ok/3", "http://fixed/"}));
    QCOMPARE(e.play.at(3).SourcePage, 3);
}

void PageVariablesTest::valueFileScan_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("values");

    QTest::newRow("repeats dropped") << "<a href=x1> <a href=x2> <a href=x1>"
                                     << "<a href=$$>" << false << QStringList{"x1", "x2"};
    QTest::newRow("pipe") << "a|one|b|two|"
                          << "{Pipe}$${Pipe}" << false << QStringList{"one", "two"};
    QTest::newRow("case ignored") << "<A HREF=X>"
                                  << "<a href=$$>" << false << QStringList{"X"};
    QTest::newRow("case sensitive") << "<A HREF=X><a href=y>"
                                    << "<a href=$$>" << true << QStringList{"y"};
    QTest::newRow("earliest pattern wins")
        << "[b:1] (a:2) [b:3]"
        << "(a:$$)|[b:$$]" << false << QStringList{"1", "2", "3"};
    QTest::newRow("tie goes to the earlier pattern")
        << "<x>1</x>"
        << "<x>$$</x>|<$$>" << false << QStringList{"1"};
    // The end of the text ends the last value as a line end would.
    QTest::newRow("empty suffix ends at next prefix")
        << "id=1;id=2;id=3"
        << "id=$$" << false << QStringList{"1;", "2;", "3"};
    QTest::newRow("empty prefix") << "a,b,c"
                                  << "$$," << false << QStringList{"a", "b", "c"};
    QTest::newRow("without marker ignored") << "<a>1</a>"
                                            << "<a>|<a>$$</a>" << false << QStringList{"1"};
    QTest::newRow("bare marker ignored") << "abc"
                                         << "$$" << false << QStringList{};
    QTest::newRow("unterminated") << "<a>1</a><a>2"
                                  << "<a>$$</a>" << false << QStringList{"1", "2"};
    // A value ends at every kind of line end: a CSV gives one value per row, and no line end
    // reaches an address.
    QTest::newRow("CSV rows, CR LF") << "label,101\r\nlabel,102\r\n"
                                     << "label,$$" << false << QStringList{"101", "102"};
    QTest::newRow("every line end")
        << QString::fromUtf16(u"v=1\rv=2\nv=3\r\nv=4\u2028v=5\u0085v=6\u000Cv=7\u2029v=8\u000Bv=9")
        << "v=$$" << false << QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9"};
    QTest::newRow("line end before the suffix") << "<td>1\n2</td><td>3</td>"
                                                << "<td>$$</td>" << false << QStringList{"1", "3"};
    QTest::newRow("nothing after the prefix") << "id=\r\nid=5\r\nid="
                                              << "id=$$" << false << QStringList{"5"};
    QTest::newRow("empty prefix, rows") << "a\r\n\r\nb,c\n"
                                        << "$$," << false << QStringList{"a", "b", "c"};
    QTest::newRow("two patterns, rows") << "x:1\r\ny:2\r\n"
                                        << "y:$$|x:$$" << false << QStringList{"1", "2"};
    QTest::newRow("empty value") << "<a></a><a>x</a>"
                                 << "<a>$$</a>" << false << QStringList{"", "x"};
    QTest::newRow("other pattern continues after a dead one")
        << "(1) [2] (3)"
        << "[$$]|($$)" << false << QStringList{"1", "2", "3"};
    QTest::newRow("empty text") << ""
                                << "<a>$$</a>" << false << QStringList{};
    // Characters that share a byte with the searched one, in either half, are not it.
    QTest::newRow("lookalike bytes") << QString::fromUtf16(u"\u013C1> \u3C61<2> \u3C3C<3>")
                                     << "<$$>" << false << QStringList{"2", "3"};
    QTest::newRow("letter beyond ASCII folding onto one")
        << QString::fromUtf16(u"<\u212A>1</k>") << "<k>$$</k>" << false << QStringList{"1"};
    QTest::newRow("pattern of letters only") << "xABvCDx ab w cd"
                                             << "ab$$cd" << false << QStringList{"v", " w "};
    QTest::newRow("letters beyond ASCII, any case")
        << QString::fromUtf16(u"\u00C9x\u00E9 \u00E9y\u00C9")
        << QString::fromUtf16(u"\u00E9$$\u00E9") << false << QStringList{"x", "y"};
    QTest::newRow("beyond ASCII, case-sensitive")
        << QString::fromUtf16(u"\u00ABa\u00BB \u00ABb\u00BB")
        << QString::fromUtf16(u"\u00AB$$\u00BB") << true << QStringList{"a", "b"};
    QTest::newRow("pattern at the very end") << "..<a>1</a>"
                                             << "<a>$$</a>" << true << QStringList{"1"};
}

void PageVariablesTest::valueFileScan()
{
    QFETCH(QString, text);
    QFETCH(QString, patterns);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, values);
    QCOMPARE(ScanValueFile(text, ParsePatterns(patterns), caseSensitive), values);
}

void PageVariablesTest::addressesWithoutControlCharacters()
{
    // Whatever a document or a value gives, an address holds no control character: it would
    // reach the browser encoded (%09) and the log as a line of its own.
    Expansion e;
    e.pages << page("http://h/?v=$$", VarList, QString::fromUtf16(u"a\tb|c\u001B[31m|d\u0085"))
            << page(QStringLiteral("http://h/\x7Fx\ty"), VarNone);
    QCOMPARE(e.run(),
             QStringList({"http://h/?v=ab", "http://h/?v=c[31m", "http://h/?v=d", "http://h/xy"}));
}

void PageVariablesTest::valueFileThroughFetcherAndDocument()
{
    DocumentFixture f;
    QStringList fetched;
    f.services.fetchValueFile = [&](PageEntry& entry, const QString& source) {
        fetched << source;
        entry.LocalFile = "/cache/x";
        return QStringLiteral("<a href=x1>, <a href=x2>, <a href=x1>");
    };
    const QString p =
        f.write("d.gpn", "[Page1]\nURL=http://h/$$\nVar1Type=3\nVar1Source=http://h/list.html\n"
                         "Var1Param=<a href=$$>\n");
    QVERIFY(f.load(p));
    QCOMPARE(fetched, QStringList({"http://h/list.html"}));
    QCOMPARE(f.playUrls(), QStringList({"http://h/x1", "http://h/x2"}));
    QCOMPARE(f.doc.PageList.at(1).LocalFile, QString("/cache/x"));
}

void PageVariablesTest::valueFileLocalDefault()
{
    DocumentFixture f;
    f.write("values.txt", "v=1;\nv=2;\n");
    const QString p = f.write("d.gpn", "[Page1]\nURL=u$$\nVar1Type=3\nVar1Source=values.txt\n"
                                       "Var1Param=v=$$;\n"
                                       "[Page2]\nURL=w$$\nVar1Type=3\nVar1Source=missing.txt\n"
                                       "Var1Param=v=$$;\n");
    // Relative value files are found beside the document.
    QVERIFY(f.load(p));
    QCOMPARE(f.playUrls(), QStringList({"u1", "u2"}));

    // A file address is decoded as a document's file address is.
    f.write("my values/v.txt", "v=3;\n");
    const QString q =
        f.write("e.gpn", "[Page1]\nURL=u$$\nVar1Type=3\nVar1Source=" +
                             QUrl::fromLocalFile(f.path("my values/v.txt")).toEncoded() +
                             "\nVar1Param=v=$$;\n");
    QVERIFY(f.load(q));
    QCOMPARE(f.playUrls(), QStringList({"u3"}));

    Expansion e;
    e.pages << page("u$$", VarFile, "file://" + f.path("values.txt"), "v=$$;");
    QCOMPARE(e.run(), QStringList({"u1", "u2"}));
}

void PageVariablesTest::folderKinds()
{
    DocumentFixture f;
    const QString root = f.path("links");
    writeShortcut(root + "/a.url", "http://a/");
    writeShortcut(root + "/B.URL", "http://b/");
    writeShortcut(root + "/sub/c.url", "http://c/");
    writeShortcut(root + "/sub/deeper/d.url", "http://d/");
    writeShortcut(root + "/empty.url", "");
    touch(root + "/notes.txt");
    touch(root + "/p.htm");
    touch(root + "/q.html");
    touch(root + "/r.htmlx");
    touch(root + "/sub/s.HTML");

    auto sorted = [](QStringList l) {
        l.sort();
        return l;
    };
    QCOMPARE(sorted(CollectFiles(root, "*.url", false, true)),
             QStringList({"http://a/", "http://b/"}));
    const QStringList deep = CollectFiles(root, "*.url", true, true);
    QCOMPARE(deep.size(), 4);
    // Breadth-first: a folder's own files before those of its subfolders.
    QCOMPARE(deep.last(), QString("http://d/"));
    QCOMPARE(sorted(CollectFiles(root, "*.htm?", false, false)),
             QStringList({root + "/p.htm", root + "/q.html"}));
    QCOMPARE(CollectFiles(root + "/sub\\", "*.htm?", false, false),
             QStringList({root + "/sub/s.HTML"}));
    QVERIFY(CollectFiles(f.path("missing"), "*.url", true, true).isEmpty());

    Expansion e;
    PageEntry shortcuts = page("$$", VarShortcuts, QString(), root);
    shortcuts.Var1SubDirectories = true;
    e.pages << shortcuts << page("$$", VarHtmlFiles, QString(), root + "/sub");
    const QStringList urls = e.run();
    QCOMPARE(urls.size(), 5);
    QCOMPARE(urls.last(), root + "/sub/s.HTML");
}

void PageVariablesTest::folderFromSourceWhenParamEmpty()
{
    DocumentFixture f;
    writeShortcut(f.path("src/a.url"), "http://a/");
    writeShortcut(f.path("param/b.url"), "http://b/");
    Expansion e;
    e.pages << page("$$", VarShortcuts, f.path("src"), "")
            << page("$$", VarShortcuts, f.path("src"), f.path("param"));
    QCOMPARE(e.run(), QStringList({"http://a/", "http://b/"}));
}

void PageVariablesTest::linkLoopsEnd()
{
    DocumentFixture f;
    writeShortcut(f.path("tree/a/x.url"), "http://x/");
    QVERIFY(QFile::link(f.path("tree"), f.path("tree/a/loop")));
    const QStringList urls = CollectFiles(f.path("tree"), "*.url", true, true);
    QCOMPARE(urls, QStringList({"http://x/"}));
}

void PageVariablesTest::favoritesFolder()
{
    DocumentFixture f;
    const QString shellFavorites = f.shell.folder(Shell::Folder::Favorites);
    QCOMPARE(FavoritesFolder(f.registry, f.shell), shellFavorites + "/");
    f.registry.setString(RegRoot::CurrentUser,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                         "Favorites", f.path("myfavs"));
    QCOMPARE(FavoritesFolder(f.registry, f.shell), f.path("myfavs") + "/");

    writeShortcut(f.path("myfavs/news/n.url"), "http://news/");
    writeShortcut(f.path("myfavs/top.url"), "http://top/");
    // The default document's first page walks the favourites with their subfolders.
    QVERIFY(f.load(f.path("default.gpn")));
    QCOMPARE(f.playUrls().mid(0, 2), QStringList({"http://top/", "http://news/"}));
    QCOMPARE(f.doc.playCount(), 6);
}

QTEST_GUILESS_MAIN(PageVariablesTest)
#include "page_variables_test.moc"
