#include "document/registry_layer.h"
#include "support/memory_registry.h"

#include <QTest>

using namespace glasspane;

namespace {

const QString kKey = QStringLiteral("Software\\Qorvath\\Glasspane");

RegValue raw(RegType type, const QByteArray& data)
{
    RegValue value;
    value.type = type;
    value.data = data;
    return value;
}

} // namespace

class RegistryLayerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readConvertsByType_data();
    void readConvertsByType();
    void writePreparesByType_data();
    void writePreparesByType();
    void writeRefusesBadHex_data();
    void writeRefusesBadHex();
    void readWriteRoundTrip();
    void emptyTextDeletes_data();
    void emptyTextDeletes();
    void badArgumentsNeverReachTheRegistry_data();
    void badArgumentsNeverReachTheRegistry();
    void unwritableRootKeepsOldValue();
    void missingValueReadsEmpty();
    void ensureProductKeys();
};

void RegistryLayerTest::readConvertsByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");

    QTest::newRow("string") << int(RegType::String) << regString("Yes").data << "Yes";
    // Whatever follows the first NUL is not part of the text.
    QTest::newRow("string cut at NUL")
        << int(RegType::String) << regString(QStringLiteral("abc") + QChar(0) + "def").data
        << "abc";
    QTest::newRow("string without terminator")
        << int(RegType::String) << QByteArray("h\0i\0", 4) << "hi";
    QTest::newRow("expand string")
        << int(RegType::ExpandString) << regString("%HOME%").data << "%HOME%";
    QTest::newRow("non-latin string")
        << int(RegType::String) << regString("Zürich €").data << "Zürich €";
    QTest::newRow("binary") << int(RegType::Binary) << QByteArray("\x0a\xff\x00", 3) << "&h0AFF00";
    QTest::newRow("empty binary") << int(RegType::Binary) << QByteArray() << "&h";
    QTest::newRow("dword") << int(RegType::DWord) << QByteArray("\x78\x56\x34\x12", 4)
                           << "&h12345678";
    QTest::newRow("dword small") << int(RegType::DWord) << QByteArray("\x01\x00\x00\x00", 4)
                                 << "&h00000001";
    QTest::newRow("dword high") << int(RegType::DWord) << QByteArray("\xfe\xff\xff\xff", 4)
                                << "&hFFFFFFFE";
    QTest::newRow("other type raw") << int(RegType::None) << QByteArray("xyz") << "xyz";
}

void RegistryLayerTest::readConvertsByType()
{
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);

    MemoryRegistry registry;
    QCOMPARE(registry.setValue(RegRoot::CurrentUser, kKey, "v", raw(RegType(type), data)),
             RegStatus::Success);
    RegistryLayer layer(registry);
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kKey, "v"), expected);
    QCOMPARE(layer.LastRegError(), RegStatus::Success);
    QCOMPARE(layer.lastType(), RegType(type));
}

void RegistryLayerTest::writePreparesByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("stored");

    QTest::newRow("string") << int(RegType::String) << "Yes" << regString("Yes").data;
    QTest::newRow("binary") << int(RegType::Binary) << "0a ff,10" << QByteArray("\x0a\xff\x10", 3);
    QTest::newRow("binary even count")
        << int(RegType::Binary) << "aff1" << QByteArray("\xaf\xf1", 2);
    QTest::newRow("binary odd gets leading zero")
        << int(RegType::Binary) << "1 2 3" << QByteArray("\x01\x23", 2);
    QTest::newRow("binary as read back")
        << int(RegType::Binary) << "&h0AFF" << QByteArray("\x0a\xff", 2);
    QTest::newRow("dword padded") << int(RegType::DWord) << "1 2"
                                  << QByteArray("\x12\x00\x00\x00", 4);
    QTest::newRow("dword full") << int(RegType::DWord) << "12,34,56,78"
                                << QByteArray("\x78\x56\x34\x12", 4);
    QTest::newRow("dword as read back")
        << int(RegType::DWord) << "&hFFFFFFFE" << QByteArray("\xfe\xff\xff\xff", 4);
}

void RegistryLayerTest::writePreparesByType()
{
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(QByteArray, stored);

    MemoryRegistry registry;
    RegistryLayer layer(registry);
    QVERIFY(layer.RegWrite(RegRoot::LocalMachine, kKey, "v", text, RegType(type)));
    QCOMPARE(layer.LastRegError(), RegStatus::Success);
    RegValue value;
    QCOMPARE(registry.queryValue(RegRoot::LocalMachine, kKey, "v", &value), RegStatus::Success);
    QCOMPARE(int(value.type), type);
    QCOMPARE(value.data, stored);
}

void RegistryLayerTest::writeRefusesBadHex_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");

    QTest::newRow("binary not hex") << int(RegType::Binary) << "zz";
    QTest::newRow("dword not hex") << int(RegType::DWord) << "12g4";
    QTest::newRow("dword too long") << int(RegType::DWord) << "123456789";
}

void RegistryLayerTest::writeRefusesBadHex()
{
    QFETCH(int, type);
    QFETCH(QString, text);

    MemoryRegistry registry;
    registry.setString(RegRoot::CurrentUser, kKey, "v", "old");
    RegistryLayer layer(registry);
    QVERIFY(!layer.RegWrite(RegRoot::CurrentUser, kKey, "v", text, RegType(type)));
    QCOMPARE(layer.LastRegError(), RegStatus::InvalidData);
    QCOMPARE(registry.string(RegRoot::CurrentUser, kKey, "v"), QString("old"));
}

void RegistryLayerTest::readWriteRoundTrip()
{
    MemoryRegistry registry;
    RegistryLayer layer(registry);
    QVERIFY(layer.RegWrite(RegRoot::CurrentUser, kKey, "b", "0102ff", RegType::Binary));
    QVERIFY(layer.RegWrite(RegRoot::CurrentUser, kKey, "d", "2a", RegType::DWord));
    QVERIFY(layer.RegWrite(RegRoot::CurrentUser, kKey, "s", "a \"quoted\" \\ text"));
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kKey, "b"), QString("&h0102FF"));
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kKey, "d"), QString("&h0000002A"));
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kKey, "s"), QString("a \"quoted\" \\ text"));
    // Key and value names are found without regard to case.
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kKey.toUpper(), "S"),
             QString("a \"quoted\" \\ text"));
}

void RegistryLayerTest::emptyTextDeletes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");

    QTest::newRow("string") << int(RegType::String) << "";
    QTest::newRow("binary only separators") << int(RegType::Binary) << " , ";
    QTest::newRow("dword only separators") << int(RegType::DWord) << ",";
}

void RegistryLayerTest::emptyTextDeletes()
{
    QFETCH(int, type);
    QFETCH(QString, text);

    MemoryRegistry registry;
    registry.setString(RegRoot::CurrentUser, kKey, "v", "old");
    RegistryLayer layer(registry);
    QVERIFY(layer.RegWrite(RegRoot::CurrentUser, kKey, "v", text, RegType(type)));
    RegValue value;
    QCOMPARE(registry.queryValue(RegRoot::CurrentUser, kKey, "v", &value), RegStatus::FileNotFound);

    // Deleting what is not there is no failure.
    QVERIFY(layer.RegWrite(RegRoot::CurrentUser, kKey, "v", text, RegType(type)));
    QVERIFY(
        layer.RegWrite(RegRoot::CurrentUser, "Software\\Nowhere", "never", text, RegType(type)));
    QCOMPARE(layer.LastRegError(), RegStatus::Success);
}

void RegistryLayerTest::badArgumentsNeverReachTheRegistry_data()
{
    QTest::addColumn<quint32>("root");
    QTest::addColumn<QString>("subKey");
    QTest::addColumn<long>("error");

    QTest::newRow("root 0") << quint32(0) << kKey << 99999L;
    QTest::newRow("HKEY_USERS") << quint32(0x80000003u) << kKey << 99999L;
    QTest::newRow("document location") << quint32(1) << kKey << 99999L;
    QTest::newRow("empty sub-key HKCU") << quint32(RegRoot::CurrentUser) << QString() << 99998L;
    QTest::newRow("empty sub-key HKCR") << quint32(RegRoot::ClassesRoot) << QString() << 99998L;
}

void RegistryLayerTest::badArgumentsNeverReachTheRegistry()
{
    QFETCH(quint32, root);
    QFETCH(QString, subKey);
    QFETCH(long, error);

    MemoryRegistry registry;
    RegistryLayer layer(registry);
    QVERIFY(!layer.RegWrite(root, subKey, "v", "x"));
    QCOMPARE(layer.LastRegError(), error);
    QCOMPARE(layer.RegRead(root, subKey, "v"), QString());
    QCOMPARE(layer.LastRegError(), error);
    QVERIFY(!layer.KeyExists(root, subKey));
    QCOMPARE(layer.LastRegError(), error);
    QVERIFY(!layer.CreateKey(root, subKey));
    QCOMPARE(layer.LastRegError(), error);
    QVERIFY(!layer.RegDelete(root, subKey, "v"));
    QCOMPARE(layer.LastRegError(), error);
    QCOMPARE(registry.writeCount(), 0);
}

void RegistryLayerTest::unwritableRootKeepsOldValue()
{
    MemoryRegistry registry;
    registry.setString(RegRoot::LocalMachine, kKey, "AutoLoop", "Yes");
    registry.setWritable(RegRoot::LocalMachine, false);
    RegistryLayer layer(registry);

    QVERIFY(!layer.RegWrite(RegRoot::LocalMachine, kKey, "AutoLoop", "No"));
    QCOMPARE(layer.LastRegError(), RegStatus::AccessDenied);
    QVERIFY(!layer.RegWrite(RegRoot::LocalMachine, kKey, "AutoLoop", ""));
    QCOMPARE(layer.LastRegError(), RegStatus::AccessDenied);
    QCOMPARE(layer.RegRead(RegRoot::LocalMachine, kKey, "AutoLoop"), QString("Yes"));
    QCOMPARE(layer.LastRegError(), RegStatus::Success);
    // The other roots go on working.
    QVERIFY(layer.RegWrite(RegRoot::CurrentUser, kKey, "AutoLoop", "No"));
}

void RegistryLayerTest::missingValueReadsEmpty()
{
    MemoryRegistry registry;
    RegistryLayer layer(registry);
    QCOMPARE(layer.RegRead(RegRoot::CurrentUser, kKey, "v"), QString());
    QVERIFY(layer.LastRegError() != RegStatus::Success);
    QVERIFY(!layer.KeyExists(RegRoot::CurrentUser, kKey));
}

void RegistryLayerTest::ensureProductKeys()
{
    MemoryRegistry registry;
    registry.setWritable(RegRoot::LocalMachine, false);
    RegistryLayer layer(registry);
    const QString machineKey = QStringLiteral("SOFTWARE\\Qorvath\\Glasspane");

    // A machine hive the user cannot write does not stop the per-user key.
    layer.EnsureProductKeys(kKey, machineKey);
    QVERIFY(registry.keyExists(RegRoot::CurrentUser, kKey));
    QVERIFY(!registry.keyExists(RegRoot::LocalMachine, machineKey));

    registry.setWritable(RegRoot::LocalMachine, true);
    layer.EnsureProductKeys(kKey, machineKey);
    QVERIFY(registry.keyExists(RegRoot::LocalMachine, machineKey));
    const int writes = registry.writeCount();
    layer.EnsureProductKeys(kKey, machineKey);
    QCOMPARE(registry.writeCount(), writes);
}

QTEST_GUILESS_MAIN(RegistryLayerTest)
#include "registry_layer_test.moc"
