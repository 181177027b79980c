#include "platform/linux/process_tree.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <unistd.h>

namespace glasspane {

namespace {

// The number after "name" in a /proc file of "name: value kB" lines; 0 when absent.
qint64 procField(const QString& path, const QByteArray& name)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

TreeMemory ProcessTreeMemory(qint64 root, bool withPss)
{
    QHash<qint64, qint64> parentOf;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, so count from its ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1)
            parentOf.insert(pid, rest.at(1).toLongLong());
    }
    TreeMemory total;
    for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
        qint64 p = it.key();
        // Bounded: a process list read while processes come and go may hold a loop.
        for (int depth = 0; depth < 64 && p > 1 && p != root; ++depth)
            p = parentOf.value(p, 0);
        if (p != root)
            continue;
        ++total.processes;
        total.rssKiB += procField(QStringLiteral("/proc/%1/status").arg(it.key()), "VmRSS:");
        if (withPss)
            total.pssKiB +=
                procField(QStringLiteral("/proc/%1/smaps_rollup").arg(it.key()), "Pss:");
    }
    return total;
}

qint64 PhysicalMemoryKiB()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return qint64(pages) * (pageSize / 1024);
}

} // namespace glasspane
