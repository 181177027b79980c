#include "platform/linux/process_memory.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <algorithm>
#include <unistd.h>

namespace glasspane {

namespace {

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

// The parent id of a "stat" line: the field after the state, which follows the command name
// in parentheses; the name may itself hold blanks and parentheses, so the last ')' ends it.
qint64 parentOf(const QByteArray& stat)
{
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    bool ok = false;
    const qint64 parent = fields.size() > 1 ? fields.at(1).toLongLong(&ok) : -1;
    return ok ? parent : -1;
}

// The number of kB on the line of a /proc file that starts with `name` ("VmRSS:"); -1 when
// the file or the line is missing.
qint64 kbField(const QString& procRoot, qint64 pid, const char* file, const QByteArray& name)
{
    const QByteArray text =
        readSmallFile(procRoot + u'/' + QString::number(pid) + u'/' + QLatin1String(file));
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith(name))
            continue;
        const QList<QByteArray> words = line.mid(name.size()).simplified().split(' ');
        bool ok = false;
        const qint64 kb = words.value(0).toLongLong(&ok);
        return ok ? kb : -1;
    }
    return -1;
}

qint64 residentKb(const QString& procRoot, qint64 pid)
{
    return kbField(procRoot, pid, "status", "VmRSS:");
}

qint64 proportionalKb(const QString& procRoot, qint64 pid)
{
    return std::max<qint64>(0, kbField(procRoot, pid, "smaps_rollup", "Pss:"));
}

} // namespace

ProcessTreeMemoryUse ProcessTreeMemory(qint64 pid, ProportionalShare share, const QString& procRoot)
{
    ProcessTreeMemoryUse use;
    use.ownKb = residentKb(procRoot, pid);
    if (use.ownKb < 0)
        return use;
    const bool withShare = share == ProportionalShare::Read;
    if (withShare)
        use.proportionalKb = proportionalKb(procRoot, pid);

    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 id = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        const qint64 parent =
            parentOf(readSmallFile(procRoot + u'/' + entry + QStringLiteral("/stat")));
        if (parent > 0 && parent != id)
            children[parent].append(id);
    }
    QList<qint64> pending = children.value(pid);
    QList<qint64> seen{pid};
    while (!pending.isEmpty()) {
        const qint64 id = pending.takeLast();
        if (seen.contains(id))
            continue; // a loop in a bad listing
        seen.append(id);
        const qint64 kb = residentKb(procRoot, id);
        if (kb >= 0) {
            use.descendantsKb += kb;
            ++use.descendants;
            if (withShare)
                use.proportionalKb += proportionalKb(procRoot, id);
        }
        pending += children.value(id);
    }
    return use;
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
