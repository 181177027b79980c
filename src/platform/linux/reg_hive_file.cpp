#include "platform/linux/reg_hive_file.h"

#include "platform/whole_file.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>
#include <sys/stat.h>

namespace glasspane {

RegHiveFile::RegHiveFile(RegRoot root, QString path, bool privateToUser)
    : m_rootName(regRootName(root)), m_path(std::move(path)), m_private(privateToUser)
{}

const RegHive& RegHiveFile::current(long* status)
{
    const Signature now = signature();
    if (!m_loaded || now != m_signature)
        load(now);
    if (status)
        *status = m_readable ? RegStatus::Success : RegStatus::AccessDenied;
    return m_hive;
}

long RegHiveFile::modify(const std::function<long(RegHive&)>& change)
{
    const QString consequence = QStringLiteral("its values stay as they were");
    if (!makeFolder(QFileInfo(m_path).absolutePath())) {
        m_faults.failed(m_path, QStringLiteral("its folder cannot be made"), consequence);
        return RegStatus::AccessDenied;
    }

    const QString lockPath = m_path + QStringLiteral(".lock");
    // Something that is no lock file is in the way: waiting would not help.
    if (QFileInfo(lockPath).exists() && !QFileInfo(lockPath).isFile())
        return RegStatus::AccessDenied;
    QLockFile lock(lockPath);
    // Short, even steps: QLockFile's own wait doubles its pauses, which makes writers
    // that take turns wait for seconds.
    QDeadlineTimer deadline(LockWaitMs);
    bool locked = lock.tryLock(0);
    while (!locked && lock.error() == QLockFile::LockFailedError && !deadline.hasExpired()) {
        QThread::msleep(5);
        locked = lock.tryLock(0);
    }
    if (!locked) {
        const bool held = lock.error() == QLockFile::LockFailedError;
        m_faults.failed(m_path,
                        held ? QStringLiteral("another program holds %1").arg(lockPath)
                             : QStringLiteral("its lock file %1 cannot be made").arg(lockPath),
                        consequence);
        return held ? RegStatus::WriteFault : RegStatus::AccessDenied;
    }
    // Another process may have written since our last look: work on what the disk holds.
    load(signature());
    if (!m_readable)
        return RegStatus::AccessDenied;

    RegHive changed = m_hive;
    const long status = change(changed);
    if (status != RegStatus::Success || changed.revision() == m_hive.revision())
        return status;

    const bool existed = QFileInfo::exists(m_path);
    WholeFile file(m_path);
    if (!file.open()) {
        m_faults.failed(m_path, file.errorString(), consequence);
        return RegStatus::AccessDenied;
    }
    // The user hive holds what is the user's alone: never readable by others.
    if (m_private) {
        (void)file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    } else if (!existed) {
        (void)file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                  QFile::ReadOther);
    }
    if (!file.write(changed.toRegFile(m_rootName)) || !file.commit()) {
        m_faults.failed(m_path, file.errorString(), consequence);
        return RegStatus::WriteFault;
    }
    m_faults.written(m_path);

    m_hive = std::move(changed);
    m_signature = signature();
    return RegStatus::Success;
}

RegHiveFile::Signature RegHiveFile::signature() const
{
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return {};
    return Signature{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

void RegHiveFile::load(const Signature& now)
{
    m_loaded = true;
    m_signature = now;
    m_readable = true;
    if (!now.exists) {
        m_hive = RegHive();
        return;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_readable = false;
        m_hive = RegHive();
        return;
    }
    m_hive = RegHive::fromRegFile(file.readAll(), m_rootName);
}

bool RegHiveFile::makeFolder(const QString& folder) const
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder && !makeFolder(parent))
        return false;
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const QFile::Permissions perms =
        m_private ? owner
                  : owner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    return QDir().mkdir(folder, perms) || QFileInfo(folder).isDir();
}

} // namespace glasspane
