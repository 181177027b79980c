#include "document/text.h"

#include <QBuffer>
#include <QTest>

using namespace glasspane;

class TextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toBool_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("blanks around yes") << " yes " << false << true;
        QTest::newRow("Y is no word") << "Y" << true << true;
        QTest::newRow("empty") << "" << false << false;
        QTest::newRow("-1") << "-1" << false << true;
        QTest::newRow("On") << "On" << false << true;
        QTest::newRow("TRUE") << "TRUE" << false << true;
        QTest::newRow("1") << "1" << false << true;
        QTest::newRow("0") << "0" << true << false;
        QTest::newRow("off") << "off" << true << false;
        QTest::newRow("No tab") << "\tNo" << true << false;
        QTest::newRow("False") << "False" << true << false;
        QTest::newRow("2 is no word") << "2" << false << false;
        QTest::newRow("yess") << "yess" << true << true;
    }
    void toBool()
    {
        QFETCH(QString, text);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        QCOMPARE(ToBool(text, defaultValue), expected);
        QCOMPARE(IsTrueWord(text) || IsFalseWord(text), ToBool(text, true) == ToBool(text, false));
    }

    void boolText()
    {
        QCOMPARE(BoolText(true), QStringLiteral("Yes"));
        QCOMPARE(BoolText(false), QStringLiteral("No"));
        QVERIFY(ToBool(BoolText(true), false));
        QVERIFY(!ToBool(BoolText(false), true));
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("defaultValue");
        QTest::addColumn<int>("asInt");
        QTest::addColumn<qint64>("asLong");
        QTest::newRow("plain") << "42" << 5 << 42 << qint64(42);
        QTest::newRow("blanks") << "  -17 " << 5 << -17 << qint64(-17);
        QTest::newRow("beyond 16 bits") << "70000" << 5 << 5 << qint64(70000);
        QTest::newRow("fraction up") << "12.6" << 0 << 13 << qint64(13);
        QTest::newRow("fraction down") << "12.4" << 0 << 12 << qint64(12);
        QTest::newRow("negative fraction") << "-2.5" << 0 << -3 << qint64(-3);
        QTest::newRow("letters") << "abc" << 7 << 7 << qint64(7);
        QTest::newRow("number then letters") << "12abc" << 7 << 7 << qint64(7);
        QTest::newRow("leading zeros") << "0012" << 0 << 12 << qint64(12);
        QTest::newRow("minus alone") << "-" << 4 << 4 << qint64(4);
        QTest::newRow("empty") << "" << 9 << 9 << qint64(9);
        QTest::newRow("blank") << "   " << 9 << 9 << qint64(9);
        QTest::newRow("16-bit max") << "32767" << 0 << 32767 << qint64(32767);
        QTest::newRow("16-bit max rounds over") << "32767.5" << 1 << 1 << qint64(32768);
        QTest::newRow("16-bit min") << "-32768" << 0 << -32768 << qint64(-32768);
        QTest::newRow("32-bit max") << "2147483647" << 1 << 1 << qint64(2147483647);
        QTest::newRow("beyond 32 bits") << "2147483648" << 1 << 1 << qint64(1);
        QTest::newRow("32-bit min") << "-2147483648" << 1 << 1 << qint64(-2147483648LL);
        QTest::newRow("infinity") << "inf" << 3 << 3 << qint64(3);
        QTest::newRow("not a number") << "nan" << 3 << 3 << qint64(3);
    }
    void numbers()
    {
        QFETCH(QString, text);
        QFETCH(int, defaultValue);
        QFETCH(int, asInt);
        QFETCH(qint64, asLong);
        QCOMPARE(int(ToInt(text, qint16(defaultValue))), asInt);
        QCOMPARE(qint64(ToLong(text, defaultValue)), asLong);
    }

    void tokenWalk_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("empty item") << "a,,b"
                                    << "," << QStringList{"a", "", "b"};
        QTest::newRow("trailing separator") << "Gpane,Page1,Page2,"
                                            << "," << QStringList{"Gpane", "Page1", "Page2"};
        QTest::newRow("one item") << "x"
                                  << "," << QStringList{"x"};
        QTest::newRow("only separator") << ","
                                        << "," << QStringList{""};
        QTest::newRow("long separator") << "a||b||"
                                        << "||" << QStringList{"a", "b"};
        QTest::newRow("empty list") << ""
                                    << "," << QStringList{};
        QTest::newRow("empty separator") << "a,b"
                                         << "" << QStringList{};
    }
    void tokenWalk()
    {
        QFETCH(QString, list);
        QFETCH(QString, separator);
        QFETCH(QStringList, items);

        QString work;
        int position = -1;
        TokenStart(list, separator, work, position);
        QStringList walked;
        for (QString item = TokenNext(work, position, separator); item != separator;
             item = TokenNext(work, position, separator))
            walked << item;
        QCOMPARE(walked, items);
        QCOMPARE(position, 0);
        // The walk stays ended.
        QCOMPARE(TokenNext(work, position, separator), separator);

        QCOMPARE(TokenCount(list, separator), items.size());
        for (int n = 1; n <= items.size(); ++n)
            QCOMPARE(TokenAt(list, n, separator), items[n - 1]);
        QCOMPARE(TokenAt(list, int(items.size()) + 1, separator), QString());
        QCOMPARE(TokenAt(list, 0, separator), QString());
    }

    void lastIndexOf()
    {
        QCOMPARE(LastIndexOf("a.b.gpn", "."), 4);
        QCOMPARE(LastIndexOf("abc", "."), 0);
        QCOMPARE(LastIndexOf("abcabc", "bc"), 5);
        QCOMPARE(LastIndexOf("abc", ""), 0);
    }

    void indexOutsideQuotes_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("part");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << 1 << "ab cd"
                               << " " << 3;
        QTest::newRow("inside quotes skipped") << 1 << "\"a b\" c"
                                               << " " << 6;
        QTest::newRow("from start") << 4 << "a b c"
                                    << " " << 4;
        QTest::newRow("none outside") << 1 << "\"a b\""
                                      << " " << 0;
        QTest::newRow("case-sensitive") << 1 << "aXbx"
                                        << "x" << 4;
        QTest::newRow("part at the very end") << 1 << "ab,"
                                              << "," << 3;
        QTest::newRow("unclosed quote") << 1 << "\"a b c"
                                        << " " << 0;
    }
    void indexOutsideQuotes()
    {
        QFETCH(int, start);
        QFETCH(QString, text);
        QFETCH(QString, part);
        QFETCH(int, expected);
        QCOMPARE(IndexOutsideQuotes(start, text, part, QLatin1Char('"')), expected);
    }

    void commandLineItem_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("quoted program and argument")
            << "\"/opt/my browser/run\" -nohome \"%1\""
            << QStringList{"\"/opt/my browser/run\"", "-nohome", "\"%1\""};
        QTest::newRow("plain words") << "a b  c" << QStringList{"a", "b", "", "c"};
        QTest::newRow("unclosed quote runs to the end")
            << "x \"my doc.gpn" << QStringList{"x", "\"my doc.gpn"};
    }
    void commandLineItem()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, items);
        for (int n = 1; n <= items.size(); ++n)
            QCOMPARE(CommandLineItem(line, n), items[n - 1]);
        QCOMPARE(CommandLineItem(line, int(items.size()) + 1), QString());
        QCOMPARE(StripQuotes(CommandLineItem(line, 1)), StripQuotes(items[0]));
    }

    void stripQuotes()
    {
        QCOMPARE(StripQuotes("\"a b\""), QStringLiteral("a b"));
        QCOMPARE(StripQuotes("\"a b"), QStringLiteral("\"a b"));
        QCOMPARE(StripQuotes("\""), QStringLiteral("\""));
        QCOMPARE(StripQuotes("'a'"), QStringLiteral("'a'"));
    }

    void decoding()
    {
        // Valid UTF-8, with and without a byte-order mark.
        QCOMPARE(DecodeText("caf\xC3\xA9"), QStringLiteral(u"café"));
        QCOMPARE(DecodeText("\xEF\xBB\xBF"
                            "caf\xC3\xA9"),
                 QStringLiteral(u"café"));
        // Not UTF-8: Windows-1252, including the bytes 0x80 to 0x9F.
        QCOMPARE(DecodeText("caf\xE9 \x80 \x93q\x94"), QStringLiteral(u"café € “q”"));

        // Every byte survives the round trip, undefined ones included.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QByteArray back;
        QVERIFY(EncodeWindows1252(DecodeWindows1252(all), back));
        QCOMPARE(back, all);
        QVERIFY(!EncodeWindows1252(QStringLiteral(u"ł"), back));
        QVERIFY(!EncodeWindows1252(QString(QChar(0x80)), back));
    }

    // A file kept in Windows-1252 is written so that it reads back as the same text: when its
    // bytes would also read as UTF-8 (its other non-ASCII characters gone, "Ã©" is C3 A9, "é" in
    // UTF-8), it becomes UTF-8.
    void encodingReadsBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("staysWindows1252");
        QTest::newRow("plain ASCII") << QStringLiteral("[A]\r\nx=1\r\n") << true;
        QTest::newRow("a byte UTF-8 lacks") << QStringLiteral(u"x=café\r\n") << true;
        QTest::newRow("pairs that read as UTF-8") << QStringLiteral(u"x=PrÐ«c Ã©\r\n") << false;
        QTest::newRow("a character the code page lacks") << QStringLiteral(u"x=ł\r\n") << false;
    }
    void encodingReadsBack()
    {
        QFETCH(QString, text);
        QFETCH(bool, staysWindows1252);
        TextFormat format{TextEncoding::Windows1252, false};
        const QByteArray bytes = EncodeTextFile(text, format);
        QCOMPARE(DecodeText(bytes), text);
        QCOMPARE(format.encoding == TextEncoding::Windows1252, staysWindows1252);
    }

    // Text files read line by line: every line ends in CR LF, and the text is what decoding the
    // whole file gives. Lines of ASCII and lines of other characters are decoded apart, so the
    // cases mix them, and put what makes a file Windows-1252 after lines that read as UTF-8.
    void decodeTextLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray many(3000, '\n');
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("line ends of each kind") << QByteArray("a\nb\r\nc\rd\r\r\n\ne");
        QTest::newRow("only line ends, many") << many;
        QTest::newRow("UTF-8 among ASCII lines")
            << QByteArray("x\ncaf\xC3\xA9\n\xF0\x9F\x98\x80\ny");
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                       "a\nb");
        QTest::newRow("two marks at the start") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF"
                                                              "a");
        QTest::newRow("mark at the start of a later line") << QByteArray("a\n\xEF\xBB\xBF"
                                                                         "b\n");
        QTest::newRow("Windows-1252 after UTF-8 lines")
            << many + QByteArray("caf\xC3\xA9\n\xE9t\xE9\n");
        QTest::newRow("character cut at a line end") << QByteArray("ok\n\xC3\nA\n");
        QTest::newRow("character cut at the end") << QByteArray("\xC3\xA9\n\xE2\x82");
        QTest::newRow("overlong form") << QByteArray("a\n\xC0\xAF\n");
        QTest::newRow("marked, then not UTF-8") << QByteArray("\xEF\xBB\xBF"
                                                              "a\n\x80\n");
        QTest::newRow("long lines of two-byte characters")
            << QByteArray("\xC3\xA9").repeated(40) + "\r\n" + QByteArray("ab\xC3\xA9").repeated(30);
        QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE"
                                                 "a\0\n\0\x0A\x01\r\0\n\0",
                                                 12);
        QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0"
                                                 "a\0\r\0\n\x01\x0A",
                                                 10);
    }
    void decodeTextLines()
    {
        QFETCH(QByteArray, bytes);
        QStringList lines = DecodeText(bytes).split(u'\n');
        if (lines.back().isEmpty())
            lines.removeLast();
        QString expected;
        for (QString& line : lines)
            expected += (line.endsWith(u'\r') ? line.chopped(1) : line) + QStringLiteral("\r\n");
        QCOMPARE(DecodeTextLines(bytes), expected);
    }

    // Read in pieces, lines and characters are cut anywhere, and the text is the same.
    void readTextLines_data() { decodeTextLines_data(); }
    void readTextLines()
    {
        QFETCH(QByteArray, bytes);
        const QString expected = DecodeTextLines(bytes);
        for (const qsizetype piece : {8, 9, 13, 1 << 20}) {
            QBuffer device(&bytes);
            QVERIFY(device.open(QIODevice::ReadOnly));
            QCOMPARE(ReadTextLines(device, piece), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TextTest)
#include "text_test.moc"
