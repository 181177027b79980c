// The help and contact actions: which browser opens an address (the HTML file type's open
// command in HKEY_CLASSES_ROOT first, else the desktop's program for text/html), the
// percent-encoding and the contact request.

#include "config/model/help_actions.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/memory_registry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

class HelpActionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openCommand_data();
    void openCommand();
    void browserChosen();
    void percentEncode_data();
    void percentEncode();
    void contactRequest_data();
    void contactRequest();
};

void HelpActionsTest::openCommand_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    const QString a = QStringLiteral("http://a.example/x y");
    QTest::newRow("-nohome") << R"("C:\Program Files\Browser\b.exe" -nohome "%1")"
                             << R"(C:\Program Files\Browser\b.exe)" << QStringList{"-nohome", a};
    QTest::newRow("bare") << "/usr/bin/browser"
                          << "/usr/bin/browser" << QStringList{a};
    QTest::newRow("order kept, blanks")
        << R"(/usr/bin/b  --new-window   "%1" --private)"
        << "/usr/bin/b" << QStringList{"--new-window", "--private", a};
    QTest::newRow("quoted argument") << R"(b "--profile=/srv/kiosk profile" %1)"
                                     << "b" << QStringList{"--profile=/srv/kiosk profile", a};
    QTest::newRow("nothing") << "   " << QString() << QStringList();
}

void HelpActionsTest::openCommand()
{
    QFETCH(QString, line);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    const std::optional<ProgramCommand> command =
        OpenCommandFor(line, QStringLiteral("http://a.example/x y"));
    QCOMPARE(command.has_value(), !program.isEmpty());
    if (command) {
        QCOMPARE(command->program, program);
        QCOMPARE(command->arguments, arguments);
    }
}

void HelpActionsTest::browserChosen()
{
    QTemporaryDir dir;
    MemoryRegistry registry;
    FakeShell shell(dir.path());
    FakeSystem system;
    const QString address = QStringLiteral("https://glasspane.example/");

    // Nothing known: nothing starts.
    QVERIFY(!OpenInDefaultBrowser(registry, shell, system, address));
    QVERIFY(system.started().isEmpty());

    // The desktop's program for HTML.
    shell.setTypeCommand(QStringLiteral("text/html"), {"/usr/bin/firefox", "--new-tab"});
    QVERIFY(OpenInDefaultBrowser(registry, shell, system, address));
    QCOMPARE(system.started().last().program, QStringLiteral("/usr/bin/firefox"));
    QCOMPARE(system.started().last().arguments, (QStringList{"--new-tab", address}));

    // An administrator's open command wins; ".html" counts when ".htm" has no type.
    auto set = [&registry](const QString& key, const QString& value) {
        registry.setValue(RegRoot::ClassesRoot, key, QString(),
                          RegValue{RegType::String, regStringData(value)});
    };
    set(QStringLiteral(".html"), QStringLiteral("kioskhtml"));
    QVERIFY(OpenInDefaultBrowser(registry, shell, system, address)); // no command yet
    QCOMPARE(system.started().last().program, QStringLiteral("/usr/bin/firefox"));
    set(QStringLiteral("kioskhtml\\shell\\open\\command"),
        QStringLiteral("\"/opt/kiosk browser/run\" -nohome \"%1\""));
    QVERIFY(OpenInDefaultBrowser(registry, shell, system, address));
    QCOMPARE(system.started().last().program, QStringLiteral("/opt/kiosk browser/run"));
    QCOMPARE(system.started().last().arguments, (QStringList{"-nohome", address}));

    // A program that does not start.
    system.setStartFails(true);
    QVERIFY(!OpenInDefaultBrowser(registry, shell, system, address));
}

void HelpActionsTest::percentEncode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("letters") << "abc"
                             << "%61%62%63";
    QTest::newRow("space") << " "
                           << "%20";
    QTest::newRow("tab") << "\t"
                         << "%09";
    QTest::newRow("e-mail") << "a@b.c"
                            << "%61%40%62%2E%63";
    QTest::newRow("latin") << QStringLiteral("\u00e9") << "%E9";
    QTest::newRow("euro") << QStringLiteral("\u20ac") << "%80";
    QTest::newRow("outside the code page") << QStringLiteral("\u4e2d") << "%E4%B8%AD";
    QTest::newRow("empty") << ""
                           << "";
}

void HelpActionsTest::percentEncode()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(PercentEncode(text), encoded);
}

void HelpActionsTest::contactRequest_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("dontUse");
    QTest::addColumn<QString>("query");
    const QString placeholder = PercentEncode(QString::fromLatin1(kPlaceholderEMail));
    QTest::newRow("sent") << "Al"
                          << "a@b.c" << false << "realname=%41%6C&email=%61%40%62%2E%63";
    QTest::newRow("no name") << ""
                             << "a@b.c" << false << "realname=Unknown&email=%61%40%62%2E%63";
    QTest::newRow("withheld") << "Al"
                              << "a@b.c" << true << "realname=Unknown&email=" + placeholder;
    QTest::newRow("invalid") << ""
                             << "nobody" << false << "realname=Unknown&email=" + placeholder;
}

void HelpActionsTest::contactRequest()
{
    QFETCH(QString, name);
    QFETCH(QString, email);
    QFETCH(bool, dontUse);
    QFETCH(QString, query);
    QCOMPARE(
        ContactRequestAddress(QStringLiteral("https://glasspane.example/"), name, email, dontUse),
        QStringLiteral("https://glasspane.example/cgi-local/formmail.pl?") + query);
}

QTEST_GUILESS_MAIN(HelpActionsTest)
#include "help_actions_test.moc"
