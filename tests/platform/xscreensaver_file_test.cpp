// The user's XScreenSaver preferences: which hack is the screen saver, and making this program
// the one without losing anything else the file holds.

#include "platform/linux/xscreensaver_file.h"

#include <QFile>
#include <QTest>

using namespace glasspane;

namespace {

// As the settings program writes it: a visual, names, disabled entries, other resources around.
const QByteArray kUserFile = "# XScreenSaver Preferences File\n"
                             "timeout:\t0:10:00\n"
                             "lock:\t\tFalse\n"
                             "mode:\t\tone\n"
                             "selected:\t2\n"
                             "textProgram:\tfortune\n"
                             "programs:\t\t\t\t\t\t\t      \\\n"
                             "\t\t\t\t maze -root\t\t\t\t    \\n\\\n"
                             "- GL:\t\t\t\t superquadrics -root\t\t    \\n\\\n"
                             "  \"Fancy (name)\"\t\t     attraction -root -mode balls   \\n\\\n"
                             "-\t\t\t\t xanalogtv -root\t\t    \\n\\\n"
                             "\n"
                             "pointerHysteresis:\t10\n"
                             "dpmsEnabled:\tFalse\n";

QStringList linesOf(const QByteArray& file)
{
    return QString::fromUtf8(file).split(u'\n');
}

} // namespace

class XScreenSaverFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectedHack_data();
    void selectedHack();
    void selectKeepsEverythingElse();
    void selectRenewsItsOwnEntry();
    void selectStartsFromTheDefaults();
    void rootSwitchOfTheInstalledVersion_data();
    void rootSwitchOfTheInstalledVersion();
    void hackProgram_data();
    void hackProgram();
};

void XScreenSaverFileTest::selectedHack_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("command");
    QTest::newRow("one") << kUserFile << "attraction -root -mode balls";
    QByteArray random = kUserFile;
    random.replace("mode:\t\tone", "mode:\t\trandom");
    QTest::newRow("random") << random << "";
    QByteArray outside = kUserFile;
    outside.replace("selected:\t2", "selected:\t9");
    QTest::newRow("selection outside the list") << outside << "";
    QByteArray blank = kUserFile;
    blank.replace("mode:\t\tone", "mode:\t\tblank");
    QTest::newRow("blank screen only") << blank << "";
    QTest::newRow("no file") << QByteArray() << "";
}

void XScreenSaverFileTest::selectedHack()
{
    QFETCH(QByteArray, file);
    QTEST(XScreenSaverChoice::parse(file).selectedCommand(), "command");
}

void XScreenSaverFileTest::selectKeepsEverythingElse()
{
    const QByteArray written = SelectHack(kUserFile, QStringLiteral("/usr/bin/glasspane"));
    const XScreenSaverChoice choice = XScreenSaverChoice::parse(written);
    QCOMPARE(choice.selectedCommand(), QStringLiteral("/usr/bin/glasspane --root"));
    QCOMPARE(choice.mode, QStringLiteral("one"));
    QCOMPARE(choice.selected, 4);

    // The other hacks as they were, disabled ones included.
    const XScreenSaverChoice before = XScreenSaverChoice::parse(kUserFile);
    QCOMPARE(choice.hacks.size(), before.hacks.size() + 1);
    for (qsizetype i = 0; i < before.hacks.size(); ++i) {
        QCOMPARE(choice.hacks.at(i).text, before.hacks.at(i).text);
        QCOMPARE(choice.hacks.at(i).enabled, before.hacks.at(i).enabled);
    }
    // Every line outside the three values, in its order.
    auto others = [](const QByteArray& file) {
        QStringList kept;
        bool inPrograms = false;
        for (const QString& line : linesOf(file)) {
            if (line.startsWith(u"programs:"))
                inPrograms = true;
            else if (inPrograms && !line.endsWith(u'\\'))
                inPrograms = false;
            else if (!inPrograms && !line.startsWith(u"mode:") && !line.startsWith(u"selected:"))
                kept << line;
        }
        return kept;
    };
    QCOMPARE(others(written), others(kUserFile));
    // Once more changes nothing.
    QCOMPARE(SelectHack(written, QStringLiteral("/usr/bin/glasspane")), written);
}

void XScreenSaverFileTest::selectRenewsItsOwnEntry()
{
    QByteArray file = kUserFile;
    file.replace("-\t\t\t\t xanalogtv -root",
                 "-\t\t\t\t \"Old kiosk\" /opt/old/glasspane -root /S");
    file.replace("mode:\t\tone", "mode:\t\trandom");
    // A path with blanks and a quote is one word for the shell.
    const QString program = QStringLiteral("/opt/Kiosk's show/glasspane");
    const XScreenSaverChoice choice = XScreenSaverChoice::parse(SelectHack(file, program));
    QCOMPARE(choice.hacks.size(), 4);
    QCOMPARE(choice.selected, 3);
    QVERIFY(choice.hacks.at(3).enabled);
    QCOMPARE(HackProgram(choice.selectedCommand()), program);
}

void XScreenSaverFileTest::selectStartsFromTheDefaults()
{
    const QByteArray defaults = "! XScreenSaver defaults\n"
                                "*mode:\t\t\trandom\n"
                                "*programs:\t\t\t\t\t\t\t\t      \\\n"
                                "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
                                "  GL:\t\t\t\tsuperquadrics -root\t\t    \\n\\\n"
                                "\n"
                                "*pointerPollTime:\t0:00:05\n";
    // The user's file says how long, not which: the list comes from XScreenSaver's defaults.
    const QByteArray user = "timeout:\t0:05:00\n";
    const QByteArray written = SelectHack(user, QStringLiteral("/usr/bin/glasspane"), defaults);
    QVERIFY(written.startsWith(user));
    const XScreenSaverChoice choice = XScreenSaverChoice::parse(written);
    QCOMPARE(choice.hacks.size(), 3);
    QCOMPARE(choice.hacks.at(1).command, QStringLiteral("superquadrics -root"));
    QCOMPARE(choice.selectedCommand(), QStringLiteral("/usr/bin/glasspane --root"));

    // No file and no defaults: a file with this program alone.
    const XScreenSaverChoice alone =
        XScreenSaverChoice::parse(SelectHack(QByteArray(), QStringLiteral("/usr/bin/glasspane")));
    QCOMPARE(alone.hacks.size(), 1);
    QCOMPARE(alone.selectedCommand(), QStringLiteral("/usr/bin/glasspane --root"));
}

void XScreenSaverFileTest::rootSwitchOfTheInstalledVersion_data()
{
    QTest::addColumn<QByteArray>("defaults");
    QTest::addColumn<QString>("rootSwitch");
    const QByteArray header = "!\n!                              XScreenSaver\n!\n"
                              "!                              version %1\n!\n";
    QTest::newRow("6.05") << QByteArray(header).replace("%1", "6.05") << "--root";
    QTest::newRow("5.45") << QByteArray(header).replace("%1", "5.45") << "-root";
    QTest::newRow("10.1") << QByteArray(header).replace("%1", "10.1") << "--root";
    // A version named further down is no header's.
    QTest::newRow("no header") << QByteArray("*mode: one\n! version 5.1\n") << "--root";
    QTest::newRow("not installed") << QByteArray() << "--root";
    // What the daemon on this machine passes to the hacks of its own list.
    QFile installed(QStringLiteral("/etc/X11/app-defaults/XScreenSaver"));
    if (installed.open(QIODevice::ReadOnly)) {
        const QByteArray text = installed.readAll();
        const XScreenSaverChoice choice = XScreenSaverChoice::parse(text);
        const QString maze = choice.hacks.isEmpty() ? QString() : choice.hacks.first().command;
        QTest::newRow("installed") << text << maze.section(u' ', 1, 1);
    }
}

void XScreenSaverFileTest::rootSwitchOfTheInstalledVersion()
{
    QFETCH(QByteArray, defaults);
    QTEST(RootSwitch(defaults), "rootSwitch");
}

void XScreenSaverFileTest::hackProgram_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("program");
    QTest::newRow("plain") << "maze -root"
                           << "maze";
    QTest::newRow("path") << "  /usr/bin/glasspane -root"
                          << "/usr/bin/glasspane";
    QTest::newRow("single quotes") << "'/opt/a b/glasspane' -root"
                                   << "/opt/a b/glasspane";
    QTest::newRow("double quotes") << "\"/opt/a \\\"b\\\"/x\" -root"
                                   << "/opt/a \"b\"/x";
    QTest::newRow("escaped blank") << "/opt/a\\ b/x -root"
                                   << "/opt/a b/x";
    QTest::newRow("empty") << ""
                           << "";
}

void XScreenSaverFileTest::hackProgram()
{
    QFETCH(QString, command);
    QTEST(HackProgram(command), "program");
}

QTEST_GUILESS_MAIN(XScreenSaverFileTest)
#include "xscreensaver_file_test.moc"
