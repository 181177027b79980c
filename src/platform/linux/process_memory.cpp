#include "platform/linux/process_memory.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>

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

qint64 residentKb(const QString& procRoot, qint64 pid)
{
    const QByteArray status =
        readSmallFile(procRoot + u'/' + QString::number(pid) + QStringLiteral("/status"));
    for (const QByteArray& line : status.split('\n')) {
        if (!line.startsWith("VmRSS:"))
            continue;
        const QList<QByteArray> words = line.mid(6).simplified().split(' ');
        bool ok = false;
        const qint64 kb = words.value(0).toLongLong(&ok);
        return ok ? kb : -1;
    }
    return -1;
}

} // namespace

ProcessTreeMemoryUse ProcessTreeMemory(qint64 pid, const QString& procRoot)
{
    ProcessTreeMemoryUse use;
    use.ownKb = residentKb(procRoot, pid);
    if (use.ownKb < 0)
        return use;

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
        }
        pending += children.value(id);
    }
    return use;
}

} // namespace glasspane
