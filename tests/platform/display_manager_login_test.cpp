// The display managers' automatic login, written into a scratch configuration folder: each
// display manager's own file, the other lines of a shared file kept, names that could change a
// file's meaning refused, and what cannot be written reported.

#include "platform/linux/display_manager_login.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace glasspane;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

const char kLightdm[] = "lightdm/lightdm.conf.d/50-glasspane-autologin.conf";
const char kSddm[] = "sddm.conf.d/50-glasspane-autologin.conf";

} // namespace

class DisplayManagerLoginTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachDisplayManager_data();
    void eachDisplayManager();
    void gdmKeepsItsOtherLines();
    void namesThatCouldChangeAFile_data();
    void namesThatCouldChangeAFile();
    void whatCannotBeWrittenIsReported();
    void fileHandedToTheUser();
    void rootFromTheEnvironment();
};

void DisplayManagerLoginTest::eachDisplayManager_data()
{
    QTest::addColumn<QStringList>("present"); // folders and files the machine has
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<bool>("ok");
    QTest::newRow("LightDM") << QStringList{"lightdm/"} << QStringList{kLightdm} << true;
    QTest::newRow("SDDM, its file only") << QStringList{"sddm.conf"} << QStringList{kSddm} << true;
    QTest::newRow("SDDM, its folder") << QStringList{"sddm.conf.d/"} << QStringList{kSddm} << true;
    QTest::newRow("GDM of Debian")
        << QStringList{"gdm3/"} << QStringList{"gdm3/daemon.conf"} << true;
    QTest::newRow("GDM elsewhere") << QStringList{"gdm/"} << QStringList{"gdm/custom.conf"} << true;
    QTest::newRow("all") << QStringList{"lightdm/", "sddm.conf", "gdm3/"}
                         << QStringList{kLightdm, kSddm, "gdm3/daemon.conf"} << true;
    QTest::newRow("none") << QStringList{"X11/"} << QStringList{} << false;
}

void DisplayManagerLoginTest::eachDisplayManager()
{
    QFETCH(QStringList, present);
    QFETCH(QStringList, written);
    QTemporaryDir etc;
    for (const QString& p : present) {
        if (p.endsWith(u'/'))
            QVERIFY(QDir().mkpath(etc.filePath(p)));
        else
            QVERIFY(writeFileBytes(etc.filePath(p), "[General]\n"));
    }
    const AutomaticLoginResult result = WriteAutomaticLogin(etc.path(), QStringLiteral("kiosk"));
    QTEST(result.ok(), "ok");
    QStringList expected;
    for (const QString& w : written)
        expected << etc.filePath(w);
    QCOMPARE(result.written, expected);
    if (written.isEmpty())
        QCOMPARE(result.problems,
                 QStringList{"no LightDM, GDM or SDDM configuration in " + etc.path()});

    for (const QString& path : std::as_const(expected)) {
        const QByteArray text = readFileBytes(path);
        if (path.contains("lightdm"))
            QVERIFY(text.contains("\n[Seat:*]\nautologin-user=kiosk\nautologin-user-timeout=0\n"));
        else if (path.contains("sddm"))
            QVERIFY(text.contains("\n[Autologin]\nUser=kiosk\n"));
        else
            QCOMPARE(text,
                     QByteArray("[daemon]\nAutomaticLoginEnable=true\nAutomaticLogin=kiosk\n"));
        // Nothing secret in them: readable as such files are.
        QCOMPARE(modeOf(path), mode_t(0644));
    }
}

void DisplayManagerLoginTest::gdmKeepsItsOtherLines()
{
    QTemporaryDir etc;
    const QString conf = etc.filePath("gdm3/daemon.conf");
    QVERIFY(writeFileBytes(conf, "# GDM configuration storage\n"
                                 "[daemon]\n"
                                 "WaylandEnable=false\n"
                                 "#  AutomaticLoginEnable = true\n"
                                 "AutomaticLogin = someone\n"
                                 "\n"
                                 "[security]\n"
                                 "DisallowTCP=true\n"));
    QVERIFY(QFile::setPermissions(conf, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(WriteAutomaticLogin(etc.path(), QStringLiteral("kiosk")).ok());
    QCOMPARE(readFileBytes(conf), QByteArray("# GDM configuration storage\n"
                                             "[daemon]\n"
                                             "WaylandEnable=false\n"
                                             "#  AutomaticLoginEnable = true\n"
                                             "AutomaticLogin=kiosk\n"
                                             "AutomaticLoginEnable=true\n"
                                             "\n"
                                             "[security]\n"
                                             "DisallowTCP=true\n"));
    QCOMPARE(modeOf(conf), mode_t(0640));
}

void DisplayManagerLoginTest::namesThatCouldChangeAFile_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "kiosk" << true;
    QTest::newRow("digits, dot, dash") << "info-screen.2" << true;
    QTest::newRow("machine account") << "lobby$" << true;
    QTest::newRow("line end") << "kiosk\n[Seat:*]" << false;
    QTest::newRow("blank") << "kiosk user" << false;
    QTest::newRow("equals") << "a=b" << false;
    QTest::newRow("dash first") << "-kiosk" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("too long") << QString(33, u'k') << false;
    QTest::newRow("domain form") << "CORP\\kiosk" << false;
}

void DisplayManagerLoginTest::namesThatCouldChangeAFile()
{
    QFETCH(QString, user);
    QFETCH(bool, valid);
    QCOMPARE(IsValidLoginName(user), valid);
    QTemporaryDir etc;
    QVERIFY(QDir().mkpath(etc.filePath("lightdm")));
    const AutomaticLoginResult result = WriteAutomaticLogin(etc.path(), user);
    QCOMPARE(result.ok(), valid);
    if (!valid) {
        QVERIFY(result.written.isEmpty());
        QVERIFY(!QFile::exists(etc.filePath(kLightdm)));
    }
}

void DisplayManagerLoginTest::whatCannotBeWrittenIsReported()
{
    QTemporaryDir etc;
    // A file where LightDM's drop-in folder belongs; SDDM's can be written.
    QVERIFY(writeFileBytes(etc.filePath("lightdm/lightdm.conf.d"), "not a folder"));
    QVERIFY(writeFileBytes(etc.filePath("sddm.conf"), ""));
    const AutomaticLoginResult result = WriteAutomaticLogin(etc.path(), QStringLiteral("kiosk"));
    QVERIFY(!result.ok());
    QCOMPARE(result.written, QStringList{etc.filePath(kSddm)});
    QCOMPARE(result.problems.size(), 1);
    QVERIFY2(result.problems.first().contains("lightdm.conf.d"),
             qPrintable(result.problems.first()));
}

// The administrator may give the kiosk user the drop-in file alone, in a folder it may not
// write: the file is written in place.
void DisplayManagerLoginTest::fileHandedToTheUser()
{
    if (::geteuid() == 0)
        QSKIP("the superuser writes any folder");
    QTemporaryDir etc;
    const QString dropIn = etc.filePath(kLightdm);
    QVERIFY(writeFileBytes(dropIn, ""));
    const QString folder = QFileInfo(dropIn).absolutePath();
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const AutomaticLoginResult result = WriteAutomaticLogin(etc.path(), QStringLiteral("kiosk"));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY2(result.ok(), qPrintable(result.problems.join("; ")));
    QVERIFY(readFileBytes(dropIn).contains("autologin-user=kiosk\n"));
}

void DisplayManagerLoginTest::rootFromTheEnvironment()
{
    const QByteArray saved = qgetenv("GLASSPANE_DM_CONFIG_DIR");
    qputenv("GLASSPANE_DM_CONFIG_DIR", "/srv/image/etc/");
    QCOMPARE(DisplayManagerConfigRoot(), QStringLiteral("/srv/image/etc"));
    qunsetenv("GLASSPANE_DM_CONFIG_DIR");
    QCOMPARE(DisplayManagerConfigRoot(), QStringLiteral("/etc"));
    if (!saved.isEmpty())
        qputenv("GLASSPANE_DM_CONFIG_DIR", saved);
}

QTEST_GUILESS_MAIN(DisplayManagerLoginTest)
#include "display_manager_login_test.moc"
