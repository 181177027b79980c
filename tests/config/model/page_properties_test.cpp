// The properties dialog's and the page list editor's values without the dialogs: how the boxes
// become a page entry and back, the range limit, the cached copy's name, and the page list as
// text.

#include "config/model/page_list_text.h"
#include "config/model/page_properties.h"
#include "document/page_cache.h"
#include "document/page_variables.h"

#include <QTest>

using namespace glasspane;

class PagePropertiesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valueListKept_data();
    void valueListKept();
    void patternsRoundTrip();
    void placeholderForEmptyAddress_data();
    void placeholderForEmptyAddress();
    void kindsKeepTheirFields();
    void rangeLimit_data();
    void rangeLimit();
    void cachedFileText();
    void pageListEdited();
    void displayCaption_data();
    void displayCaption();
};

void PagePropertiesTest::valueListKept_data()
{
    QTest::addColumn<QString>("lines");
    QTest::addColumn<QString>("source");
    QTest::newRow("empty third line") << "a\nb\n"
                                      << "a|b|";
    // "|||" loses one "|" in the single pass: an empty value stays between a and b.
    QTest::newRow("three line breaks") << "a\n\n\nb"
                                       << "a||b";
    QTest::newRow("two line breaks") << "a\n\nb"
                                     << "a|b";
    QTest::newRow("one value") << "x"
                               << "x";
}

void PagePropertiesTest::valueListKept()
{
    QFETCH(QString, lines);
    QFETCH(QString, source);
    PageEntry page;
    PagePropsForm form = LoadPageProps(page);
    form.URL = QStringLiteral("http://a/$$");
    form.Var1Type = VarList;
    form.SourceList = lines;
    KeepPageProps(page, form);
    QCOMPARE(page.Var1Source, source);
    QCOMPARE(page.Var1Type, qint16(VarList));
    // Shown again one value a line.
    QCOMPARE(LoadPageProps(page).SourceList, QString(source).replace(u'|', u'\n'));
}

void PagePropertiesTest::patternsRoundTrip()
{
    PageEntry page;
    page.Var1Type = VarFile;
    page.Var1Source = QStringLiteral("http://values.example/list.html");
    page.Var1Param = QStringLiteral("<td>$$</td>|{Pipe}$${Pipe}");
    PagePropsForm form = LoadPageProps(page);
    QCOMPARE(form.ParamFile, QStringLiteral("<td>$$</td>\n|$$|"));
    QCOMPARE(form.SourceFile, page.Var1Source);

    form.ParamFile += QStringLiteral("\na|b$$");
    form.CaseSensitive = true;
    KeepPageProps(page, form);
    QCOMPARE(page.Var1Param, QStringLiteral("<td>$$</td>|{Pipe}$${Pipe}|a{Pipe}b$$"));
    QVERIFY(page.Var1CaseSensitive);
    // The stored patterns still find what they found.
    QCOMPARE(ParsePatterns(page.Var1Param).size(), 3);
    QCOMPARE(ParsePatterns(page.Var1Param).at(1).prefix, QStringLiteral("|"));
    QCOMPARE(LoadPageProps(page).ParamFile, form.ParamFile);
}

void PagePropertiesTest::placeholderForEmptyAddress_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("kept");
    QTest::newRow("range, empty") << int(VarRange) << ""
                                  << "$$";
    QTest::newRow("list, empty") << int(VarList) << ""
                                 << "$$";
    QTest::newRow("no variable, empty") << int(VarNone) << ""
                                        << "";
    QTest::newRow("range, address") << int(VarRange) << "http://a/"
                                    << "http://a/";
}

void PagePropertiesTest::placeholderForEmptyAddress()
{
    QFETCH(int, type);
    QFETCH(QString, url);
    QFETCH(QString, kept);
    PageEntry page;
    PagePropsForm form = LoadPageProps(page);
    form.URL = url;
    form.Var1Type = type;
    form.SourceFrom = QStringLiteral("1");
    form.SourceTo = QStringLiteral("3");
    KeepPageProps(page, form);
    QCOMPARE(page.URL, kept);
}

void PagePropertiesTest::kindsKeepTheirFields()
{
    // A range page: its bounds in the two boxes, the time as typed.
    PageEntry page;
    page.Var1Type = VarRange;
    page.Var1Source = QStringLiteral("01");
    page.Var1Param = QStringLiteral("12");
    page.Var1CaseSensitive = true;
    PagePropsForm form = LoadPageProps(page);
    QCOMPARE(form.SourceFrom, QStringLiteral("01"));
    QCOMPARE(form.SourceTo, QStringLiteral("12"));
    QVERIFY(form.SourceList.isEmpty() && form.SourceFile.isEmpty());
    form.Time = QStringLiteral("abc");
    form.DefaultTime = false;
    KeepPageProps(page, form);
    QCOMPARE(page.Time, 0);
    QVERIFY(!page.DefaultTime);
    QVERIFY(page.Var1CaseSensitive); // not a field of ranges: left as it was

    // Kinds 6 and 7 have no item in the list: the page keeps its kind. The folder shown is the
    // one the show takes (the parameter before the source), and a new one typed there is the
    // one the show takes next.
    PageEntry folder;
    folder.Var1Type = VarHtmlFiles;
    folder.Var1Source = QStringLiteral("/old/source");
    folder.Var1Param = QStringLiteral("/srv/pages");
    folder.Var1SubDirectories = true;
    form = LoadPageProps(folder);
    QCOMPARE(form.Var1Type, int(VarHtmlFiles));
    QCOMPARE(form.SourceFile, QStringLiteral("/srv/pages"));
    QVERIFY(form.SubDirectories);
    form.SourceFile = QStringLiteral("/srv/other");
    KeepPageProps(folder, form);
    QCOMPARE(folder.Var1Type, qint16(VarHtmlFiles));
    QCOMPARE(folder.Var1Source, QStringLiteral("/srv/other"));
    QCOMPARE(folder.Var1Param, QStringLiteral("/srv/other"));
    QVERIFY(folder.Var1SubDirectories);
    QCOMPARE(folder.URL, QStringLiteral("$$"));
}

void PagePropertiesTest::rangeLimit_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("1..10001") << "1"
                              << "10001" << true;
    QTest::newRow("0..10001") << "0"
                              << "10001" << false;
    QTest::newRow("empty..10001") << ""
                                  << "10001" << false;
    QTest::newRow("letters..10000") << "abc"
                                    << "10000" << true;
    QTest::newRow("downwards") << "20000"
                               << "9999" << false;
    QTest::newRow("both empty") << ""
                                << "" << true;
    QTest::newRow("negative") << "-5000"
                              << "5000" << true;
}

void PagePropertiesTest::rangeLimit()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, allowed);
    QCOMPARE(RangeSpanAllowed(from, to), allowed);
}

void PagePropertiesTest::cachedFileText()
{
    const QString url = QStringLiteral("http://news.example/today.html");
    QCOMPARE(CachedFileText(QStringLiteral("/home/k/.cache/glasspane"), url),
             QStringLiteral("/home/k/.cache/glasspane/\n") + CacheFileName(url));
    QVERIFY(CacheFileName(url).endsWith(QLatin1String(".html")));
    QCOMPARE(CachedFileText(QStringLiteral("/c/"), QString()), QString());
    QCOMPARE(CachedFileText(QStringLiteral("/c/"), QStringLiteral("/srv/page.html")), QString());
}

void PagePropertiesTest::pageListEdited()
{
    PageEntry a;
    a.URL = QStringLiteral("http://a.example/");
    a.Time = 42;
    a.DefaultTime = false;
    PageEntry b;
    b.URL = QStringLiteral("http://b.example/$$");
    b.Var1Type = VarList;
    b.Var1Source = QStringLiteral("1|2|");
    PageEntry empty; // an inserted page without an address
    const QVector<PageEntry> old{a, empty, b};
    QCOMPARE(PageListText(old), QStringLiteral("http://a.example/\nhttp://b.example/$$\n"));

    // a dropped, b kept, a line typed twice, one in other letters, blank lines.
    const QVector<PageEntry> pages =
        PagesFromText(QStringLiteral("http://b.example/$$\n\n   \nhttp://B.example/$$\r\n"
                                     "http://new.example/\nhttp://b.example/$$"),
                      old, 25);
    QCOMPARE(pages.size(), 4);
    QCOMPARE(pages.at(0).Var1Source, b.Var1Source);
    QCOMPARE(pages.at(0).Var1Type, qint16(VarList));
    QCOMPARE(pages.at(1).URL, QStringLiteral("http://B.example/$$"));
    QCOMPARE(pages.at(1).Var1Type, qint16(VarNone)); // other letters: a new page
    QCOMPARE(pages.at(1).Time, 25);
    QVERIFY(pages.at(1).DefaultTime && pages.at(1).SeparateProc && !pages.at(1).Cached);
    QCOMPARE(pages.at(2).URL, QStringLiteral("http://new.example/"));
    QCOMPARE(pages.at(3).Var1Source, b.Var1Source); // both copies of b keep its values
}

void PagePropertiesTest::displayCaption_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("caption");
    QTest::newRow("none") << 0 << "&Display page list - 0 line";
    QTest::newRow("one") << 1 << "&Display page list - 1 line";
    QTest::newRow("two") << 2 << "&Display page list - 2 lines";
    QTest::newRow("twelve") << 12 << "&Display page list - 12 lines";
}

void PagePropertiesTest::displayCaption()
{
    QFETCH(int, count);
    QFETCH(QString, caption);
    QCOMPARE(DisplayPageListCaption(count), caption);
}

QTEST_GUILESS_MAIN(PagePropertiesTest)
#include "page_properties_test.moc"
