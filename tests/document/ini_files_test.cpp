#include "document/ini_files.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace glasspane;

namespace {

// What a fresh reader finds on disk.
QString readFresh(const QString& section, const QString& key, const QString& file)
{
    IniFiles fresh;
    return fresh.ReadIni(section, key, file);
}

const QByteArray kSample = "; comment line\r\n"
                           "outside=ignored\r\n"
                           "[Gpane]\r\n"
                           "  HomeURL  =  http://a.example/  \r\n"
                           "Quoted=\"  spaced  \"\r\n"
                           "Single='x'\r\n"
                           "Mismatched=\"x'\r\n"
                           "Empty=\r\n"
                           ";Commented=1\r\n"
                           "NoEquals\r\n"
                           "=NoKey\r\n"
                           "dup=first\r\n"
                           "DUP=second\r\n"
                           "Eq=a=b\r\n"
                           "[page1]\r\n"
                           "URL=one\r\n"
                           "[PAGE1]\r\n"
                           "URL=shadowed\r\n"
                           "Extra=shadowed\r\n"
                           "[ Spaced Name ]\r\n"
                           "k=v\r\n"
                           "[Open\r\n"
                           "k=open";

} // namespace

class IniFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("doc%1.gpn").arg(++m_count));
    }

    void read_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blanks trimmed") << "Gpane"
                                        << "HomeURL"
                                        << "http://a.example/";
        QTest::newRow("any case") << "GPANE"
                                  << "homeurl"
                                  << "http://a.example/";
        QTest::newRow("names trimmed") << " Gpane "
                                       << " HomeURL "
                                       << "http://a.example/";
        QTest::newRow("double quotes removed") << "Gpane"
                                               << "Quoted"
                                               << "  spaced  ";
        QTest::newRow("single quotes removed") << "Gpane"
                                               << "Single"
                                               << "x";
        QTest::newRow("quotes that do not pair") << "Gpane"
                                                 << "Mismatched"
                                                 << "\"x'";
        QTest::newRow("empty value") << "Gpane"
                                     << "Empty"
                                     << "";
        QTest::newRow("commented key") << "Gpane"
                                       << "Commented"
                                       << "";
        QTest::newRow("first key wins") << "Gpane"
                                        << "dup"
                                        << "first";
        QTest::newRow("value holding =") << "Gpane"
                                         << "Eq"
                                         << "a=b";
        // As Windows reads them: a section without a name.
        QTest::newRow("above the first section") << ""
                                                 << "outside"
                                                 << "ignored";
        QTest::newRow("first section wins") << "Page1"
                                            << "URL"
                                            << "one";
        QTest::newRow("later duplicate not read") << "Page1"
                                                  << "Extra"
                                                  << "";
        QTest::newRow("section name trimmed") << "Spaced Name"
                                              << "k"
                                              << "v";
        // An ordinary line of the section above, whose k comes first.
        QTest::newRow("header without bracket") << "Open"
                                                << "k"
                                                << "";
        QTest::newRow("header without bracket is a line") << "Spaced Name"
                                                          << "[Open"
                                                          << "";
        QTest::newRow("missing section") << "Nope"
                                         << "k"
                                         << "";
        QTest::newRow("missing key") << "Gpane"
                                     << "Nope"
                                     << "";
    }
    void read()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QVERIFY(writeFileBytes(m_file, kSample));
        IniFiles ini;
        QCOMPARE(ini.ReadIni(section, key, m_file), expected);
        QCOMPARE(ini.ReadIniKeys(section, {key, "Nope"}, m_file), (QStringList{expected, ""}));
        QCOMPARE(ini.ReadIni(section, key, m_dir.filePath("missing.gpn")), QString());
    }

    // A section of many keys is looked up through an index of its own: the same answers,
    // before and after a write.
    void largeSection()
    {
        QByteArray text = "[Big]\r\n";
        for (int i = 1; i <= 40; ++i)
            text += "Key" + QByteArray::number(i) + "=v" + QByteArray::number(i) + "\r\n";
        text += "KEY7=second\r\n[Next]\r\nKey1=next\r\n";
        QVERIFY(writeFileBytes(m_file, text));
        IniFiles ini;
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(ini.ReadIni("big", "key7", m_file), QString("v7"));
            QCOMPARE(ini.ReadIni("Big", "Key40", m_file), QString("v40"));
            QCOMPARE(ini.ReadIni("Big", "Key41", m_file), QString());
            QCOMPARE(ini.ReadIni("Next", "Key1", m_file), QString("next"));
            QVERIFY(ini.WriteIni("Big", "Key41", "added", m_file));
            QCOMPARE(ini.ReadIni("Big", "key41", m_file), QString("added"));
            QVERIFY(ini.WriteIni("Big", "Key41", QString(), m_file));
        }
        QCOMPARE(readFileBytes(m_file), text);
    }

    // A write changes only its own line, byte for byte, and keeps the file's line ends.
    void writeKeepsOtherLines_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        const QByteArray crlf = "; keep  me \r\n[A]\r\n  x = 1 \r\ny=2\r\n\r\n;tail\r\n[B]\r\nz=3";
        QTest::newRow("replace in place")
            << "a"
            << "X"
            << "9" << crlf
            << QByteArray("; keep  me \r\n[A]\r\nx=9\r\ny=2\r\n\r\n;tail\r\n[B]\r\nz=3");
        QTest::newRow("add after last key, before blank lines")
            << "A"
            << "new"
            << "v" << crlf
            << QByteArray(
                   "; keep  me \r\n[A]\r\n  x = 1 \r\ny=2\r\nnew=v\r\n\r\n;tail\r\n[B]\r\nz=3");
        QTest::newRow("add to last section without final line end")
            << "B"
            << "w"
            << "" << crlf
            << QByteArray(
                   "; keep  me \r\n[A]\r\n  x = 1 \r\ny=2\r\n\r\n;tail\r\n[B]\r\nz=3\r\nw=\r\n");
        QTest::newRow("new section at the end")
            << "C"
            << "k"
            << "v" << crlf
            << QByteArray("; keep  me \r\n[A]\r\n  x = 1 "
                          "\r\ny=2\r\n\r\n;tail\r\n[B]\r\nz=3\r\n\r\n[C]\r\nk=v\r\n");
        QTest::newRow("LF file stays LF")
            << "A"
            << "n"
            << "v" << QByteArray("[A]\nx=1\n") << QByteArray("[A]\nx=1\nn=v\n");
        QTest::newRow("section without keys")
            << "A"
            << "n"
            << "v" << QByteArray("[A]\r\n\r\n[B]\r\n") << QByteArray("[A]\r\nn=v\r\n\r\n[B]\r\n");
        QTest::newRow("same value leaves the file alone")
            << "A"
            << "x"
            << "1" << QByteArray("[A]\r\n x = 1\r\n") << QByteArray("[A]\r\n x = 1\r\n");
        QTest::newRow("delete a key, duplicates too")
            << "A"
            << "x" << QString() << QByteArray("[A]\r\nx=1\r\ny=2\r\nX=3\r\n[B]\r\nx=4\r\n")
            << QByteArray("[A]\r\ny=2\r\n[B]\r\nx=4\r\n");
        QTest::newRow("null key deletes the section, duplicates too")
            << "a" << QString() << "ignored"
            << QByteArray("; top\r\n[A]\r\nx=1\r\n; inside A\r\n[B]\r\ny=2\r\n[a]\r\nx=3\r\n")
            << QByteArray("; top\r\n[B]\r\ny=2\r\n");
        // Writes land where Windows reads.
        QTest::newRow("into a header spelled with blanks")
            << "Page1"
            << "URL"
            << "b" << QByteArray("[ Page1 ]\r\nURL=a\r\n") << QByteArray("[ Page1 ]\r\nURL=b\r\n");
        QTest::newRow("over a key without =") << "Page1"
                                              << "URL"
                                              << "b" << QByteArray("[Page1]\r\nURL\r\nURL=a\r\n")
                                              << QByteArray("[Page1]\r\nURL=b\r\nURL=a\r\n");
        QTest::newRow("CR file stays CR") << "A"
                                          << "n"
                                          << "v" << QByteArray("[A]\rx=1\r[B]\ry=\"\x1a\"\r")
                                          << QByteArray("[A]\rx=1\rn=v\r[B]\ry=\"\x1a\"\r");
        QTest::newRow("blank section writes nothing") << " "
                                                      << "k"
                                                      << "v" << crlf << crlf;
        QTest::newRow("blank key writes nothing") << "A"
                                                  << "  "
                                                  << "v" << crlf << crlf;
        QTest::newRow("deleting what is not there") << "Nope"
                                                    << "k" << QString() << crlf << crlf;
    }
    void writeKeepsOtherLines()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QVERIFY(writeFileBytes(m_file, before));
        IniFiles ini;
        QVERIFY(ini.WriteIni(section, key, value, m_file));
        QCOMPARE(readFileBytes(m_file), after);
        // The parsed copy agrees with the disk.
        if (!section.trimmed().isEmpty() && !key.isNull() && !key.trimmed().isEmpty())
            QCOMPARE(ini.ReadIni(section, key, m_file), readFresh(section, key, m_file));
    }

    void newFile()
    {
        IniFiles ini;
        QVERIFY(ini.WriteIni(" ", "k", "v", m_file));
        QVERIFY(!QFile::exists(m_file));
        QVERIFY(ini.WriteIni("Gpane", "Name", "Show", m_file));
        QVERIFY(ini.WriteIni("Page1", "URL", "x.html", m_file));
        // New files use CRLF, as documents shared with Windows-made tools do, and UTF-8.
        QCOMPARE(readFileBytes(m_file),
                 QByteArray("[Gpane]\r\nName=Show\r\n\r\n[Page1]\r\nURL=x.html\r\n"));
        QVERIFY(ini.WriteIni("Page1", "Title", QStringLiteral(u"Café ł"), m_file));
        QCOMPARE(readFresh("page1", "title", m_file), QStringLiteral(u"Café ł"));

        // No folder, no file: the folder is not made.
        const QString orphan = m_dir.filePath("no/such/folder/doc.gpn");
        QVERIFY(!ini.WriteIni("A", "k", "v", orphan));
        QCOMPARE(ini.ReadIni("A", "k", orphan), QString());
        QVERIFY(!QDir(m_dir.filePath("no")).exists());

        // Deleting from a missing file creates nothing.
        const QString missing = m_dir.filePath("missing.gpn");
        QVERIFY(ini.WriteIni("A", "k", QString(), missing));
        QVERIFY(ini.DeleteSection("A", missing));
        QVERIFY(!QFile::exists(missing));
    }

    // Values come back as they were written, whatever they hold.
    void valueRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "abc"
                               << "abc";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("blanks around") << "  a b  "
                                       << "  a b  ";
        QTest::newRow("in double quotes") << "\"q\""
                                          << "\"q\"";
        QTest::newRow("in single quotes") << "'q'"
                                          << "'q'";
        QTest::newRow("one quote") << "\""
                                   << "\"";
        QTest::newRow("holding = and ;") << "a=b;c"
                                         << "a=b;c";
        QTest::newRow("line breaks become blanks") << "a\r\nb\nc"
                                                   << "a b c";
        QTest::newRow("longer than 20000 characters") << QString(30000, 'x') << QString(30000, 'x');
    }
    void valueRoundTrip()
    {
        QFETCH(QString, value);
        QFETCH(QString, expected);
        IniFiles ini;
        QVERIFY(ini.WriteIni("S", "k", value, m_file));
        QVERIFY(ini.WriteIni("S", "after", "1", m_file));
        QCOMPARE(ini.ReadIni("S", "k", m_file), expected);
        QCOMPARE(readFresh("S", "k", m_file), expected);
        QCOMPARE(readFresh("S", "after", m_file), QStringLiteral("1"));
    }

    void namesThatCannotBeStored()
    {
        IniFiles ini;
        QVERIFY(!ini.WriteIni("a]b", "k", "v", m_file));
        QVERIFY(!ini.WriteIni("a\nb", "k", "v", m_file));
        QVERIFY(!ini.WriteIni("S", "a=b", "v", m_file));
        QVERIFY(!ini.WriteIni("S", ";k", "v", m_file));
        QVERIFY(!ini.WriteIni("S", "[k", "v", m_file));
        QVERIFY(!QFile::exists(m_file));
    }

    void encodings()
    {
        // Windows-1252: untouched bytes stay, new text is written in the same code page.
        const QByteArray cp1252 = "[A]\r\nName=Caf\xE9 \x80\r\nOther=\x93q\x94\r\n";
        QVERIFY(writeFileBytes(m_file, cp1252));
        IniFiles ini;
        QCOMPARE(ini.ReadIni("A", "Name", m_file), QStringLiteral(u"Café €"));
        QCOMPARE(ini.ReadIni("A", "Other", m_file), QStringLiteral(u"“q”"));
        QVERIFY(ini.WriteIni("A", "Name", QStringLiteral(u"Crème"), m_file));
        QCOMPARE(readFileBytes(m_file), QByteArray("[A]\r\nName=Cr\xE8me\r\nOther=\x93q\x94\r\n"));
        // A character the code page cannot hold turns the file to UTF-8 rather than lose it.
        QVERIFY(ini.WriteIni("A", "Name", QStringLiteral(u"Łódź"), m_file));
        QCOMPARE(
            readFileBytes(m_file),
            QByteArray(
                "[A]\r\nName=\xC5\x81\xC3\xB3\x64\xC5\xBA\r\nOther=\xE2\x80\x9Cq\xE2\x80\x9D\r\n"));
        QCOMPARE(readFresh("A", "Other", m_file), QStringLiteral(u"“q”"));

        // UTF-8 with a byte-order mark keeps it.
        const QString bomFile = m_dir.filePath("bom.gpn");
        QVERIFY(writeFileBytes(bomFile, "\xEF\xBB\xBF[A]\r\nk=\xC3\xA9\r\n"));
        QCOMPARE(ini.ReadIni("A", "k", bomFile), QStringLiteral(u"é"));
        QVERIFY(ini.WriteIni("A", "n", QStringLiteral(u"ü"), bomFile));
        QCOMPARE(readFileBytes(bomFile),
                 QByteArray("\xEF\xBB\xBF[A]\r\nk=\xC3\xA9\r\nn=\xC3\xBC\r\n"));
        // A mark before text that is not UTF-8 after all: still no part of the first line.
        QVERIFY(writeFileBytes(bomFile, "\xEF\xBB\xBF[A]\r\nk=\xE9\r\n"));
        QCOMPARE(ini.ReadIni("A", "k", bomFile), QStringLiteral(u"é"));
        QVERIFY(ini.WriteIni("A", "n", "1", bomFile));
        QCOMPARE(readFileBytes(bomFile), QByteArray("\xEF\xBB\xBF[A]\r\nk=\xE9\r\nn=1\r\n"));

        // What editors save as "Unicode": UTF-16 after its mark, either end first, read and
        // written back the same way; its sections are found too.
        for (const bool little : {true, false}) {
            auto utf16 = [little](const QString& text) -> QByteArray {
                QByteArray bytes = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
                for (const QChar c : text) {
                    const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
                    bytes.append(little ? lo : hi).append(little ? hi : lo);
                }
                return bytes;
            };
            const QString unicodeFile = m_dir.filePath(little ? "le.gpn" : "be.gpn");
            QVERIFY(writeFileBytes(unicodeFile,
                                   utf16(QStringLiteral(u"[Gpane]\r\nHomeURL=Zürich.html\r\n"
                                                        u"[Page1]\r\nURL=a.html\r\n"))));
            QCOMPARE(ini.ReadIni("Gpane", "HomeURL", unicodeFile), QStringLiteral(u"Zürich.html"));
            QCOMPARE(IniFiles::ReadSectionList(unicodeFile, ","), QStringLiteral("Gpane,Page1,"));
            QVERIFY(ini.WriteIni("Page1", "Time", "20", unicodeFile));
            QCOMPARE(
                readFileBytes(unicodeFile),
                utf16(QStringLiteral(u"[Gpane]\r\nHomeURL=Zürich.html\r\n[Page1]\r\nURL=a.html\r\n"
                                     u"Time=20\r\n")));
        }
    }

    void changesOnDiskAreSeen()
    {
        QVERIFY(writeFileBytes(m_file, "[A]\r\nk=old\r\n"));
        IniFiles ini;
        QCOMPARE(ini.ReadIni("A", "k", m_file), QStringLiteral("old"));
        // Another size.
        QVERIFY(writeFileBytes(m_file, "[A]\r\nk=newer\r\n"));
        QCOMPARE(ini.ReadIni("A", "k", m_file), QStringLiteral("newer"));
        // The same size, another modification time.
        QVERIFY(writeFileBytes(m_file, "[A]\r\nk=other\r\n"));
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                              QFileDevice::FileModificationTime));
        f.close();
        QCOMPARE(ini.ReadIni("A", "k", m_file), QStringLiteral("other"));
        // A write goes on from what is on disk, not from the old copy.
        QVERIFY(writeFileBytes(m_file, "[A]\r\nk=disk\r\nadded=elsewhere\r\n"));
        QVERIFY(ini.WriteIni("A", "k", "mine", m_file));
        QCOMPARE(readFresh("A", "added", m_file), QStringLiteral("elsewhere"));
        // Removed.
        QVERIFY(QFile::remove(m_file));
        QCOMPARE(ini.ReadIni("A", "k", m_file), QString());
    }

    void batches()
    {
        QVERIFY(writeFileBytes(m_file, "[A]\r\nk=0\r\n"));
        IniFiles ini;
        {
            IniFiles::Batch outer(ini, m_file);
            QVERIFY(ini.WriteIni("A", "k", "1", m_file));
            {
                IniFiles::Batch inner(ini, m_file);
                QVERIFY(ini.WriteIni("B", "k", "2", m_file));
                QVERIFY(inner.commit());
            }
            // Still deferred: the disk has nothing yet, the reader sees the changes.
            QCOMPARE(readFresh("A", "k", m_file), QStringLiteral("0"));
            QCOMPARE(ini.ReadIni("B", "k", m_file), QStringLiteral("2"));
            QVERIFY(outer.commit());
            QVERIFY(outer.commit());
        }
        QCOMPARE(readFresh("A", "k", m_file), QStringLiteral("1"));
        QCOMPARE(readFresh("B", "k", m_file), QStringLiteral("2"));

        // A batch that is not committed saves when it ends.
        {
            IniFiles::Batch batch(ini, m_file);
            QVERIFY(ini.WriteIni("A", "k", "3", m_file));
        }
        QCOMPARE(readFresh("A", "k", m_file), QStringLiteral("3"));

        // FlushIni saves pending changes.
        IniFiles::Batch batch(ini, m_file);
        QVERIFY(ini.WriteIni("A", "k", "4", m_file));
        QVERIFY(ini.FlushIni(m_file));
        QCOMPARE(readFresh("A", "k", m_file), QStringLiteral("4"));
        QVERIFY(ini.WriteIni("A", "k", "5", m_file));
        QCOMPARE(readFresh("A", "k", m_file), QStringLiteral("4"));
        QVERIFY(batch.commit());
        QCOMPARE(readFresh("A", "k", m_file), QStringLiteral("5"));
    }

    // A save that fails leaves the file as it was and the reader sees what is on disk.
    void failedSave_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("folder replaced by a file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void failedSave()
    {
        QFETCH(bool, readOnlyFolder);
        if (readOnlyFolder && ::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        const QString folder = m_dir.filePath(QStringLiteral("sub%1").arg(m_count));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + "/doc.gpn";
        const QByteArray original = "[A]\r\nk=old\r\n";
        QVERIFY(writeFileBytes(file, original));

        IniFiles ini;
        QCOMPARE(ini.ReadIni("A", "k", file), QStringLiteral("old"));
        IniFiles::Batch batch(ini, file);
        QVERIFY(ini.WriteIni("A", "k", "new", file));
        const QString moved = folder + ".moved";
        if (readOnlyFolder) {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else {
            QVERIFY(QDir().rename(folder, moved));
            QVERIFY(writeFileBytes(folder, "not a folder"));
        }
        QVERIFY(!batch.commit());
        QVERIFY(!ini.WriteIni("A", "k", "newer", file));
        if (readOnlyFolder) {
            QVERIFY(QFile::setPermissions(folder,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        } else {
            QVERIFY(QFile::remove(folder));
            QVERIFY(QDir().rename(moved, folder));
        }
        QCOMPARE(readFileBytes(file), original);
        QCOMPARE(ini.ReadIni("A", "k", file), QStringLiteral("old"));
    }

    void unreadableFileIsNotReplaced()
    {
        // A folder where the file should be: nothing is read, nothing written over it.
        QVERIFY(QDir().mkpath(m_file));
        IniFiles ini;
        QCOMPARE(ini.ReadIni("A", "k", m_file), QString());
        QVERIFY(!ini.WriteIni("A", "k", "v", m_file));
        QVERIFY(QFileInfo(m_file).isDir());
    }

    // Documents spelled as only Windows tools take them, read as Windows reads them: the
    // section names listed, and the values found ("Section/Key=value", "" for none).
    void windowsSpellings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("sections");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("blanks inside the brackets")
            << QByteArray("[ Page1 ]\r\nURL=a\r\n[Page2 ]\r\nURL=b\r\n[\tPage4]\r\nURL=c\r\n"
                          "[ Exclude1 ]\r\nURL=http://x/\r\n")
            << QStringList{"Page1", "Page2", "Page4", "Exclude1"}
            << QStringList{"Page1/URL=a", "page2/URL=b", "Page4/URL=c", "Exclude1/URL=http://x/"};
        QTest::newRow("a key without = hides the later one")
            << QByteArray("[Page1]\r\nURL\r\nURL=x\r\nTime=5\r\n") << QStringList{"Page1"}
            << QStringList{"Page1/URL=", "Page1/Time=5"};
        QTest::newRow("[ without ] is a line of the section above")
            << QByteArray("[Page1]\r\nURL=one\r\n[Page2\r\nURL=two\r\nTime=7\r\n")
            << QStringList{"Page1"} << QStringList{"Page1/URL=one", "Page1/Time=7", "Page2/URL="};
        QTest::newRow("lone CR line ends")
            << QByteArray("[Gpane]\rDefaultTime=20\r[Page1]\rURL=a\r[Page2]\rURL=b\r")
            << QStringList{"Gpane", "Page1", "Page2"}
            << QStringList{"Gpane/DefaultTime=20", "Page1/URL=a", "Page2/URL=b"};
        QTest::newRow("a stray CR in CR LF lines")
            << QByteArray("[Page1]\r\nURL=x\rTime=5\r\n") << QStringList{"Page1"}
            << QStringList{"Page1/URL=x", "Page1/Time=5"};
        QTest::newRow("Ctrl-Z is a blank")
            << QByteArray("[Page1]\r\nURL=http://a/\x1a\r\nTime=5\x1a\r\n\x1a")
            << QStringList{"Page1"} << QStringList{"Page1/URL=http://a/", "Page1/Time=5"};
        QTest::newRow("a NUL ends a value and a name")
            << QByteArray("[Page1\0x]\r\nURL=http://a/\0junk\r\n", 28) << QStringList{"Page1"}
            << QStringList{"Page1/URL=http://a/"};
        QTest::newRow("the name runs to the last ]")
            << QByteArray("[Page2] ; note [x\r\nURL=a\r\n[Page3]]\r\nURL=b\r\n")
            << QStringList{"Page2", "Page3]"} << QStringList{"Page2/URL=a", "Page3]/URL=b"};
        QTest::newRow("sections without a name are not listed")
            << QByteArray("k=top\r\n[ ]\r\nk=blank\r\n[]\r\nk=empty\r\n[Gpane]\r\n")
            << QStringList{"Gpane"} << QStringList{"/k=top"};
        QTest::newRow("no-break and ideographic spaces are kept")
            << QByteArray("[Page1]\r\nVar1Source=\xc2\xa0"
                          "a\xe3\x80\x80\r\n")
            << QStringList{"Page1"} << QStringList{"Page1/Var1Source=\u00a0a\u3000"};
        QTest::newRow("UTF-8 without a byte-order mark stays UTF-8")
            << QByteArray("[Page1]\r\nURL=caf\xc3\xa9.html\r\n") << QStringList{"Page1"}
            << QStringList{"Page1/URL=caf\u00e9.html"};
    }
    void windowsSpellings()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, sections);
        QFETCH(QStringList, values);
        QVERIFY(writeFileBytes(m_file, text));
        QCOMPARE(IniFiles::ReadSectionNames(m_file), sections);
        IniFiles ini;
        for (const QString& expected : values) {
            const QString where = expected.section(u'=', 0, 0);
            QCOMPARE(where + u'=' +
                         ini.ReadIni(where.section(u'/', 0, 0), where.section(u'/', 1), m_file),
                     expected);
        }
    }

    void readSectionList()
    {
        QVERIFY(writeFileBytes(
            m_file, "[Gpane]\r\n  [Page1]  \r\n[]\r\n[x\r\nx[Page2]\r\nk=v\r\n[Page1]\n[ Odd ]"));
        QCOMPARE(IniFiles::ReadSectionList(m_file, ","), QStringLiteral("Gpane,Page1,Page1,Odd,"));
        QCOMPARE(IniFiles::ReadSectionList(m_dir.filePath("missing.gpn"), ","), QString());
    }

private:
    QTemporaryDir m_dir;
    QString m_file;
    int m_count = 0;
};

QTEST_GUILESS_MAIN(IniFilesTest)
#include "ini_files_test.moc"
