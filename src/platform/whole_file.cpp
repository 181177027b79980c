#include "platform/whole_file.h"

#include "platform/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace glasspane {

namespace {

QString reasonOf(int error)
{
    return qt_error_string(error);
}

// The rename is made durable too: after a power cut the folder names the new file, not none.
void syncFolderOf(const QString& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd);
    ::close(fd);
}

} // namespace

WholeFile::WholeFile(const QString& path) : m_path(path), m_file(path) {}

WholeFile::~WholeFile()
{
    cancel();
}

bool WholeFile::open()
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(m_file.errorString());
    return true;
}

bool WholeFile::open(QFileDevice::Permissions newFilePermissions)
{
    const bool existed = QFileInfo::exists(m_path);
    if (!open())
        return false;
    return existed || setPermissions(newFilePermissions);
}

bool WholeFile::setPermissions(QFileDevice::Permissions permissions)
{
    if (!m_file.setPermissions(permissions))
        return fail(m_file.errorString());
    return true;
}

bool WholeFile::write(const char* data, qint64 size)
{
    if (m_failed || !m_file.isOpen())
        return false;
    while (size > 0) {
        const qint64 n = m_file.write(data, size);
        if (n <= 0)
            return fail(m_file.errorString());
        data += n;
        size -= n;
    }
    return true;
}

bool WholeFile::commit()
{
    if (m_failed || !m_file.isOpen())
        return false;
    // QSaveFile syncs too, but does not say when that fails (a late write error of the disk).
    if (::fsync(m_file.handle()) != 0)
        return fail(reasonOf(errno));
    if (!m_file.commit()) {
        m_failed = true;
        if (m_error.isEmpty())
            m_error = m_file.errorString();
        return false;
    }
    syncFolderOf(m_path);
    return true;
}

void WholeFile::cancel()
{
    if (m_file.isOpen())
        m_file.cancelWriting();
    // QSaveFile removes its temporary file when it is destroyed uncommitted.
}

bool WholeFile::fail(const QString& reason)
{
    if (!m_failed) {
        m_failed = true;
        m_error = reason.isEmpty() ? QStringLiteral("write error") : reason;
    }
    m_file.cancelWriting();
    return false;
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    WholeFile file(path);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

bool WriteNewFile(const QString& path, const QByteArray& bytes, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd =
        ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error)
            *error = reasonOf(errno);
        return false;
    }
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    int failure = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failure = n < 0 ? errno : ENOSPC;
            break;
        }
        data += n;
        left -= n;
    }
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure != 0) {
        ::unlink(name.constData());
        if (error)
            *error = reasonOf(failure);
        return false;
    }
    return true;
}

void WriteFaults::failed(const QString& path, const QString& reason, const QString& consequence)
{
    const auto said = m_said.constFind(path);
    if (said != m_said.constEnd() && (said->isEmpty() || *said == reason)) {
        qCDebug(lcGlasspane, "cannot write %s (%s)", qUtf8Printable(path), qUtf8Printable(reason));
        return;
    }
    m_said.insert(path, reason.isEmpty() ? QStringLiteral("?") : reason);
    qCWarning(lcGlasspane, "cannot write %s (%s)%s%s", qUtf8Printable(path), qUtf8Printable(reason),
              consequence.isEmpty() ? "" : "; ", qUtf8Printable(consequence));
}

} // namespace glasspane
