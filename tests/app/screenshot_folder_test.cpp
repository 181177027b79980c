// Pictures of the show (--screenshots DIR) in a folder that other users reach. The program
// refuses such a folder at start and says why; and a picture is only ever a new file of its
// own, so that a symbolic link another user planted under a picture's name never leads the
// program's write to one of the kiosk user's files. A second user is made with useradd where
// the test runs as root; elsewhere the cases that need one are skipped.

#include "platform/whole_file.h"
#include "support/test_files.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace glasspane;

namespace {

const QString kOtherUser = QStringLiteral("gpane-other");

int runAs(const QString& user, const QStringList& command)
{
    return QProcess::execute(QStringLiteral("runuser"),
                             QStringList{QStringLiteral("-u"), user, QStringLiteral("--")} +
                                 command);
}

} // namespace

class ScreenshotFolderTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    bool m_madeUser = false;
    uid_t m_otherUid = 0;

    bool haveOtherUser() const { return m_otherUid != 0; }

private Q_SLOTS:
    void initTestCase()
    {
        // The folders below the test's own are reachable by the other user.
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ExeOther |
                                                        QFile::ReadOther));
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("useradd")).isEmpty())
            return;
        if (!::getpwnam(qPrintable(kOtherUser))) {
            m_madeUser =
                QProcess::execute(QStringLiteral("useradd"),
                                  {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                   QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                                   kOtherUser}) == 0;
        }
        if (const passwd* other = ::getpwnam(qPrintable(kOtherUser)))
            m_otherUid = other->pw_uid;
    }

    void cleanupTestCase()
    {
        if (m_madeUser)
            QProcess::execute(QStringLiteral("userdel"), {kOtherUser});
    }

    void sharedFolderRefusedAtStart_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("otherOwner");
        QTest::addColumn<QString>("reason");
        QTest::newRow("everybody's, sticky") << 01777 << false << "others can write";
        QTest::newRow("the group's") << 0770 << false << "others can write";
        QTest::newRow("another user's") << 0755 << true << "belongs to another user";
        QTest::newRow("the user's own") << 0700 << false << "";
    }
    void sharedFolderRefusedAtStart()
    {
        QFETCH(int, mode);
        QFETCH(bool, otherOwner);
        QFETCH(QString, reason);
        const QString program = qEnvironmentVariable("GLASSPANE_TEST_BINARY_DIR") +
                                QStringLiteral("/src/app/glasspane");
        if (!QFileInfo::exists(program))
            QSKIP("glasspane is not built (GUI off, or build the glasspane target first)");
        if (otherOwner && !haveOtherUser())
            QSKIP("needs a second user: run the test as root where useradd exists");
        const QString folder = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(mode)), 0);
        if (otherOwner)
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), m_otherUid, gid_t(-1)), 0);

        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        // "/A" ends at once once the options are through: only the check at start runs.
        p.start(program, {QStringLiteral("--screenshots"), folder, QStringLiteral("/A")});
        QVERIFY(p.waitForFinished(60000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), reason.isEmpty() ? 0 : 2);
        QVERIFY2(err.contains(reason), qPrintable(err));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    // Another user plants a link to the kiosk user's private file, and a file of its own, under
    // the names pictures would take: neither is followed nor written over.
    void plantedNamesNeverWrittenThrough()
    {
        if (!haveOtherUser())
            QSKIP("needs a second user: run the test as root where useradd exists");
        const QString shared = m_dir.filePath(QStringLiteral("shared"));
        QVERIFY(QDir().mkdir(shared));
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
        const QString victim = m_dir.filePath(QStringLiteral("private.txt"));
        QVERIFY(writeFileBytes(victim, "the kiosk user's own"));
        QCOMPARE(::chmod(QFile::encodeName(victim).constData(), 0600), 0);

        const QString link = shared + QStringLiteral("/20240304-120000-000-page001.png");
        const QString planted = shared + QStringLiteral("/20240304-120010-000-page002.png");
        QCOMPARE(runAs(kOtherUser, {QStringLiteral("ln"), QStringLiteral("-s"), victim, link}), 0);
        QCOMPARE(runAs(kOtherUser, {QStringLiteral("sh"), QStringLiteral("-c"),
                                    QStringLiteral("printf planted > '%1'").arg(planted)}),
                 0);

        const QByteArray picture("\x89PNG\r\n\x1a\n picture");
        QString error;
        QVERIFY(!WriteNewFile(link, picture, &error));
        QVERIFY2(error.contains(QStringLiteral("exists")), qPrintable(error));
        QVERIFY(!WriteNewFile(planted, picture, &error));
        QCOMPARE(readFileBytes(victim), QByteArray("the kiosk user's own"));
        QCOMPARE(readFileBytes(planted), QByteArray("planted"));
        QVERIFY(QFileInfo(link).isSymLink());

        // A name of its own is written, private to the user who made it.
        const QString fresh = shared + QStringLiteral("/20240304-120020-000-page003.png");
        QVERIFY2(WriteNewFile(fresh, picture, &error), qPrintable(error));
        QCOMPARE(readFileBytes(fresh), picture);
        QCOMPARE(QFileInfo(fresh).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());
    }
};

QTEST_GUILESS_MAIN(ScreenshotFolderTest)
#include "screenshot_folder_test.moc"
