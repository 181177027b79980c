// Where options live, through the real hive files: a document saved and loaded again gives
// back what was saved whatever ParamsLocation and RegKey say, and a document's missing [Gpane]
// values are looked for where that document keeps its parameters.

#include "document/document.h"
#include "document/ini_files.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "platform/linux/reg_hive_registry.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/settable_clock.h"
#include "support/test_files.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace glasspane;

namespace {

const QString kUserKey = QStringLiteral("Software\\Qorvath\\Glasspane");
const QString kMachineKey = QStringLiteral("SOFTWARE\\Qorvath\\Glasspane");

// One run of the program: fresh objects over the same files, as after a restart.
struct Run
{
    explicit Run(const QTemporaryDir& dir)
        : registry(RegHivePaths{dir.filePath("config/user.reg"),
                                dir.filePath("machine/machine.reg"),
                                dir.filePath("machine/classes.reg")}),
          shell(dir.filePath("shell")),
          settings(registry, ini, program, system), services{ini,      settings, program, shell,
                                                             registry, clock,    nullptr, {},
                                                             {},       {}}
    {
        program.resourceFolder = dir.filePath("res");
        program.startFolder = dir.path() + QLatin1Char('/');
        system.setPlatform(PlatformFamily::NtFamily);
        settings.ReadRegKeyRoot();
    }
    bool load(const QString& path) { return LoadDocument(services, doc, path, path); }

    RegHiveRegistry registry;
    IniFiles ini;
    ProgramValues program;
    FakeSystem system;
    FakeShell shell;
    SettableClock clock;
    SettingsStore settings;
    DocumentState doc;
    DocumentServices services;
};

void setValue(Registry& registry, RegRoot root, const QString& sub, const QString& name,
              const QString& value)
{
    const QString key = root == RegRoot::CurrentUser ? kUserKey : kMachineKey;
    QCOMPARE(registry.setValue(root, sub.isEmpty() ? key : key + '\\' + sub, name,
                               RegValue{RegType::String, regStringData(value)}),
             RegStatus::Success);
}

} // namespace

class SettingsPlacesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What a save writes, the next load reads back: the parameters, the tool bar buttons and
    // the address box, also where stale copies in the other places would have been read first
    // (the document's, the per-user key's in front of the machine key, the other key's behind
    // an emptied value).
    void saveThenLoadGivesBackWhatWasSaved_data()
    {
        QTest::addColumn<QString>("loadParams"); // ParamsLocation as stored before
        QTest::addColumn<QString>("regKey");     // RegKey as stored before
        QTest::addColumn<QString>("heldBy");     // where those two are stored: HKCU, HKLM, document
        QTest::addColumn<QString>("saveParams"); // set before saving ("" = unchanged)

        for (const char* params : {"1", "HKCU", "HKLM", "0"}) {
            for (const char* regKey : {"HKCU", "HKLM"}) {
                QTest::addRow("ParamsLocation=%s, RegKey=%s", params, regKey)
                    << params << regKey << regKey << "";
            }
        }
        QTest::newRow("held by the document, HKLM, saved as HKCU") << "HKLM"
                                                                   << "HKLM"
                                                                   << "document"
                                                                   << "HKCU";
        QTest::newRow("held by the document, automatic") << "0"
                                                         << "HKCU"
                                                         << "document"
                                                         << "";
        QTest::newRow("document saved as automatic") << "1"
                                                     << "HKCU"
                                                     << "HKCU"
                                                     << "0";
        QTest::newRow("machine key saved as document") << "HKLM"
                                                       << "HKLM"
                                                       << "HKLM"
                                                       << "1";
    }
    void saveThenLoadGivesBackWhatWasSaved()
    {
        QFETCH(QString, loadParams);
        QFETCH(QString, regKey);
        QFETCH(QString, heldBy);
        QFETCH(QString, saveParams);

        QTemporaryDir dir;
        const QString path = dir.filePath("show.gpn");
        QByteArray text = "[Gpane]\r\nHomeURL=http://127.0.0.1/home\r\n";
        if (heldBy == u"document")
            text +=
                "ParamsLocation=" + loadParams.toUtf8() + "\r\nRegKey=" + regKey.toUtf8() + "\r\n";
        // Stale copies everywhere: the Home button hidden, which the save brings back.
        text += "[ToolNavHome]\r\nVisible=No\r\n[Page1]\r\nURL=http://127.0.0.1/a\r\n";
        QVERIFY(writeFileBytes(path, text));
        {
            RegHiveRegistry registry(RegHivePaths{dir.filePath("config/user.reg"),
                                                  dir.filePath("machine/machine.reg"),
                                                  dir.filePath("machine/classes.reg")});
            for (RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine})
                setValue(registry, root, "ToolNavHome", "Visible", "No");
            if (heldBy != u"document") {
                const RegRoot root =
                    heldBy == u"HKCU" ? RegRoot::CurrentUser : RegRoot::LocalMachine;
                setValue(registry, root, QString(), "RegKey", regKey);
                setValue(registry, root, QString(), "ParamsLocation", loadParams);
            }
        }

        SettingsLocation savedParams;
        SettingsLocation savedRoot;
        {
            Run first(dir);
            QVERIFY(first.load(path));
            QVERIFY(!first.doc.ToolNavButtons[ToolNavHome].Visible);
            if (!saveParams.isEmpty()) {
                first.settings.setParamsLocation(SettingsStore::parseParamsLocation(saveParams));
                if (saveParams == u"HKCU" || saveParams == u"HKLM")
                    first.settings.setRegKeyRoot(first.settings.ParamsLocation());
            }
            savedParams = first.settings.ParamsLocation();
            savedRoot = first.settings.RegKeyRoot();

            DocumentState& doc = first.doc;
            doc.ToolNavButtons[ToolNavHome].Visible = true;
            doc.ToolNavButtons[ToolNavBack].Visible = false;
            doc.ToolRunButtons[ToolRunNext].Visible = false;
            doc.ToolRunButtons[ToolRunPlay].HelpTip = QStringLiteral("Go on");
            doc.ToolRunButtons[ToolRunQuit].Position = 0;
            doc.ToolRunButtons[ToolRunPlay].Position = 4;
            doc.ToolNavURLVisible = false;
            doc.DefaultTime = 7;
            doc.AutoLoop = false;
            SettingsStore& s = first.settings;
            QVERIFY(SaveDocument(first.services, doc, path, path, [&s] {
                QVERIFY(s.write(keys::RandomMode, true));
                QVERIFY(s.write(keys::OnMouseMove, qint32(1)));
                QVERIFY(s.write(keys::RebootTime, QStringLiteral("4:30")));
            }));
        }

        Run second(dir);
        QVERIFY(second.load(path));
        QCOMPARE(second.settings.ParamsLocation(), savedParams);
        QCOMPARE(second.settings.RegKeyRoot(), savedRoot);
        const DocumentState& doc = second.doc;
        QVERIFY(doc.ToolNavButtons[ToolNavHome].Visible);
        QVERIFY(!doc.ToolNavButtons[ToolNavBack].Visible);
        QVERIFY(!doc.ToolRunButtons[ToolRunNext].Visible);
        QCOMPARE(doc.ToolRunButtons[ToolRunPlay].HelpTip, QStringLiteral("Go on"));
        QCOMPARE(doc.ToolRunButtons[ToolRunQuit].Position, qint16(0));
        QCOMPARE(doc.ToolRunButtons[ToolRunPlay].Position, qint16(4));
        QVERIFY(!doc.ToolNavURLVisible);
        QCOMPARE(doc.DefaultTime, 7);
        QVERIFY(!doc.AutoLoop);
        QCOMPARE(doc.HomeURL, QStringLiteral("http://127.0.0.1/home"));
        QVERIFY(second.settings.read(keys::RandomMode));
        QCOMPARE(second.settings.read(keys::OnMouseMove), qint16(1));
        QCOMPARE(second.settings.read(keys::RebootTime), QStringLiteral("04:30"));
    }

    // A document that keeps its parameters in the machine key, loaded after one that kept
    // them in itself: the [Gpane] values it lacks come from the machine key.
    void missingDocumentValuesFromTheNewDocumentsPlace()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath("first.gpn");
        const QString second = dir.filePath("second.gpn");
        QVERIFY(writeFileBytes(first, "[Gpane]\r\nHomeURL=http://127.0.0.1/first\r\n"
                                      "DefaultTime=5\r\n[Page1]\r\nURL=http://127.0.0.1/a\r\n"));
        QVERIFY(writeFileBytes(second, "[Gpane]\r\nParamsLocation=HKLM\r\n"
                                       "[Page1]\r\nURL=http://127.0.0.1/b\r\n"));
        Run run(dir);
        setValue(run.registry, RegRoot::LocalMachine, QString(), "HomeURL",
                 "http://127.0.0.1/machine-home");
        setValue(run.registry, RegRoot::LocalMachine, QString(), "DefaultTime", "25");
        setValue(run.registry, RegRoot::LocalMachine, QString(), "AutoLoop", "No");

        QVERIFY(run.load(first));
        QCOMPARE(run.settings.ParamsLocation(), SettingsLocation::Document);
        QCOMPARE(run.doc.DefaultTime, 5);
        QVERIFY(run.doc.AutoLoop);

        QVERIFY(run.load(second));
        QCOMPARE(run.settings.ParamsLocation(), SettingsLocation::HKLM);
        QCOMPARE(run.doc.HomeURL, QStringLiteral("http://127.0.0.1/machine-home"));
        QCOMPARE(run.doc.DefaultTime, 25);
        QVERIFY(!run.doc.AutoLoop);

        // And back: the first document's own values, nothing of the machine key's.
        QVERIFY(run.load(first));
        QCOMPARE(run.doc.HomeURL, QStringLiteral("http://127.0.0.1/first"));
        QVERIFY(run.doc.AutoLoop);
    }
};

QTEST_GUILESS_MAIN(SettingsPlacesTest)
#include "settings_places_test.moc"
