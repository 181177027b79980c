#include "platform/linux/reg_hive_registry.h"
#include "support/memory_registry.h"
#include "support/test_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace glasspane;

namespace {

const QString Key = QStringLiteral("Software\\Qorvath\\Glasspane");

RegHivePaths pathsIn(const QString& folder)
{
    return RegHivePaths{folder + QStringLiteral("/user/user.reg"),
                        folder + QStringLiteral("/machine/machine.reg"),
                        folder + QStringLiteral("/machine/classes.reg")};
}

RegValue dword(quint32 n)
{
    RegValue v;
    v.type = RegType::DWord;
    for (int i = 0; i < 4; ++i)
        v.data.append(char((n >> (8 * i)) & 0xff));
    return v;
}

RegValue typed(RegType type, const QByteArray& data)
{
    RegValue v;
    v.type = type;
    v.data = data;
    return v;
}

// Child mode: write `count` values "<prefix><i>" into the user hive of `folder`.
int runWriter(const QString& folder, const QString& prefix, int count)
{
    RegHiveRegistry registry(pathsIn(folder));
    for (int i = 0; i < count; ++i) {
        const long status =
            registry.setValue(RegRoot::CurrentUser, Key, prefix + QString::number(i),
                              regString(prefix + QStringLiteral(" value ") + QString::number(i)));
        if (status != RegStatus::Success)
            return 10;
    }
    return 0;
}

} // namespace

class RegHiveRegistryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripOfAllTypes_data();
    void roundTripOfAllTypes();
    void handWrittenFileInOtherCase();
    void continuationLinesAndDeletions();
    void headerOfTheRootAlone_data();
    void headerOfTheRootAlone();
    void handWrittenTextIsKept_data();
    void handWrittenTextIsKept();
    void deletionLinesStayTrue();
    void caseOfFirstWriteIsKept();
    void slashInKeyNames();
    void deleteValueAndKey();
    void notifiesChangesByOtherWriters();
    void unwritableFolderFailsCleanly();
    void failedSaveKeepsOldFile();
    void userHiveIsPrivate();
    void concurrentWritersLoseNothing();
    void memoryRegistryRules();
    void standardPathsFollowEnvironment();
};

void RegHiveRegistryTest::roundTripOfAllTypes_data()
{
    QTest::addColumn<RegValue>("value");
    QTest::addColumn<QByteArray>("line"); // expected in the file, empty when not checked

    QTest::newRow("string") << regString(QStringLiteral("hello")) << QByteArray("\"v\"=\"hello\"");
    QTest::newRow("empty string") << regString(QString()) << QByteArray("\"v\"=\"\"");
    QTest::newRow("escapes") << regString(QStringLiteral("C:\\a \"b\""))
                             << QByteArray("\"v\"=\"C:\\\\a \\\"b\\\"\"");
    QTest::newRow("unicode") << regString(QStringLiteral("gr\u00fc\u00df \u20ac")) << QByteArray();
    QTest::newRow("line break") << regString(QStringLiteral("a\nb")) << QByteArray("hex(1):");
    // An unpaired surrogate has no UTF-8 form: quoted, it would come back as another character.
    QTest::newRow("unpaired surrogate") << typed(RegType::String, QByteArray("A\0\x3d\xd8\0\0", 6))
                                        << QByteArray("\"v\"=hex(1):41,00,3d,d8,00,00");
    QTest::newRow("no terminator")
        << typed(RegType::String, QByteArray("a\0", 2)) << QByteArray("\"v\"=hex(1):61,00");
    QTest::newRow("dword") << dword(10) << QByteArray("\"v\"=dword:0000000a");
    QTest::newRow("dword max") << dword(0xffffffffu) << QByteArray("\"v\"=dword:ffffffff");
    QTest::newRow("binary") << typed(RegType::Binary, QByteArray("\x01\x02\xff", 3))
                            << QByteArray("\"v\"=hex:01,02,ff");
    QTest::newRow("empty binary") << typed(RegType::Binary, QByteArray()) << QByteArray("=hex:");
    QTest::newRow("long binary") << typed(RegType::Binary, QByteArray(200, '\x5a'))
                                 << QByteArray(",\\\n  5a,");
    QTest::newRow("expand string")
        << typed(RegType::ExpandString, regString(QStringLiteral("%HOME%\\x")).data)
        << QByteArray("\"v\"=hex(2):25,00");
    QTest::newRow("multi string") << typed(RegType(7), QByteArray("a\0\0\0\0\0", 6))
                                  << QByteArray("\"v\"=hex(7):61,00,00,00,00,00");
}

void RegHiveRegistryTest::roundTripOfAllTypes()
{
    QFETCH(RegValue, value);
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    {
        RegHiveRegistry writer(pathsIn(dir.path()));
        QCOMPARE(writer.setValue(RegRoot::CurrentUser, Key, QStringLiteral("v"), value),
                 RegStatus::Success);
        QCOMPARE(writer.setValue(RegRoot::CurrentUser, Key, QString(), regString("default")),
                 RegStatus::Success);
    }
    const QByteArray file = readFileBytes(dir.path() + "/user/user.reg");
    QVERIFY(file.startsWith("Windows Registry Editor Version 5.00\n\n"));
    QVERIFY(file.contains("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\n"));
    QVERIFY(file.contains("\n@=\"default\"\n"));
    if (!line.isEmpty())
        QVERIFY2(file.contains(line), file.constData());

    RegHiveRegistry reader(pathsIn(dir.path())); // a fresh process's view
    RegValue back;
    QCOMPARE(reader.queryValue(RegRoot::CurrentUser, Key, QStringLiteral("V"), &back),
             RegStatus::Success);
    QCOMPARE(back.type, value.type);
    QCOMPARE(back.data, value.data);
}

void RegHiveRegistryTest::handWrittenFileInOtherCase()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/machine");
    // As an administrator might write it: CRLF, other letter case, comments, a UTF-8 BOM.
    const QByteArray text = "\xef\xbb\xbfWindows Registry Editor Version 5.00\r\n\r\n"
                            "; kiosk defaults\r\n"
                            "[hkey_local_machine\\SOFTWARE\\QORVATH\\glasspane]\r\n"
                            "\"HOMEURL\" = \"http://127.0.0.1/\"\r\n"
                            "\"Path\"=\"C:\\\\Shows\\\\\"\r\n"
                            "@=\"dflt\"\r\n"
                            "\"Count\"=dword:00000010\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                            "\"NotMine\"=\"x\"\r\n";
    QVERIFY(writeFileBytes(dir.path() + "/machine/machine.reg", text));

    RegHiveRegistry registry(pathsIn(dir.path()));
    MemoryRegistry dummy;
    RegValue v;
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, Key, QStringLiteral("homeurl"), &v),
             RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral("http://127.0.0.1/"));
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, Key, QStringLiteral("path"), &v),
             RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral("C:\\Shows\\"));
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, Key, QString(), &v), RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral("dflt"));
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, Key, QStringLiteral("count"), &v),
             RegStatus::Success);
    QCOMPARE(v.data, dword(16).data);
    // Keys of another root in the file are not part of this hive.
    QVERIFY(!registry.keyExists(RegRoot::LocalMachine, QStringLiteral("Software\\Other")));
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, Key, QStringLiteral("missing"), &v),
             RegStatus::FileNotFound);
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, QStringLiteral("Software\\None"),
                                 QStringLiteral("x"), &v),
             RegStatus::FileNotFound);
    QCOMPARE(registry.subKeyNames(RegRoot::LocalMachine, QStringLiteral("software")),
             QStringList{QStringLiteral("QORVATH")});

    // Writing keeps the administrator's file: only the changed line differs, in its own
    // spelling and line ends; the keys of the other root stay.
    QCOMPARE(registry.setValue(RegRoot::LocalMachine, Key, QStringLiteral("HomeUrl"),
                               regString(QStringLiteral("about:blank"))),
             RegStatus::Success);
    QByteArray expected = text;
    expected.replace("\"HOMEURL\" = \"http://127.0.0.1/\"", "\"HOMEURL\"=\"about:blank\"");
    QCOMPARE(readFileBytes(dir.path() + "/machine/machine.reg"), expected);
}

void RegHiveRegistryTest::continuationLinesAndDeletions()
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/user");
    const QByteArray text = "Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\A]\n"
                            "\"Bin\"=hex:01,02,\\\n  03,04\n"
                            "\"Gone\"=\"x\"\n"
                            "\"Gone\"=-\n"
                            "\"Bad\"=dword:zz\n"
                            "garbage line\n"
                            "[HKEY_CURRENT_USER\\A\\Old]\n"
                            "\"x\"=\"y\"\n"
                            "[-HKEY_CURRENT_USER\\A\\Old]\n";
    QVERIFY(writeFileBytes(dir.path() + "/user/user.reg", text));
    RegHiveRegistry registry(pathsIn(dir.path()));
    RegValue v;
    QCOMPARE(registry.queryValue(RegRoot::CurrentUser, "A", "Bin", &v), RegStatus::Success);
    QCOMPARE(v.data, QByteArray("\x01\x02\x03\x04"));
    QCOMPARE(registry.valueNames(RegRoot::CurrentUser, "A"), QStringList{"Bin"});
    QVERIFY(!registry.keyExists(RegRoot::CurrentUser, "A\\Old"));
}

// A header that names the root itself, first in the file or after a deletion, holds the
// root's own values.
void RegHiveRegistryTest::headerOfTheRootAlone_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("first header") << QByteArray("[HKEY_CURRENT_USER]\n\"a\"=\"b\"\n");
    QTest::newRow("after a deletion") << QByteArray("[HKEY_CURRENT_USER\\K]\n\"x\"=\"y\"\n"
                                                    "[-HKEY_CURRENT_USER\\K]\n"
                                                    "[HKEY_CURRENT_USER]\n\"a\"=\"b\"\n");
}

void RegHiveRegistryTest::headerOfTheRootAlone()
{
    QFETCH(QByteArray, file);
    const RegHive hive = RegHive::fromRegFile(file, "HKEY_CURRENT_USER");
    RegValue v;
    QCOMPARE(hive.queryValue(QString(), "a", &v), RegStatus::Success);
    QCOMPARE(regStringText(v.data), QString("b"));
    QCOMPARE(hive.toRegFile("HKEY_CURRENT_USER"), file);
}

// A hive as an administrator keeps it by hand: a header comment, blank lines, CRLF, odd
// spacing, wrapped binary data, a string with an unpaired surrogate (only hex(1) can hold it),
// a key of another root, a key whose parents have no section of their own.
const QByteArray HandWritten = "Windows Registry Editor Version 5.00\r\n"
                               "\r\n"
                               "; kiosk in the hall -- ask Mia before changing\r\n"
                               "\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\r\n"
                               "\"HomeURL\"  =  \"http://127.0.0.1/\"\r\n"
                               "; the odd one\r\n"
                               "\"Odd\"=hex(1):41,00,3d,d8,42,00,00,00\r\n"
                               "\"Bin\"=hex:01,02,\\\r\n"
                               "  03,04\r\n"
                               "\r\n"
                               "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\r\n"
                               "\"Foreign\"=\"kept\"\r\n"
                               "\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane\\Deep\\Er]\r\n"
                               "\"X\"=dword:00000001\r\n"
                               "\r\n"
                               "; end\r\n";

void RegHiveRegistryTest::handWrittenTextIsKept_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<QByteArray>("expected");

    auto replaced = [](QByteArray text, const QByteArray& from, const QByteArray& to) {
        return text.replace(from, to);
    };
    const QByteArray home = "\"HomeURL\"  =  \"http://127.0.0.1/\"\r\n";
    const QByteArray bin = "\"Bin\"=hex:01,02,\\\r\n  03,04\r\n";
    QTest::newRow("value changed")
        << HandWritten << QByteArray("set HomeURL about:blank")
        << replaced(HandWritten, home, "\"HomeURL\"=\"about:blank\"\r\n");
    QTest::newRow("value unchanged")
        << HandWritten << QByteArray("set HomeURL http://127.0.0.1/") << HandWritten;
    QTest::newRow("value added") << HandWritten << QByteArray("set New yes")
                                 << replaced(HandWritten, bin, bin + "\"New\"=\"yes\"\r\n");
    QTest::newRow("value deleted")
        << HandWritten << QByteArray("delete Bin") << replaced(HandWritten, bin, QByteArray());
    QTest::newRow("key added") << HandWritten << QByteArray("key Added")
                               << QByteArray(HandWritten) +
                                      "\r\n[HKEY_CURRENT_USER\\Software\\Qorvath\\"
                                      "Glasspane\\Added]\r\n\"V\"=\"1\"\r\n\r\n";
    QTest::newRow("key deleted")
        << HandWritten << QByteArray("drop Deep\\Er")
        << QByteArray(replaced(HandWritten,
                               "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane\\Deep\\Er]\r\n"
                               "\"X\"=dword:00000001\r\n\r\n; end\r\n",
                               QByteArray()) +
                      "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane\\Deep]\r\n\r\n");
    // The parent of a key the file deletes itself is made by that key's header: no section is
    // added for it.
    const QByteArray deletes =
        "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\r\n\"A\"=\"1\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane\\Old\\Sub]\r\n"
        "\"X\"=\"1\"\r\n\r\n"
        "[-HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane\\Old\\Sub]\r\n";
    QTest::newRow("key deleted by the file")
        << deletes << QByteArray("set A 2") << replaced(deletes, "\"A\"=\"1\"", "\"A\"=\"2\"");

    // What editors save as "Unicode": UTF-16 with its byte-order mark, written back the same way.
    auto utf16 = [](const QByteArray& utf8) -> QByteArray {
        const QString text = QString::fromUtf8(utf8);
        return QByteArray("\xff\xfe") +
               QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    QTest::newRow("utf-16 file") << utf16(HandWritten) << QByteArray("set HomeURL about:blank")
                                 << utf16(replaced(HandWritten, home,
                                                   "\"HomeURL\"=\"about:blank\"\r\n"));
    QTest::newRow("no line end at the end")
        << QByteArray("[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\n\"A\"=\"1\"")
        << QByteArray("set B 2")
        << QByteArray(
               "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\n\"A\"=\"1\"\n\"B\"=\"2\"\n");
}

void RegHiveRegistryTest::handWrittenTextIsKept()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, operation);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    const QString hive = dir.path() + "/user/user.reg";
    QVERIFY(writeFileBytes(hive, file));
    RegHiveRegistry registry(pathsIn(dir.path()));
    const QStringList words = QString::fromUtf8(operation).split(u' ');
    long status = RegStatus::Success;
    if (words[0] == "set")
        status = registry.setValue(RegRoot::CurrentUser, Key, words[1], regString(words[2]));
    else if (words[0] == "delete")
        status = registry.deleteValue(RegRoot::CurrentUser, Key, words[1]);
    else if (words[0] == "key")
        status =
            registry.setValue(RegRoot::CurrentUser, Key + "\\" + words[1], "V", regString("1"));
    else if (words[0] == "drop")
        status = registry.deleteKey(RegRoot::CurrentUser, Key + "\\" + words[1]);
    QCOMPARE(status, RegStatus::Success);
    const QByteArray written = readFileBytes(hive);
    QCOMPARE(written, expected);

    // The unpaired surrogate of a value nobody changed is still there, byte for byte.
    if (file.contains("Odd") || file.startsWith("\xff\xfe")) {
        RegHiveRegistry fresh(pathsIn(dir.path()));
        RegValue v;
        QCOMPARE(fresh.queryValue(RegRoot::CurrentUser, Key, "Odd", &v), RegStatus::Success);
        QCOMPARE(v.data, QByteArray("A\0\x3d\xd8"
                                    "B\0\0\0",
                                    8));
    }
}

void RegHiveRegistryTest::deletionLinesStayTrue()
{
    // Lines that delete what came before them are kept, and what the program writes after
    // them still holds when the file is read again.
    QTemporaryDir dir;
    const QString hive = dir.path() + "/user/user.reg";
    const QByteArray text = "Windows Registry Editor Version 5.00\n\n"
                            "[HKEY_CURRENT_USER\\A]\n"
                            "\"Gone\"=\"x\"\n"
                            "\"Twice\"=\"first\"\n"
                            "\"Twice\"=\"second\"\n"
                            "\"Gone\"=-\n"
                            "; note\n"
                            "[HKEY_CURRENT_USER\\B]\n"
                            "\"Old\"=\"y\"\n"
                            "[-HKEY_CURRENT_USER\\B]\n";
    QVERIFY(writeFileBytes(hive, text));
    {
        RegHiveRegistry registry(pathsIn(dir.path()));
        QCOMPARE(registry.setValue(RegRoot::CurrentUser, "A", "Gone", regString("back")),
                 RegStatus::Success);
        QCOMPARE(registry.setValue(RegRoot::CurrentUser, "A", "Twice", regString("third")),
                 RegStatus::Success);
        QCOMPARE(registry.setValue(RegRoot::CurrentUser, "B", "New", regString("z")),
                 RegStatus::Success);
    }
    const QByteArray written = readFileBytes(hive);
    QVERIFY2(written.contains("; note\n"), written.constData());
    RegHiveRegistry fresh(pathsIn(dir.path()));
    RegValue v;
    QCOMPARE(fresh.queryValue(RegRoot::CurrentUser, "A", "Gone", &v), RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral("back"));
    QCOMPARE(fresh.queryValue(RegRoot::CurrentUser, "A", "Twice", &v), RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral("third"));
    QCOMPARE(fresh.valueNames(RegRoot::CurrentUser, "B"), QStringList{"New"});
}

void RegHiveRegistryTest::caseOfFirstWriteIsKept()
{
    QTemporaryDir dir;
    RegHiveRegistry registry(pathsIn(dir.path()));
    QCOMPARE(
        registry.setValue(RegRoot::CurrentUser, "Software\\MixedCase", "FirstPage", regString("1")),
        RegStatus::Success);
    QCOMPARE(
        registry.setValue(RegRoot::CurrentUser, "SOFTWARE\\mixedcase", "FIRSTPAGE", regString("2")),
        RegStatus::Success);
    QCOMPARE(registry.subKeyNames(RegRoot::CurrentUser, QString()), QStringList{"Software"});
    QCOMPARE(registry.subKeyNames(RegRoot::CurrentUser, "software"), QStringList{"MixedCase"});
    QCOMPARE(registry.valueNames(RegRoot::CurrentUser, "Software\\MixedCase"),
             QStringList{"FirstPage"});
    RegValue v;
    QCOMPARE(
        registry.queryValue(RegRoot::CurrentUser, "\\software\\\\mixedCASE\\", "firstpage", &v),
        RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral("2"));
}

void RegHiveRegistryTest::slashInKeyNames()
{
    QTemporaryDir dir;
    const QString mime = QStringLiteral("MIME\\Database\\Content Type\\application/gpane4");
    {
        RegHiveRegistry registry(pathsIn(dir.path()));
        QCOMPARE(registry.setValue(RegRoot::ClassesRoot, mime, "Extension", regString(".gpn")),
                 RegStatus::Success);
    }
    QVERIFY(readFileBytes(dir.path() + "/machine/classes.reg")
                .contains("[HKEY_CLASSES_ROOT\\MIME\\Database\\Content Type\\application/gpane4]"));
    RegHiveRegistry registry(pathsIn(dir.path()));
    QCOMPARE(registry.subKeyNames(RegRoot::ClassesRoot, "MIME\\Database\\Content Type"),
             QStringList{"application/gpane4"});
    RegValue v;
    QCOMPARE(registry.queryValue(RegRoot::ClassesRoot, mime.toUpper(), "extension", &v),
             RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral(".gpn"));
}

void RegHiveRegistryTest::deleteValueAndKey()
{
    QTemporaryDir dir;
    RegHiveRegistry registry(pathsIn(dir.path()));
    const QString sub = Key + QStringLiteral("\\ToolNavBack");
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, Key, "Keep", regString("k")),
             RegStatus::Success);
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, Key, "Drop", regString("d")),
             RegStatus::Success);
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, sub + "\\Deeper", "X", regString("x")),
             RegStatus::Success);

    QCOMPARE(registry.deleteValue(RegRoot::CurrentUser, Key, "DROP"), RegStatus::Success);
    QCOMPARE(registry.deleteValue(RegRoot::CurrentUser, Key, "Drop"), RegStatus::FileNotFound);
    QCOMPARE(registry.deleteValue(RegRoot::CurrentUser, "No\\Such", "Drop"),
             RegStatus::FileNotFound);
    QCOMPARE(registry.deleteKey(RegRoot::CurrentUser, sub.toLower()), RegStatus::Success);
    QCOMPARE(registry.deleteKey(RegRoot::CurrentUser, sub), RegStatus::FileNotFound);
    QCOMPARE(registry.deleteKey(RegRoot::CurrentUser, QString()), RegStatus::AccessDenied);
    QCOMPARE(registry.createKey(RegRoot::CurrentUser, "Empty\\Key"), RegStatus::Success);
    // A name with a line break could not be written back as one line.
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, Key, "two\nlines", regString("x")),
             RegStatus::InvalidData);
    QCOMPARE(registry.createKey(RegRoot::CurrentUser, "bad\r\\key"), RegStatus::InvalidData);

    RegHiveRegistry fresh(pathsIn(dir.path()));
    QCOMPARE(fresh.valueNames(RegRoot::CurrentUser, Key), QStringList{"Keep"});
    QVERIFY(!fresh.keyExists(RegRoot::CurrentUser, sub));
    QVERIFY(!fresh.keyExists(RegRoot::CurrentUser, sub + "\\Deeper"));
    QVERIFY(fresh.keyExists(RegRoot::CurrentUser, "empty\\key"));
    QVERIFY(fresh.subKeyNames(RegRoot::CurrentUser, "Empty\\Key").isEmpty());
}

void RegHiveRegistryTest::notifiesChangesByOtherWriters()
{
    QTemporaryDir dir;
    RegHiveRegistry first(pathsIn(dir.path()));
    RegHiveRegistry second(pathsIn(dir.path()));
    RegValue v;
    QCOMPARE(first.queryValue(RegRoot::CurrentUser, Key, "X", &v), RegStatus::FileNotFound);
    // Same size and, possibly, the same time stamp: the reader must still see the new value.
    for (const char* text : {"1", "2", "3"}) {
        QCOMPARE(second.setValue(RegRoot::CurrentUser, Key, "X", regString(text)),
                 RegStatus::Success);
        QCOMPARE(first.queryValue(RegRoot::CurrentUser, Key, "X", &v), RegStatus::Success);
        QCOMPARE(regText(v), QString::fromLatin1(text));
    }
}

void RegHiveRegistryTest::unwritableFolderFailsCleanly()
{
    QTemporaryDir dir;
    RegHiveRegistry registry(pathsIn(dir.path()));
    QCOMPARE(registry.setValue(RegRoot::LocalMachine, Key, "HomeURL", regString("old")),
             RegStatus::Success);
    const QString folder = dir.path() + "/machine";
    const QByteArray before = readFileBytes(folder + "/machine.reg");

    // As root, permissions do not stop writes; a lock that cannot be created does, the same way.
    const bool root = ::geteuid() == 0;
    if (root)
        QVERIFY(QDir().mkpath(folder + "/machine.reg.lock/blocked"));
    else
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

    const long status = registry.setValue(RegRoot::LocalMachine, Key, "HomeURL", regString("new"));
    QVERIFY2(status == RegStatus::AccessDenied || status == RegStatus::WriteFault,
             QByteArray::number(qint64(status)).constData());
    QVERIFY(registry.deleteKey(RegRoot::LocalMachine, Key) != RegStatus::Success);
    QVERIFY(registry.createKey(RegRoot::LocalMachine, "Other") != RegStatus::Success);

    RegValue v;
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, Key, "HomeURL", &v), RegStatus::Success);
    QCOMPARE(regText(v), QStringLiteral("old"));
    QVERIFY(!registry.keyExists(RegRoot::LocalMachine, "Other"));
    QCOMPARE(readFileBytes(folder + "/machine.reg"), before);

    if (!root)
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    // A folder that cannot even be created: beneath a plain file.
    QVERIFY(writeFileBytes(dir.path() + "/plainfile", "x"));
    RegHiveRegistry nowhere(RegHivePaths{dir.path() + "/plainfile/sub/user.reg", "", ""});
    QCOMPARE(nowhere.setValue(RegRoot::CurrentUser, Key, "A", regString("a")),
             RegStatus::AccessDenied);
    QCOMPARE(nowhere.queryValue(RegRoot::CurrentUser, Key, "A", &v), RegStatus::FileNotFound);
}

void RegHiveRegistryTest::failedSaveKeepsOldFile()
{
    // A save that fails half-way (here: the file size limit, which holds for root as well, as a
    // full disk would) must leave the old hive intact.
    QTemporaryDir dir;
    RegHiveRegistry registry(pathsIn(dir.path()));
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, Key, "Big", regString(QString(3000, 'b'))),
             RegStatus::Success);
    const QByteArray before = readFileBytes(dir.path() + "/user/user.reg");

    struct rlimit old;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const long status =
        registry.setValue(RegRoot::CurrentUser, Key, "Big", regString(QString(3000, 'c')));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(status, RegStatus::WriteFault);
    QCOMPARE(readFileBytes(dir.path() + "/user/user.reg"), before);
    RegValue v;
    QCOMPARE(registry.queryValue(RegRoot::CurrentUser, Key, "Big", &v), RegStatus::Success);
    QCOMPARE(regText(v), QString(3000, 'b'));
    QCOMPARE(QDir(dir.path() + "/user").entryList(QDir::Files), QStringList{"user.reg"});
}

void RegHiveRegistryTest::userHiveIsPrivate()
{
    QTemporaryDir dir;
    RegHiveRegistry registry(pathsIn(dir.path()));
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, Key, "NTPassword", regString("secret")),
             RegStatus::Success);
    QCOMPARE(registry.setValue(RegRoot::LocalMachine, Key, "HomeURL", regString("x")),
             RegStatus::Success);

    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(dir.path() + "/user/user.reg").constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
    QCOMPARE(::stat(QFile::encodeName(dir.path() + "/user").constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0700));
    QCOMPARE(::stat(QFile::encodeName(dir.path() + "/machine/machine.reg").constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0644));

    // A user hive someone made readable becomes private again with the next save.
    QVERIFY(QFile::setPermissions(dir.path() + "/user/user.reg",
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, Key, "NTPassword", regString("other")),
             RegStatus::Success);
    QCOMPARE(::stat(QFile::encodeName(dir.path() + "/user/user.reg").constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
}

void RegHiveRegistryTest::concurrentWritersLoseNothing()
{
    QTemporaryDir dir;
    const int count = 40;
    QProcess a, b;
    const QString self = QCoreApplication::applicationFilePath();
    a.start(self, {"--hive-writer", dir.path(), "A", QString::number(count)});
    b.start(self, {"--hive-writer", dir.path(), "B", QString::number(count)});
    QVERIFY(a.waitForFinished(120000));
    QVERIFY(b.waitForFinished(120000));
    QCOMPARE(a.exitCode(), 0);
    QCOMPARE(b.exitCode(), 0);

    RegHiveRegistry registry(pathsIn(dir.path()));
    QCOMPARE(registry.valueNames(RegRoot::CurrentUser, Key).size(), 2 * count);
    for (const QString& prefix : {QStringLiteral("A"), QStringLiteral("B")}) {
        for (int i = 0; i < count; ++i) {
            RegValue v;
            QCOMPARE(
                registry.queryValue(RegRoot::CurrentUser, Key, prefix + QString::number(i), &v),
                RegStatus::Success);
            QCOMPARE(regText(v), prefix + " value " + QString::number(i));
        }
    }
    QVERIFY(!QFile::exists(dir.path() + "/user/user.reg.lock"));
}

void RegHiveRegistryTest::memoryRegistryRules()
{
    MemoryRegistry registry;
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, "Software\\A/B", "Name", regString("1")),
             RegStatus::Success);
    QCOMPARE(registry.string(RegRoot::CurrentUser, "SOFTWARE\\a/b", "NAME"), QStringLiteral("1"));
    QCOMPARE(registry.subKeyNames(RegRoot::CurrentUser, "software"), QStringList{"A/B"});
    QVERIFY(!registry.keyExists(RegRoot::LocalMachine, "Software"));
    QCOMPARE(registry.writeCount(), 1);

    registry.setWritable(RegRoot::CurrentUser, false);
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, "Software\\A/B", "Name", regString("2")),
             RegStatus::AccessDenied);
    QCOMPARE(registry.deleteKey(RegRoot::CurrentUser, "Software"), RegStatus::AccessDenied);
    QCOMPARE(registry.deleteValue(RegRoot::CurrentUser, "Software\\A/B", "Missing"),
             RegStatus::FileNotFound);
    QCOMPARE(registry.string(RegRoot::CurrentUser, "Software\\A/B", "Name"), QStringLiteral("1"));
    QCOMPARE(registry.writeCount(), 1);
    QCOMPARE(registry.setValue(RegRoot::LocalMachine, "Software", "X", regString("x")),
             RegStatus::Success);
}

void RegHiveRegistryTest::standardPathsFollowEnvironment()
{
    // The test runner gives every test its own XDG_CONFIG_HOME and GLASSPANE_MACHINE_DIR.
    const RegHivePaths paths = RegHivePaths::standard();
    QCOMPARE(paths.currentUser, qEnvironmentVariable("XDG_CONFIG_HOME") + "/glasspane/user.reg");
    QString machine = QDir::cleanPath(qEnvironmentVariable("GLASSPANE_MACHINE_DIR"));
    QCOMPARE(paths.localMachine, machine + "/machine.reg");
    QCOMPARE(paths.classesRoot, machine + "/classes.reg");

    qputenv("GLASSPANE_MACHINE_DIR", "");
    QCOMPARE(RegHivePaths::standard().localMachine, QStringLiteral("/etc/glasspane/machine.reg"));
    qputenv("GLASSPANE_MACHINE_DIR", machine.toLocal8Bit());
}

int main(int argc, char** argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--hive-writer") == 0)
        return runWriter(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                         QByteArray(argv[4]).toInt());
    QCoreApplication app(argc, argv);
    RegHiveRegistryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "reg_hive_registry_test.moc"
