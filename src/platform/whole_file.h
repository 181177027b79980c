#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QHash>
#include <QSaveFile>
#include <QString>

namespace glasspane {

// A file written whole or not at all. The bytes go to a temporary file beside the target;
// commit() flushes it to the disk and renames it over the target, and only then does the
// target change. Whenever a step fails (a full disk, a quota, a folder that cannot be written)
// the temporary file goes and the old file stays as it was, byte for byte.
//
// Writes are unbuffered on purpose: a buffered QSaveFile (Qt 6.4) ignores a failure of the
// final flush in commit() and renames a short or empty file over the old one.
class WholeFile
{
public:
    explicit WholeFile(const QString& path);
    ~WholeFile(); // an uncommitted file is abandoned
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Opens the temporary file. A file that exists keeps its permissions; a new one gets
    // newFilePermissions when given, else the usual ones (0666 less the umask).
    [[nodiscard]] bool open();
    [[nodiscard]] bool open(QFileDevice::Permissions newFilePermissions);
    // Before open(): where the folder cannot be written but the file can (a file an
    // administrator handed over), it is rewritten in place rather than not at all. Only for
    // small files: a file of one block frees that block when it is cut to be rewritten, so a
    // full disk cannot stop it halfway.
    void allowWritingInPlace() { m_file.setDirectWriteFallback(true); }
    // Whatever the target had, the file gets these permissions (a private file).
    [[nodiscard]] bool setPermissions(QFileDevice::Permissions permissions);
    [[nodiscard]] bool write(const char* data, qint64 size);
    [[nodiscard]] bool write(const QByteArray& bytes)
    {
        return write(bytes.constData(), bytes.size());
    }
    // Everything written reaches the disk, then replaces the target. False when anything
    // failed along the way (the target is then unchanged).
    [[nodiscard]] bool commit();
    void cancel();

    bool isOpen() const { return m_file.isOpen(); }
    const QString& path() const { return m_path; }
    // Why the first step that failed failed ("No space left on device").
    const QString& errorString() const { return m_error; }

private:
    bool fail(const QString& reason);

    QString m_path;
    QSaveFile m_file;
    QString m_error;
    bool m_failed = false;
};

// Writes bytes into path whole or not at all; error, when given, says why it failed.
[[nodiscard]] bool WriteWholeFile(const QString& path, const QByteArray& bytes,
                                  QString* error = nullptr);

// Creates path and writes bytes into it, never over anything that is there already and never
// through a symbolic link (the place is someone else's to plant one in). A file that cannot be
// written in full is removed again. The file is private to its owner (0600).
[[nodiscard]] bool WriteNewFile(const QString& path, const QByteArray& bytes,
                                QString* error = nullptr);

// Says on the log why a file could not be written, once for as long as the same reason
// lasts: a show that stores its position at every page does not repeat it at every page.
class WriteFaults
{
public:
    // "cannot write PATH (REASON); CONSEQUENCE" as a warning, unless the last failure of this
    // path had the same reason and was said already.
    void failed(const QString& path, const QString& reason, const QString& consequence);
    // The path was written: its next failure is said again.
    void written(const QString& path) { m_said.remove(path); }
    // A path known not to be writable and said so in other words (a warning at start): its
    // failures are not said again until it has been written.
    void alreadySaid(const QString& path) { m_said.insert(path, QString()); }

private:
    QHash<QString, QString> m_said; // path -> reason last said ("" for any)
};

} // namespace glasspane
