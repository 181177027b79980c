#include "document/ini_files.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "support/fake_system.h"
#include "support/memory_registry.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

namespace {

const QString kUserKey = QStringLiteral("Software\\Qorvath\\Glasspane");
const QString kMachineKey = QStringLiteral("SOFTWARE\\Qorvath\\Glasspane");

} // namespace

class SettingsTest : public QObject
{
    Q_OBJECT

private:
    // A fresh store over an empty registry and the document text given.
    void setUpStore(const QByteArray& document = QByteArray());
    QString documentText() const;
    QString hkcu(const QString& name, const QString& sub = QString())
    {
        return m_registry->string(RegRoot::CurrentUser,
                                  sub.isEmpty() ? kUserKey : kUserKey + "\\" + sub, name);
    }
    QString hklm(const QString& name, const QString& sub = QString())
    {
        return m_registry->string(RegRoot::LocalMachine,
                                  sub.isEmpty() ? kMachineKey : kMachineKey + "\\" + sub, name);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<MemoryRegistry> m_registry;
    std::unique_ptr<IniFiles> m_ini;
    ProgramValues m_program;
    FakeSystem m_system;
    std::unique_ptr<SettingsStore> m_store;

private Q_SLOTS:
    void catalogueNamesAreUnique();
    void locations_data();
    void locations();
    void writtenBackForms_data();
    void writtenBackForms();
    void parametersFollowParamsLocation_data();
    void parametersFollowParamsLocation();
    void automaticFallThrough_data();
    void automaticFallThrough();
    void automaticWriteGoesToRegKeyRoot();
    void writingEmptyDeletes();
    void numberCorrections_data();
    void numberCorrections();
    void rebootTime_data();
    void rebootTime();
    void textDefaultsAndWriteBack();
    void helpUrlResolvedAndStoredRelative();
    void documentOnlyAndFirstPage();
    void ntOnlySettings();
    void unwritableRootKeepsOldValue();
    void readOnlySettingsAreNotWritten();
    void clearDocumentParameters();
    void sectionValues_data();
    void sectionValues();
    void sectionOf();
    void numberedList();
    void numberedListReadRules();
};

void SettingsTest::setUpStore(const QByteArray& document)
{
    QVERIFY(m_dir.isValid());
    m_program = ProgramValues();
    m_program.resourceFolder = m_dir.filePath("res");
    m_program.startFolder = m_dir.filePath("start") + "/";
    m_program.documentPath = m_dir.filePath("show.gpn");
    QDir().mkpath(m_program.resourceFolder);
    QDir().mkpath(m_program.startFolder);
    QFile::remove(m_program.documentPath);
    if (!document.isNull())
        QVERIFY(writeFileBytes(m_program.documentPath, document));
    m_system.setPlatform(PlatformFamily::NtFamily);
    m_registry = std::make_unique<MemoryRegistry>();
    m_ini = std::make_unique<IniFiles>();
    m_store = std::make_unique<SettingsStore>(*m_registry, *m_ini, m_program, m_system);
}

QString SettingsTest::documentText() const
{
    if (!m_ini->FlushIni(m_program.documentPath))
        qWarning("the document could not be saved");
    return QString::fromUtf8(readFileBytes(m_program.documentPath));
}

void SettingsTest::catalogueNamesAreUnique()
{
    QSet<QString> names;
    for (const SettingInfo& info : allSettings()) {
        const QString name = QString::fromLatin1(info.name);
        QVERIFY2(!name.isEmpty(), "every setting has a name");
        QVERIFY2(!names.contains(name.toLower()), qPrintable(name));
        names.insert(name.toLower());
    }
    QCOMPARE(settingName(Setting::FirstPageIsLastPage), QString("FirstPageIsLastPage"));
}

void SettingsTest::locations_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("hkcuRegKey");
    QTest::addColumn<QString>("hkcuParams");
    QTest::addColumn<QString>("hklmParams");
    QTest::addColumn<quint32>("params");
    QTest::addColumn<quint32>("root");

    const auto doc = quint32(SettingsLocation::Document);
    const auto cu = quint32(SettingsLocation::HKCU);
    const auto lm = quint32(SettingsLocation::HKLM);
    const auto autom = quint32(SettingsLocation::Automatic);

    QTest::newRow("nothing anywhere") << QByteArray() << ""
                                      << ""
                                      << "" << doc << lm;
    QTest::newRow("hkcu with blanks") << QByteArray() << ""
                                      << "hkcu "
                                      << "" << cu << cu;
    QTest::newRow("HKLM") << QByteArray() << ""
                          << ""
                          << "HKLM" << lm << lm;
    QTest::newRow("HKLM overrides RegKey") << QByteArray() << "HKCU"
                                           << ""
                                           << "hklm" << lm << lm;
    QTest::newRow("0 is automatic") << QByteArray() << ""
                                    << "0"
                                    << "" << autom << lm;
    QTest::newRow("0 keeps RegKey") << QByteArray() << " hkcu "
                                    << "0"
                                    << "" << autom << cu;
    QTest::newRow("other text is document") << QByteArray() << ""
                                            << "registry"
                                            << "" << doc << lm;
    QTest::newRow("1 is document") << QByteArray() << "HKCU"
                                   << "1"
                                   << "" << doc << cu;
    QTest::newRow("document first") << QByteArray("[Gpane]\nParamsLocation=HKCU\n") << ""
                                    << "HKLM"
                                    << "" << cu << cu;
    QTest::newRow("empty in document falls through")
        << QByteArray("[Gpane]\nParamsLocation=\n") << ""
        << ""
        << "HKLM" << lm << lm;
}

void SettingsTest::locations()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, hkcuRegKey);
    QFETCH(QString, hkcuParams);
    QFETCH(QString, hklmParams);
    QFETCH(quint32, params);
    QFETCH(quint32, root);

    setUpStore(document);
    if (!hkcuRegKey.isEmpty())
        m_registry->setString(RegRoot::CurrentUser, kUserKey, "RegKey", hkcuRegKey);
    if (!hkcuParams.isEmpty())
        m_registry->setString(RegRoot::CurrentUser, kUserKey, "ParamsLocation", hkcuParams);
    if (!hklmParams.isEmpty())
        m_registry->setString(RegRoot::LocalMachine, kMachineKey, "ParamsLocation", hklmParams);

    m_store->ReadLocations();
    QCOMPARE(quint32(m_store->ParamsLocation()), params);
    QCOMPARE(quint32(m_store->RegKeyRoot()), root);
}

void SettingsTest::writtenBackForms_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("writtenParams");
    QTest::addColumn<QString>("writtenRegKey");
    QTest::addColumn<bool>("inUserKey");

    QTest::newRow("absent is document") << ""
                                        << "1"
                                        << "HKLM" << false;
    QTest::newRow("automatic stays automatic") << "0"
                                               << "0"
                                               << "HKLM" << false;
    QTest::newRow("hkcu") << "hkcu "
                          << "HKCU"
                          << "HKCU" << true;
    QTest::newRow("hklm") << "HkLm"
                          << "HKLM"
                          << "HKLM" << false;
}

void SettingsTest::writtenBackForms()
{
    QFETCH(QString, stored);
    QFETCH(QString, writtenParams);
    QFETCH(QString, writtenRegKey);
    QFETCH(bool, inUserKey);

    setUpStore(stored.isEmpty() ? QByteArray()
                                : "[Gpane]\nParamsLocation=" + stored.toUtf8() + "\n");
    m_store->ReadLocations();
    QVERIFY(m_store->WriteLocations());
    const QString params = inUserKey ? hkcu("ParamsLocation") : hklm("ParamsLocation");
    const QString regKey = inUserKey ? hkcu("RegKey") : hklm("RegKey");
    QCOMPARE(params, writtenParams);
    QCOMPARE(regKey, writtenRegKey);
}

void SettingsTest::parametersFollowParamsLocation_data()
{
    QTest::addColumn<quint32>("location");
    QTest::newRow("document") << quint32(SettingsLocation::Document);
    QTest::newRow("HKCU") << quint32(SettingsLocation::HKCU);
    QTest::newRow("HKLM") << quint32(SettingsLocation::HKLM);
}

void SettingsTest::parametersFollowParamsLocation()
{
    QFETCH(quint32, location);

    setUpStore(QByteArray("[Gpane]\nHomeURL=http://127.0.0.1/\n"));
    m_store->setParamsLocation(SettingsLocation(location));
    QVERIFY(m_store->write(keys::RandomMode, true));
    QVERIFY(m_store->write(keys::OnMouseMove, 2));

    const bool inDocument = location == quint32(SettingsLocation::Document);
    QCOMPARE(documentText().contains("RandomMode=Yes"), inDocument);
    QCOMPARE(hkcu("RandomMode"),
             location == quint32(SettingsLocation::HKCU) ? QString("Yes") : QString());
    QCOMPARE(hklm("OnMouseMove"),
             location == quint32(SettingsLocation::HKLM) ? QString("2") : QString());
    QCOMPARE(m_store->read(keys::RandomMode), true);
    QCOMPARE(m_store->read(keys::OnMouseMove), qint16(2));
}

void SettingsTest::automaticFallThrough_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<bool>("expected");

    QTest::newRow("document No beats registry Yes")
        << QByteArray("[Gpane]\nTestURLIsHomePage=No\n") << "Yes"
        << "Yes" << false;
    QTest::newRow("empty document value falls through")
        << QByteArray("[Gpane]\nTestURLIsHomePage=\n") << "Yes"
        << "" << true;
    QTest::newRow("blank document value falls through")
        << QByteArray("[Gpane]\nTestURLIsHomePage=   \n") << ""
        << "Yes" << true;
    QTest::newRow("HKCU before HKLM") << QByteArray() << "No"
                                      << "Yes" << false;
    QTest::newRow("HKLM last") << QByteArray() << ""
                               << "yes" << true;
    QTest::newRow("nowhere gives default") << QByteArray() << ""
                                           << "" << false;
    QTest::newRow("unreadable gives default") << QByteArray() << "maybe"
                                              << "Yes" << false;
}

void SettingsTest::automaticFallThrough()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, user);
    QFETCH(QString, machine);
    QFETCH(bool, expected);

    setUpStore(document);
    if (!user.isEmpty())
        m_registry->setString(RegRoot::CurrentUser, kUserKey, "TestURLIsHomePage", user);
    if (!machine.isEmpty())
        m_registry->setString(RegRoot::LocalMachine, kMachineKey, "TestURLIsHomePage", machine);
    QCOMPARE(m_store->read(keys::TestURLIsHomePage), expected);
}

void SettingsTest::automaticWriteGoesToRegKeyRoot()
{
    setUpStore();
    m_store->setRegKeyRoot(SettingsLocation::HKCU);
    QVERIFY(m_store->write(keys::WindowLeft, 120));
    QCOMPARE(hkcu("WindowLeft"), QString("120"));
    QCOMPARE(hklm("WindowLeft"), QString());
    QVERIFY(!documentText().contains("WindowLeft"));

    // Back to the machine key: the per-user copy would hide the new value, so it goes.
    m_store->setRegKeyRoot(SettingsLocation::HKLM);
    QVERIFY(m_store->write(keys::WindowLeft, 40));
    QCOMPARE(hklm("WindowLeft"), QString("40"));
    QCOMPARE(hkcu("WindowLeft"), QString());
    QCOMPARE(m_store->read(keys::WindowLeft), 40);

    // Anything but HKCU is taken as HKLM.
    m_store->setRegKeyRoot(SettingsLocation::Document);
    QCOMPARE(m_store->RegKeyRoot(), SettingsLocation::HKLM);
}

void SettingsTest::writingEmptyDeletes()
{
    setUpStore();
    m_store->setParamsLocation(SettingsLocation::HKCU);
    QVERIFY(m_store->write(keys::UpdateDelay, 120));
    QCOMPARE(m_store->read(keys::UpdateDelay), 120);
    QVERIFY(m_store->writeStoredText(Setting::UpdateDelay, QString()));
    RegValue value;
    QCOMPARE(m_registry->queryValue(RegRoot::CurrentUser, kUserKey, "UpdateDelay", &value),
             RegStatus::FileNotFound);
    QCOMPARE(m_store->read(keys::UpdateDelay), 300);

    // In the document, remove() takes the key away, while "" leaves "Key=".
    m_store->setParamsLocation(SettingsLocation::Document);
    QVERIFY(m_store->write(keys::UpdateDelay, 60));
    QVERIFY(m_store->writeStoredText(Setting::UpdateScheme, QString("")));
    QVERIFY(documentText().contains("UpdateScheme=\n") ||
            documentText().contains("UpdateScheme=\r\n"));
    QVERIFY(m_store->remove(keys::UpdateDelay));
    QVERIFY(!documentText().contains("UpdateDelay"));
    QCOMPARE(m_store->read(keys::UpdateDelay), 300);
}

void SettingsTest::numberCorrections_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("fallback"); // -1: none
    QTest::addColumn<int>("expected");

    const int scheme = int(Setting::UpdateScheme);
    const int delay = int(Setting::UpdateDelay);
    const int minTime = int(Setting::ScreenSaveMinTime);
    const int maxTime = int(Setting::MaxTime);
    QTest::newRow("UpdateScheme=9") << scheme << "9" << -1 << 0;
    QTest::newRow("UpdateScheme=-1") << scheme << "-1" << -1 << 0;
    QTest::newRow("UpdateScheme=5") << scheme << "5" << -1 << 5;
    QTest::newRow("UpdateScheme=abc") << scheme << "abc" << -1 << 0;
    QTest::newRow("UpdateDelay=-5") << delay << "-5" << -1 << 300;
    QTest::newRow("UpdateDelay=0") << delay << "0" << -1 << 300;
    QTest::newRow("UpdateDelay=45") << delay << " 45 " << -1 << 45;
    QTest::newRow("ScreenSaveMinTime=0") << minTime << "0" << -1 << 2;
    QTest::newRow("ScreenSaveMinTime absent") << minTime << "" << -1 << 2;
    QTest::newRow("ScreenSaveMinTime=7") << minTime << "7" << -1 << 7;
    QTest::newRow("MaxTime absent") << maxTime << "" << -1 << 300;
    QTest::newRow("MaxTime absent, time-out 600") << maxTime << "" << 600 << 600;
    QTest::newRow("MaxTime absent, time-out 0") << maxTime << "" << 0 << 300;
    QTest::newRow("MaxTime=-3, time-out 600") << maxTime << "-3" << 600 << 600;
    QTest::newRow("MaxTime=90") << maxTime << "90" << 600 << 90;
    QTest::newRow("DefaultTime=abc") << int(Setting::DefaultTime) << "abc" << -1 << 10;
    QTest::newRow("WindowState 16-bit overflow") << int(Setting::WindowState) << "70000" << -1 << 2;
    QTest::newRow("ToolNavWidth absent") << int(Setting::ToolNavWidth) << "" << -1 << -10000;
    QTest::newRow("WindowWidth absent, current size")
        << int(Setting::WindowWidth) << "" << 9600 << 9600;
}

void SettingsTest::numberCorrections()
{
    QFETCH(int, setting);
    QFETCH(QString, stored);
    QFETCH(int, fallback);
    QFETCH(int, expected);

    const Setting s = Setting(setting);
    const QString name = settingName(s);
    setUpStore(stored.isEmpty() ? QByteArray()
                                : "[Gpane]\n" + name.toUtf8() + "=" + stored.toUtf8() + "\n");
    const SettingInfo& info = settingInfo(s);
    if (info.type == SettingType::Int16) {
        const SettingKey<qint16> key{s};
        QCOMPARE(int(fallback < 0 ? m_store->read(key) : m_store->read(key, qint16(fallback))),
                 expected);
    } else {
        const SettingKey<qint32> key{s};
        QCOMPARE(int(fallback < 0 ? m_store->read(key) : m_store->read(key, fallback)), expected);
    }
}

void SettingsTest::rebootTime_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");

    QTest::newRow("25:75") << "25:75"
                           << "01:15";
    QTest::newRow("hour only") << "3"
                               << "03:00";
    QTest::newRow("absent") << ""
                            << "00:00";
    QTest::newRow("unreadable") << "ab:cd"
                                << "00:00";
    QTest::newRow("negative brought into range") << "-1:-5"
                                                 << "23:55";
    QTest::newRow("already normal") << "23:59"
                                    << "23:59";
}

void SettingsTest::rebootTime()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);

    setUpStore(stored.isEmpty() ? QByteArray() : "[Gpane]\nRebootTime=" + stored.toUtf8() + "\n");
    QCOMPARE(m_store->read(keys::RebootTime), expected);
    // Written back the same way.
    if (!stored.isEmpty()) {
        QVERIFY(m_store->write(keys::RebootTime, stored));
        QVERIFY(documentText().contains("RebootTime=" + expected));
    }
}

void SettingsTest::textDefaultsAndWriteBack()
{
    setUpStore();
    QCOMPARE(m_store->read(keys::TestURL), QString("https://glasspane.example/"));
    QCOMPARE(m_store->read(keys::UpdateTime), QString("00:00"));
    QCOMPARE(m_store->read(keys::IEWindowTitles), QString());
    QCOMPARE(hklm("TestURL"), QString());

    // Found empty: the default is written at once, to RegKeyRoot.
    m_store->setRegKeyRoot(SettingsLocation::HKCU);
    QCOMPARE(m_store->read(keys::SpecialURL), QString("about:NavigationCanceled,"));
    QCOMPARE(m_store->read(keys::IEWindowClasses), QString("Internet Explorer_Server,"));
    QCOMPARE(hkcu("SpecialURL"), QString("about:NavigationCanceled,"));
    QCOMPARE(hkcu("IEWindowClasses"), QString("Internet Explorer_Server,"));

    // A stored value is left alone.
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "SpecialURL", "about:x,");
    const int writes = m_registry->writeCount();
    QCOMPARE(m_store->read(keys::SpecialURL), QString("about:x,"));
    QCOMPARE(m_registry->writeCount(), writes);

    // Passwords are kept as stored, other texts are trimmed.
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "Password", " p w ");
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "EMail", " me@example.org ");
    QCOMPARE(m_store->read(keys::Password), QString(" p w "));
    QCOMPARE(m_store->read(keys::EMail), QString("me@example.org"));
}

void SettingsTest::helpUrlResolvedAndStoredRelative()
{
    setUpStore();
    const QString inResources = m_program.resourceFolder + "/documentation.html";
    QCOMPARE(m_store->read(keys::HelpURL), inResources);

    QFile file(inResources);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(m_store->write(keys::HelpURL, inResources));
    QVERIFY(documentText().contains("HelpURL=documentation.html"));
    QCOMPARE(m_store->read(keys::HelpURL), inResources);

    // Addresses and paths elsewhere stay as they are.
    QVERIFY(m_store->write(keys::HelpURL, QString("http://127.0.0.1/help.html")));
    QCOMPARE(m_store->read(keys::HelpURL), QString("http://127.0.0.1/help.html"));
}

void SettingsTest::documentOnlyAndFirstPage()
{
    setUpStore(QByteArray("[Gpane]\nHomeURL=http://127.0.0.1/home\nAutoLoop=No\n"));
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "AutoLoop", "Yes");
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "HomeAsSplash", "Yes");
    m_store->setParamsLocation(SettingsLocation::HKCU);

    // Document values: the document's own first ...
    QCOMPARE(m_store->read(keys::AutoLoop), false);
    QCOMPARE(m_store->read(keys::HomeURL), QString("http://127.0.0.1/home"));
    // ... then the parameter location's, where they are written, so a save is not lost.
    QCOMPARE(m_store->read(keys::HomeAsSplash), true);
    QVERIFY(m_store->write(keys::DefaultTime, 25));
    QCOMPARE(hkcu("DefaultTime"), QString("25"));
    QVERIFY(!documentText().contains("DefaultTime"));
    QCOMPARE(m_store->read(keys::DefaultTime), 25);
    // With the parameters in the document, the registry plays no part.
    m_store->setParamsLocation(SettingsLocation::Document);
    QCOMPARE(m_store->read(keys::HomeAsSplash), false);
    QCOMPARE(m_store->read(keys::DefaultTime), 10);
    m_store->setParamsLocation(SettingsLocation::HKCU);

    // FirstPage: the document's, else the parameter location's, else the caller's.
    QCOMPARE(m_store->read(keys::FirstPage, 1), 1);
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "FirstPage", "4");
    QCOMPARE(m_store->read(keys::FirstPage, 1), 4);
    m_store->setParamsLocation(SettingsLocation::Document);
    QVERIFY(m_store->write(keys::FirstPage, 7));
    QCOMPARE(m_store->read(keys::FirstPage, 1), 7);
    m_store->setParamsLocation(SettingsLocation::HKCU);
    QCOMPARE(m_store->read(keys::FirstPage, 1), 7);
}

void SettingsTest::ntOnlySettings()
{
    setUpStore(QByteArray("[Gpane]\nAutoLogin=Yes\nNTLogin=kiosk\n"));
    QCOMPARE(m_store->read(keys::AutoLogin), true);
    QCOMPARE(m_store->read(keys::NTLogin), QString("kiosk"));

    m_system.setPlatform(PlatformFamily::Windows9x);
    QCOMPARE(m_store->read(keys::AutoLogin), false);
    QCOMPARE(m_store->read(keys::NTLogin), QString());
    QVERIFY(m_store->write(keys::NTLogin, QString("other")));
    QVERIFY(m_store->write(keys::NTPassword, QString("secret")));
    const QString text = documentText();
    QVERIFY(text.contains("NTLogin=kiosk"));
    QVERIFY(!text.contains("NTPassword"));

    // Nor are they cleared from the registry there.
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "NTLogin", "kiosk");
    m_store->ClearDocumentParameters();
    QCOMPARE(hkcu("NTLogin"), QString("kiosk"));
}

void SettingsTest::unwritableRootKeepsOldValue()
{
    setUpStore();
    m_registry->setString(RegRoot::LocalMachine, kMachineKey, "TestURL", "http://127.0.0.1/old");
    m_registry->setWritable(RegRoot::LocalMachine, false);
    m_store->setRegKeyRoot(SettingsLocation::HKLM);

    QVERIFY(!m_store->write(keys::TestURL, QString("http://127.0.0.1/new")));
    QCOMPARE(m_store->registryLayer().LastRegError(), RegStatus::AccessDenied);
    QCOMPARE(m_store->read(keys::TestURL), QString("http://127.0.0.1/old"));

    // Parameters in an unwritable HKLM fail the same quiet way.
    m_store->setParamsLocation(SettingsLocation::HKLM);
    QVERIFY(!m_store->write(keys::UpdateScheme, 3));
    QCOMPARE(m_store->read(keys::UpdateScheme), qint16(0));
    QVERIFY(!m_store->WriteLocations());
}

void SettingsTest::readOnlySettingsAreNotWritten()
{
    setUpStore();
    m_store->setParamsLocation(SettingsLocation::HKCU);
    QVERIFY(!m_store->write(keys::ScreenSaveMinTime, 5));
    QVERIFY(!m_store->write(keys::CachePath, QString("/tmp/x")));
    QVERIFY(!m_store->write(keys::CachePathIsWindowsTemp, false));
    QCOMPARE(m_registry->writeCount(), 0);
    QCOMPARE(m_store->read(keys::CachePathIsWindowsTemp), true);
    QCOMPARE(m_store->read(keys::CachePath, "/cache/glasspane"), QString("/cache/glasspane"));
}

void SettingsTest::clearDocumentParameters()
{
    setUpStore();
    for (const Setting setting : documentParameterSettings()) {
        m_registry->setString(RegRoot::CurrentUser, kUserKey, settingName(setting), "1");
        m_registry->setString(RegRoot::LocalMachine, kMachineKey, settingName(setting), "1");
    }
    QCOMPARE(documentParameterSettings().size(), std::size_t(23));
    QCOMPARE(documentParameterSettings().front(), Setting::ToolRunLocked);
    QCOMPARE(documentParameterSettings().back(), Setting::HelpURL);
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "OnMouseMove", "1");
    m_registry->setString(RegRoot::LocalMachine, kMachineKey, "TestURL", "http://127.0.0.1/");

    m_store->ClearDocumentParameters();
    for (const Setting setting : documentParameterSettings()) {
        QCOMPARE(hkcu(settingName(setting)), QString());
        QCOMPARE(hklm(settingName(setting)), QString());
    }
    QCOMPARE(hkcu("OnMouseMove"), QString("1"));
    QCOMPARE(hklm("TestURL"), QString("http://127.0.0.1/"));
}

void SettingsTest::sectionValues_data()
{
    QTest::addColumn<quint32>("location");
    QTest::newRow("document") << quint32(SettingsLocation::Document);
    QTest::newRow("HKCU") << quint32(SettingsLocation::HKCU);
    QTest::newRow("HKLM") << quint32(SettingsLocation::HKLM);
}

void SettingsTest::sectionValues()
{
    QFETCH(quint32, location);

    setUpStore();
    m_store->setParamsLocation(SettingsLocation(location));
    QVERIFY(m_store->write("ToolNavBack", keys::Visible, false));
    QVERIFY(m_store->write("ToolNavBack", keys::Position, qint16(3)));
    QVERIFY(m_store->write("ToolNavBack", keys::HelpTip, "Go back"));

    switch (SettingsLocation(location)) {
    case SettingsLocation::Document: {
        const QString text = documentText();
        QVERIFY(text.contains("[ToolNavBack]"));
        QVERIFY(text.contains("Visible=No"));
        QVERIFY(!text.contains("[Gpane]"));
        break;
    }
    case SettingsLocation::HKCU:
        QCOMPARE(hkcu("Visible", "ToolNavBack"), QString("No"));
        break;
    default:
        QCOMPARE(hklm("Visible", "ToolNavBack"), QString("No"));
        break;
    }
    QCOMPARE(m_store->read("ToolNavBack", keys::Visible, true), false);
    QCOMPARE(m_store->read("ToolNavBack", keys::Position, 0), qint16(3));
    QCOMPARE(m_store->read("ToolNavBack", keys::HelpTip), QString("Go back"));
    QCOMPARE(m_store->read("ToolNavForward", keys::Visible, true), true);
    // Nothing leaks into the product key itself.
    QCOMPARE(m_store->read(keys::Visible), true);

    QVERIFY(m_store->remove("ToolNavBack", keys::Visible));
    QCOMPARE(m_store->read("ToolNavBack", keys::Visible, true), true);
}

void SettingsTest::sectionOf()
{
    setUpStore();
    QCOMPARE(m_store->sectionOf(kMachineKey), QString("Gpane"));
    QCOMPARE(m_store->sectionOf(kUserKey.toLower()), QString("Gpane"));
    QCOMPARE(m_store->sectionOf(kMachineKey + "\\ToolNavBack"), QString("ToolNavBack"));
    QCOMPARE(m_store->sectionOf(kUserKey + "\\ToolRunNext"), QString("ToolRunNext"));
    QCOMPARE(m_store->userPath("ToolRunNext"), kUserKey + "\\ToolRunNext");
    QCOMPARE(m_store->machinePath(), kMachineKey);
}

void SettingsTest::numberedList()
{
    setUpStore();
    QStringList list;
    for (const char* item : {"/a.gpn", "/b.gpn", "/c.gpn"})
        QVERIFY(m_store->AddToNumberedList(kUserKey, "RecentFile", list, item, 3));
    QCOMPARE(list, QStringList({"/c.gpn", "/b.gpn", "/a.gpn"}));

    // Already there (without regard to case): moved to the front, nothing dropped.
    QVERIFY(m_store->AddToNumberedList(kUserKey, "RecentFile", list, "/A.gpn", 3));
    QCOMPARE(list, QStringList({"/A.gpn", "/c.gpn", "/b.gpn"}));
    // New at max: the last one drops out.
    QVERIFY(m_store->AddToNumberedList(kUserKey, "RecentFile", list, "/d.gpn", 3));
    QCOMPARE(list, QStringList({"/d.gpn", "/A.gpn", "/c.gpn"}));
    QCOMPARE(hkcu("RecentFile1"), QString("/d.gpn"));
    QCOMPARE(hkcu("RecentFile3"), QString("/c.gpn"));
    QCOMPARE(m_store->ReadNumberedValues(kUserKey, "RecentFile", 3), list);

    // Through the catalogue: RecentFile, at most 10.
    QStringList recent = m_store->readNumbered(Setting::RecentFile);
    QCOMPARE(recent, list);
    for (int i = 0; i < 12; ++i)
        QVERIFY(m_store->addToNumbered(Setting::RecentFile, recent, QString("/f%1.gpn").arg(i)));
    QCOMPARE(recent.size(), 10);
    QCOMPARE(recent.first(), QString("/f11.gpn"));
    QCOMPARE(m_store->readNumbered(Setting::RecentFile), recent);

    // A failed write is reported.
    m_registry->setWritable(RegRoot::CurrentUser, false);
    QVERIFY(!m_store->addToNumbered(Setting::RecentFile, recent, "/z.gpn"));
}

void SettingsTest::numberedListReadRules()
{
    setUpStore();
    const QString typed = QStringLiteral("Software\\Microsoft\\Internet Explorer\\TypedURLs");
    m_registry->setString(RegRoot::CurrentUser, typed, "url1", "http://127.0.0.1/1");
    m_registry->setString(RegRoot::CurrentUser, typed, "url2", "http://127.0.0.1/2");
    m_registry->setString(RegRoot::CurrentUser, typed, "url4", "http://127.0.0.1/4");
    // max 0: until the first empty value.
    QCOMPARE(m_store->ReadNumberedValues(typed, "url", 0),
             QStringList({"http://127.0.0.1/1", "http://127.0.0.1/2"}));
    // max >= 1: up to max, empty ones skipped.
    QCOMPARE(m_store->ReadNumberedValues(typed, "url", 5),
             QStringList({"http://127.0.0.1/1", "http://127.0.0.1/2", "http://127.0.0.1/4"}));

    // Writing the list back leaves no stale entry behind to come back as a duplicate.
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "RecentFile1", "/x.gpn");
    m_registry->setString(RegRoot::CurrentUser, kUserKey, "RecentFile3", "/z.gpn");
    QStringList recent = m_store->readNumbered(Setting::RecentFile);
    QCOMPARE(recent, QStringList({"/x.gpn", "/z.gpn"}));
    QVERIFY(m_store->addToNumbered(Setting::RecentFile, recent, "/x.gpn"));
    QCOMPARE(m_store->readNumbered(Setting::RecentFile), QStringList({"/x.gpn", "/z.gpn"}));
    // Blank items are not recorded.
    QVERIFY(m_store->addToNumbered(Setting::RecentFile, recent, "  "));
    QCOMPARE(recent.size(), 2);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings_test.moc"
