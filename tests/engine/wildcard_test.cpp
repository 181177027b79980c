// The wildcard patterns that find the browser's page window.

#include "engine/wildcard.h"

#include <QTest>

using namespace glasspane;

class WildcardTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void match_data();
    void match();
    void patternList();
    void longTextsStayFast();
};

void WildcardTest::match_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    QTest::newRow("literal") << "Internet Explorer_Server"
                             << "Internet Explorer_Server" << true;
    QTest::newRow("whole text only") << "Internet"
                                     << "Internet Explorer_Server" << false;
    QTest::newRow("case-sensitive") << "abc"
                                    << "ABC" << false;
    QTest::newRow("star") << "Internet*"
                          << "Internet Explorer_Server" << true;
    QTest::newRow("star matches nothing") << "a*b"
                                          << "ab" << true;
    QTest::newRow("stars inside") << "*Explorer*Server"
                                  << "Internet Explorer_Server" << true;
    QTest::newRow("star backtracks") << "*ab*abc"
                                     << "xxabyyababc" << true;
    QTest::newRow("star fails") << "*abd"
                                << "abcabc" << false;
    QTest::newRow("only star, empty text") << "*"
                                           << "" << true;
    QTest::newRow("empty pattern, empty text") << ""
                                               << "" << true;
    QTest::newRow("empty pattern") << ""
                                   << "x" << false;
    QTest::newRow("question mark") << "a?c"
                                   << "abc" << true;
    QTest::newRow("question mark needs one") << "a?c"
                                             << "ac" << false;
    QTest::newRow("hash is a digit") << "Page #"
                                     << "Page 7" << true;
    QTest::newRow("hash is not a letter") << "Page #"
                                          << "Page x" << false;
    QTest::newRow("list") << "[abc]x"
                          << "bx" << true;
    QTest::newRow("list misses") << "[abc]x"
                                 << "dx" << false;
    QTest::newRow("range") << "[a-f]1"
                           << "e1" << true;
    QTest::newRow("range misses") << "[a-f]1"
                                  << "g1" << false;
    QTest::newRow("negated list") << "[!0-9]z"
                                  << "az" << true;
    QTest::newRow("negated list misses") << "[!0-9]z"
                                         << "5z" << false;
    QTest::newRow("dash at the end is literal") << "[a-]"
                                                << "-" << true;
    QTest::newRow("special characters in a list") << "[*?#]"
                                                  << "?" << true;
    QTest::newRow("bracketed bracket") << "[[]x"
                                       << "[x" << true;
    QTest::newRow("unclosed bracket is literal") << "[ab"
                                                 << "[ab" << true;
    QTest::newRow("closing bracket alone is literal") << "a]"
                                                      << "a]" << true;
    QTest::newRow("star and list") << "*[0-9]"
                                   << "window12" << true;
    QTest::newRow("non-Latin") << "Fenêtre ?"
                               << "Fenêtre é" << true;
}

void WildcardTest::match()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(WildcardMatch(text, pattern), matches);
}

void WildcardTest::patternList()
{
    QCOMPARE(ParsePatternList(QString()).size(), 0);
    QCOMPARE(ParsePatternList(QStringLiteral("Internet Explorer_Server,")).size(), 1);
    const auto patterns = ParsePatternList(QStringLiteral("a*,,b?,"));
    QCOMPARE(patterns.size(), 2);
    QCOMPARE(patterns[1].pattern(), QStringLiteral("b?"));
}

void WildcardTest::longTextsStayFast()
{
    // Many stars against a long text that almost matches: no exponential backtracking.
    const QString text = QString(20000, u'a');
    const WildcardPattern pattern(QStringLiteral("*a*a*a*a*a*a*a*a*b"));
    QVERIFY(!pattern.matches(text));
}

QTEST_GUILESS_MAIN(WildcardTest)
#include "wildcard_test.moc"
