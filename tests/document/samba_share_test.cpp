#include "document/document.h"
#include "document/document_files.h"
#include "document/paths.h"
#include "document_fixture.h"
#include "platform/linux/gio_shares.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>
#include <unistd.h>

using namespace glasspane;

// A document on a real network share: a Samba server of the test's own on 127.0.0.1, mounted
// with gio (gvfs, its FUSE folder) on a session bus of the test's own. Skipped where the
// machine cannot run them (not root, a package missing, the SMB port taken).
class SambaShareTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void documentOnTheShare();

private:
    QString m_skip; // why the test cannot run here
    QTemporaryDir m_dir;
    QProcess m_smbd;
    QProcess m_bus;
};

void SambaShareTest::initTestCase()
{
    for (const char* program : {"smbd", "dbus-daemon", "gio"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty() &&
            QStandardPaths::findExecutable(QString::fromLatin1(program),
                                           {QStringLiteral("/usr/sbin")})
                .isEmpty())
            m_skip = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(program));
    }
    if (!QFileInfo::exists(QStringLiteral("/usr/libexec/gvfsd-fuse")) ||
        !QFileInfo::exists(QStringLiteral("/dev/fuse")))
        m_skip = QStringLiteral("no gvfs FUSE folder here (gvfs-fuse, /dev/fuse)");
    if (::geteuid() != 0)
        m_skip = QStringLiteral("a Samba server on port 445 needs root");
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), 445);
    if (probe.waitForConnected(500))
        m_skip = QStringLiteral("port 445 is taken");
    if (!m_skip.isEmpty())
        return;

    const QString root = m_dir.path();
    for (const char* folder : {"share", "state", "cache", "lock", "run", "private"})
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(folder));
    QVERIFY(writeFileBytes(root + "/share/show.gpn",
                           "; the hall kiosk\r\n[Gpane]\r\n\r\n[Page1]\r\nURL=hello.html\r\n"
                           "[Page2]\r\nURL=//127.0.0.1/pub/$$\r\nVar1Type=3\r\n"
                           "Var1Source=//127.0.0.1/pub/values.txt\r\nVar1Param=<$$>\r\n"));
    QVERIFY(writeFileBytes(root + "/share/hello.html", "<p>hello</p>"));
    QVERIFY(writeFileBytes(root + "/share/values.txt", "<one.html>"));
    QVERIFY(writeFileBytes(root + "/share/one.html", "<p>one</p>"));
    QVERIFY(writeFileBytes(root + "/smb.conf",
                           ("[global]\nserver role = standalone server\nmap to guest = Bad User\n"
                            "guest account = root\ninterfaces = 127.0.0.1\n"
                            "bind interfaces only = yes\nsmb ports = 445\ndisable netbios = yes\n"
                            "state directory = " +
                            root +
                            "/state\n"
                            "cache directory = " +
                            root +
                            "/cache\n"
                            "lock directory = " +
                            root +
                            "/lock\n"
                            "pid directory = " +
                            root +
                            "/run\n"
                            "private dir = " +
                            root +
                            "/private\n"
                            "log file = " +
                            root +
                            "/smbd.log\n"
                            "[pub]\npath = " +
                            root +
                            "/share\nguest ok = yes\n"
                            "read only = no\nforce user = root\n")
                               .toUtf8()));
    const QString smbd =
        QStandardPaths::findExecutable(QStringLiteral("smbd"), {QStringLiteral("/usr/sbin")});
    m_smbd.start(smbd, {"-F", "-s", root + "/smb.conf"});
    QVERIFY(m_smbd.waitForStarted());
    m_bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address"});
    QVERIFY(m_bus.waitForReadyRead(10000));
    const QByteArray address = m_bus.readLine().trimmed();
    QVERIFY(!address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    // The server takes a moment before it answers.
    for (int i = 0; i < 100; ++i) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), 445);
        if (socket.waitForConnected(100))
            break;
        QTest::qWait(100);
    }
}

void SambaShareTest::cleanupTestCase()
{
    for (QProcess* process : {&m_smbd, &m_bus}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(10000)) {
            process->kill();
            process->waitForFinished();
        }
    }
}

void SambaShareTest::documentOnTheShare()
{
    if (!m_skip.isEmpty())
        QSKIP(qPrintable(m_skip));
    DocumentFixture f;
    GioShares gio;
    NetworkDrives drives(gio);
    f.services.drives = &drives;
    const QString document = QStringLiteral("\\\\127.0.0.1\\pub\\show.gpn");

    QVERIFY(LoadDocument(f.services, f.doc, document, document));
    const QString mount = gio.localPath(QStringLiteral("//127.0.0.1/pub"));
    QVERIFY2(!mount.isEmpty(), "the share was not mounted");
    QCOMPARE(f.program.documentPath, mount + "/show.gpn");
    QCOMPARE(f.playUrls(), QStringList({mount + "/hello.html", mount + "/one.html"}));

    // Saved on the share, its comment kept.
    f.doc.DefaultTime = 30;
    QVERIFY(SaveDocument(f.services, f.doc, document, document));
    const QString saved = DocumentFixture::text(m_dir.path() + "/share/show.gpn");
    QVERIFY2(saved.startsWith("; the hall kiosk\n[Gpane]\n") && saved.contains("DefaultTime=30"),
             qPrintable(saved));

    drives.DisconnectAllShares();
    QVERIFY(gio.localPath(QStringLiteral("//127.0.0.1/pub")).isEmpty());
}

QTEST_GUILESS_MAIN(SambaShareTest)
#include "samba_share_test.moc"
