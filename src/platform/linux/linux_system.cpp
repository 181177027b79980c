#include "platform/linux/linux_system.h"

#include "platform/linux/display_manager_login.h"
#include "platform/log.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace glasspane {

namespace {

// logind: skip inhibitor locks (systemd 257 and later; older versions reject the flag).
constexpr quint64 LogindSkipInhibitors = quint64(1) << 4;

bool validTarget(qint64 pid)
{
    // 0 and negative ids address process groups; never signal those, nor ourselves.
    return pid > 0 && pid != qint64(::getpid());
}

QDBusMessage logindCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), method);
    call.setArguments(arguments);
    return QDBusConnection::systemBus().call(call, QDBus::Block, LinuxSystem::RebootWaitMs);
}

} // namespace

QString linuxMachineFolder()
{
    QString folder = qEnvironmentVariable("GLASSPANE_MACHINE_DIR");
    if (folder.isEmpty())
        folder = QStringLiteral("/etc/glasspane/");
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

void RestrictFileCreationMask()
{
    const mode_t mask = ::umask(022);
    ::umask(mask | 022);
}

namespace {

// A folder of ours, seen without following a link.
bool isOwnFolder(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

} // namespace

bool MakeOwnFolder(const QString& path)
{
    const QByteArray name = QFile::encodeName(QDir::cleanPath(path));
    struct stat st;
    // Only the link goes; whatever it points at is left alone.
    if (::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(name.constData()))
        return false;
    if (::mkdir(name.constData(), 0700) != 0 && errno == ENOENT) {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()))
            return false;
        (void)::mkdir(name.constData(), 0700);
    }
    // Checked and closed through a descriptor opened without following a link, so that the
    // name cannot be swapped in between.
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
                    ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return ok;
}

bool MakeFoldersBelow(const QString& base, const QString& path, QStringList* created)
{
    const QString top = QDir::cleanPath(base);
    const QString target = QDir::cleanPath(path);
    if (target != top && !target.startsWith(top + u'/'))
        return false;
    QString folder = top;
    for (const QString& part : target.mid(top.size()).split(u'/', Qt::SkipEmptyParts)) {
        folder += u'/' + part;
        const QByteArray name = QFile::encodeName(folder);
        if (::mkdir(name.constData(), 0700) == 0) {
            if (created)
                created->append(folder);
        } else if (errno != EEXIST || !isOwnFolder(name)) {
            return false;
        }
    }
    return true;
}

LinuxSystem::LinuxSystem() : m_startFolder(QDir::currentPath()) {}

QString LinuxSystem::machineFolder() const
{
    return linuxMachineFolder();
}

QString LinuxSystem::executablePath() const
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString LinuxSystem::currentFolder() const
{
    return m_startFolder;
}

qint64 LinuxSystem::startProcess(const QString& program, const QStringList& arguments)
{
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, QString(), &pid))
        return 0;
    return pid;
}

void LinuxSystem::terminateProcess(qint64 pid)
{
    if (!validTarget(pid) || !processRunning(pid))
        return;
    if (::kill(pid_t(pid), SIGTERM) != 0)
        return;
    QDeadlineTimer grace(GraceMs);
    while (!grace.hasExpired()) {
        if (!processRunning(pid))
            return;
        QThread::msleep(20);
    }
    if (processRunning(pid))
        ::kill(pid_t(pid), SIGKILL);
}

void LinuxSystem::killProcess(qint64 pid)
{
    if (validTarget(pid))
        ::kill(pid_t(pid), SIGKILL);
}

bool LinuxSystem::processRunning(qint64 pid) const
{
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    // A zombie has ended; it only waits for its parent to collect it.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || close + 2 >= line.size() || line[close + 2] != 'Z';
}

bool LinuxSystem::reboot(bool force)
{
    const QString command = qEnvironmentVariable("GLASSPANE_REBOOT_COMMAND");
    if (!command.isEmpty()) {
        QStringList words = QProcess::splitCommand(command);
        if (words.isEmpty())
            return false;
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GLASSPANE_REBOOT_FORCE"),
                   force ? QStringLiteral("1") : QStringLiteral("0"));
        process.setProcessEnvironment(env);
        process.setStandardInputFile(QProcess::nullDevice());
        const QString program = words.takeFirst();
        process.start(program, words);
        if (!process.waitForFinished(RebootWaitMs)) {
            qCWarning(lcGlasspane) << "reboot command did not finish:" << program;
            process.kill();
            process.waitForFinished(1000);
            return false;
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    if (!QDBusConnection::systemBus().isConnected()) {
        qCWarning(lcGlasspane) << "no system bus; cannot reboot";
        return false;
    }
    if (force) {
        const QDBusMessage reply =
            logindCall(QStringLiteral("RebootWithFlags"),
                       {QVariant::fromValue<qulonglong>(LogindSkipInhibitors)});
        if (reply.type() != QDBusMessage::ErrorMessage)
            return true;
        const QDBusError error(reply);
        // Older logind lacks the flag or the method; as root it ignores inhibitors anyway.
        if (error.type() != QDBusError::InvalidArgs && error.type() != QDBusError::UnknownMethod &&
            error.type() != QDBusError::NotSupported) {
            qCWarning(lcGlasspane) << "reboot refused:" << error.message();
            return false;
        }
    }
    const QDBusMessage reply = logindCall(QStringLiteral("Reboot"), {QVariant(false)});
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qCWarning(lcGlasspane) << "reboot refused:" << reply.errorMessage();
        return false;
    }
    return true;
}

bool LinuxSystem::setAutomaticLogin(const QString& user, QString* problem)
{
    QString name = user;
    if (name.isEmpty()) {
        const passwd* entry = ::getpwuid(::getuid());
        name = entry ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
    }
    const AutomaticLoginResult result = WriteAutomaticLogin(DisplayManagerConfigRoot(), name);
    for (const QString& path : result.written)
        qCInfo(lcGlasspane) << "automatic login of" << name << "written to" << path;
    if (problem)
        *problem = result.problems.join(QStringLiteral("; "));
    return result.ok();
}

} // namespace glasspane
