#pragma once

// A user without privileges, for the real programs that refuse to run as root (XScreenSaver
// runs no program as root; a Wayland kiosk compositor drops root): where the test runs as
// root, the system user "glasspane-test", made when missing; otherwise the user running the
// test.
//
//   TestUser user;
//   if (const QString why = user.prepare(); !why.isEmpty())
//       QSKIP(qPrintable(why));
//   user.own(home);                                  // the files it is to use
//   process.start(user.command({"xscreensaver", "-no-splash"}).first(), ...);

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <unistd.h>

namespace glasspane {

class TestUser
{
public:
    static constexpr const char* Name = "glasspane-test";

    // "" when the user is there to run programs as, else why not.
    QString prepare()
    {
        if (::geteuid() != 0)
            return QString();
        m_other = true;
        if (QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            return QStringLiteral("runuser is missing (util-linux)");
        if (exists())
            return QString();
        // Made once per machine; two tests at once may both try.
        QProcess::execute(QStringLiteral("useradd"),
                          {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                           QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                           QString::fromLatin1(Name)});
        return exists() ? QString()
                        : QStringLiteral("the user %1 cannot be made (useradd)").arg(Name);
    }

    // Whether programs run as another user than the test's.
    bool isOther() const { return m_other; }

    // The command line that runs `command` as the user, with the environment given to the
    // process that runs it (HOME included).
    QStringList command(const QStringList& command) const
    {
        if (!m_other)
            return command;
        return QStringList{QStringLiteral("runuser"), QStringLiteral("-m"), QStringLiteral("-u"),
                           QString::fromLatin1(Name), QStringLiteral("--")} +
               command;
    }

    // Gives the user the files below path (and path itself).
    bool own(const QString& path) const
    {
        if (!m_other)
            return true;
        return QProcess::execute(QStringLiteral("chown"),
                                 {QStringLiteral("-R"), QString::fromLatin1(Name), path}) == 0;
    }

    // Runs command as the user and waits for it (at most timeoutMs): its exit code (-1 when
    // it did not end or start) and its output.
    int run(const QStringList& command, const QProcessEnvironment& env, QString* output = nullptr,
            int timeoutMs = 60000) const
    {
        const QStringList line = this->command(command);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(line.first(), line.mid(1));
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        if (output)
            *output = QString::fromLocal8Bit(process.readAll());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private:
    static bool exists()
    {
        QProcess id;
        id.start(QStringLiteral("id"), {QString::fromLatin1(Name)});
        return id.waitForFinished() && id.exitStatus() == QProcess::NormalExit &&
               id.exitCode() == 0;
    }

    bool m_other = false;
};

} // namespace glasspane
