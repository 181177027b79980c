#include "platform/linux/gio_shares.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace glasspane;

// A stand-in for gio, first in PATH, that logs its arguments (one per line, then "--") and
// answers by the server's name: "down" and "guest" wait for a password on their input (and
// "guest" mounts anonymously, with -a), "slow" never ends.
// Mounted locations are listed in $GIO_LOG.mounted; only they have a local path.
static const char FakeGio[] =
    "#!/bin/sh\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$GIO_LOG\"; done\n"
    "echo -- >> \"$GIO_LOG\"\n"
    "state=\"$GIO_LOG.mounted\"; touch \"$state\"\n"
    "case \"$1 $2\" in\n"
    "  \"mount -u\") grep -vx \"$3\" \"$state\" > \"$state.new\"; mv \"$state.new\" \"$state\"; "
    "exit 0 ;;\n"
    "  \"mount -a\") case \"$3\" in smb://guest/*) echo \"$3\" >> \"$state\"; exit 0 ;; "
    "esac; exit 2 ;;\n"
    "  \"mount smb://down/\"*|\"mount smb://guest/\"*) printf 'Password: '; read answer && exit 0; "
    "exit 2 ;;\n"
    "  \"mount smb://slow/\"*) exec sleep 60 ;;\n"
    "  \"mount \"*) echo \"$2\" >> \"$state\"; exit 0 ;;\n"
    "  \"info \"*) grep -qx \"$2\" \"$state\" || exit 1\n"
    "    echo \"uri: $2\"; echo \"local path: $GIO_MOUNT\"; exit 0 ;;\n"
    "esac\n"
    "exit 1\n";

class GioSharesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void shareUrl_data();
    void shareUrl();
    void connectLocalPathDisconnect();
    void failuresAreClean();
    void gvfsFolderWithoutGio();
    void noGio();

private:
    QStringList log() const;

    QTemporaryDir m_dir;
    QByteArray m_path;
};

void GioSharesTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QDir().mkpath(m_dir.path() + "/bin");
    QDir().mkpath(m_dir.path() + "/mount");
    QFile gio(m_dir.path() + "/bin/gio");
    QVERIFY(gio.open(QIODevice::WriteOnly));
    gio.write(FakeGio);
    gio.close();
    QVERIFY(gio.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    m_path = qgetenv("PATH");
    qputenv("PATH", QByteArray(QFile::encodeName(m_dir.path() + "/bin:") + m_path));
    qputenv("GIO_LOG", QFile::encodeName(m_dir.path() + "/log"));
    qputenv("GIO_MOUNT", QFile::encodeName(m_dir.path() + "/mount"));
}

void GioSharesTest::init()
{
    QFile::remove(m_dir.path() + "/log");
}

QStringList GioSharesTest::log() const
{
    return QString::fromUtf8(readFileBytes(m_dir.path() + "/log")).split('\n', Qt::SkipEmptyParts);
}

void GioSharesTest::shareUrl_data()
{
    QTest::addColumn<QString>("share");
    QTest::addColumn<QString>("url");
    QTest::newRow("backslashes") << "\\\\server\\docs"
                                 << "smb://server/docs";
    QTest::newRow("slashes") << "//server/docs"
                             << "smb://server/docs";
    QTest::newRow("deeper path") << "\\\\server\\docs\\sub\\x.gpn"
                                 << "smb://server/docs";
    QTest::newRow("blank in share") << "\\\\server\\my docs"
                                    << "smb://server/my%20docs";
    QTest::newRow("no share") << "\\\\server"
                              << "";
    QTest::newRow("local path") << "/home/u/docs"
                                << "";
    QTest::newRow("empty") << ""
                           << "";
}

void GioSharesTest::shareUrl()
{
    QFETCH(QString, share);
    QFETCH(QString, url);
    QCOMPARE(GioShares::shareUrl(share), url);
}

void GioSharesTest::connectLocalPathDisconnect()
{
    GioShares shares;
    QVERIFY(shares.localPath("\\\\Server\\Docs").isEmpty());
    init();
    QVERIFY(shares.connect("\\\\Server\\Docs"));
    // Asked first whether it is mounted already, then mounted.
    QCOMPARE(log(),
             (QStringList{"info", "smb://server/Docs", "--", "mount", "smb://server/Docs", "--"}));
    QCOMPARE(shares.localPath("\\\\Server\\Docs"), m_dir.path() + "/mount");
    // Mounted already: no second mount.
    init();
    QVERIFY(shares.connect("//server/Docs"));
    QVERIFY(!log().contains("mount"));

    init();
    QVERIFY(shares.disconnect("//server/Docs"));
    QCOMPARE(log(), (QStringList{"mount", "-u", "smb://server/Docs", "--"}));
    QVERIFY(shares.localPath("\\\\Server\\Docs").isEmpty());
}

void GioSharesTest::failuresAreClean()
{
    // No password can be typed: the prompt meets a closed input and gio gives up at once.
    GioShares shares(600000);
    QVERIFY(!shares.connect("\\\\down\\share"));
    // A share open to guests is mounted anonymously once the user's own credentials failed.
    init();
    QVERIFY(shares.connect("\\\\guest\\pub"));
    QCOMPARE(log().mid(3), (QStringList{"mount", "smb://guest/pub", "--", "mount", "-a",
                                        "smb://guest/pub", "--"}));
    QCOMPARE(shares.localPath("//guest/pub"), m_dir.path() + "/mount");
    QVERIFY(shares.disconnect("//guest/pub"));
    // A mount that hangs is given up after the wait.
    GioShares impatient(300);
    QVERIFY(!impatient.connect("\\\\slow\\share"));
    // Not a share at all: gio is not even asked.
    init();
    QVERIFY(!shares.connect("C:\\docs"));
    QVERIFY(!shares.disconnect("docs"));
    QVERIFY(shares.localPath("docs").isEmpty());
    QVERIFY(log().isEmpty());
}

void GioSharesTest::gvfsFolderWithoutGio()
{
    const QString folder =
        qEnvironmentVariable("XDG_RUNTIME_DIR") + "/gvfs/smb-share:server=host,share=pub";
    QVERIFY(QDir().mkpath(folder));
    GioShares shares;
    QCOMPARE(shares.localPath("\\\\HOST\\Pub"), folder);
    // Mounted already: connecting needs no gio call.
    QVERIFY(shares.connect("//host/pub"));
    QVERIFY(log().isEmpty());
    QVERIFY(QDir(folder).removeRecursively());
}

void GioSharesTest::noGio()
{
    qputenv("PATH", QFile::encodeName(m_dir.path() + "/mount"));
    GioShares shares;
    QVERIFY(!shares.connect("\\\\server\\docs"));
    QVERIFY(!shares.disconnect("\\\\server\\docs"));
    QVERIFY(shares.localPath("\\\\server\\docs").isEmpty());
    qputenv("PATH", QByteArray(QFile::encodeName(m_dir.path() + "/bin:") + m_path));
}

QTEST_GUILESS_MAIN(GioSharesTest)
#include "gio_shares_test.moc"
