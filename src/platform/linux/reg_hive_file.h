#pragma once

#include "platform/linux/reg_hive.h"
#include "platform/registry.h"
#include "platform/whole_file.h"

#include <QString>
#include <functional>
#include <sys/types.h>

namespace glasspane {

// One hive file with its parsed copy. Reads use the copy, renewed whenever the file changes on
// disk. A change takes the file's lock, reads the hive again, applies the change and replaces
// the file atomically, so that writers in several processes never lose each other's values; a
// failed save leaves the file and the copy as they were.
class RegHiveFile
{
public:
    // privateToUser: the file and the folders made for it are the user's alone.
    RegHiveFile(RegRoot root, QString path, bool privateToUser);

    const QString& path() const { return m_path; }

    // The parsed copy, renewed when the file changed on disk. Status AccessDenied when the file
    // exists but cannot be read.
    const RegHive& current(long* status = nullptr);

    // Applies change to the hive as the disk holds it and saves the result when it changed
    // anything. The status of the change, or of the lock or the save when they failed.
    long modify(const std::function<long(RegHive&)>& change);

    // How long a writer waits for another process's lock before giving up.
    static constexpr int LockWaitMs = 5000;

private:
    struct Signature
    {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        qint64 mtimeSec = 0;
        qint64 mtimeNsec = 0;
        bool operator==(const Signature&) const = default;
    };

    Signature signature() const;
    void load(const Signature& now);
    // Creates the hive's folder (and missing parents) with the hive's privacy.
    bool makeFolder(const QString& folder) const;

    QString m_rootName;
    QString m_path;
    bool m_private = false;
    bool m_loaded = false;
    bool m_readable = true;
    Signature m_signature;
    RegHive m_hive;
    WriteFaults m_faults;
};

} // namespace glasspane
