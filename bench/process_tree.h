#pragma once

// What the whole-process benchmarks share: the glasspane binary, a private home to run it in,
// and the memory of a process with all its descendants (the browser engine's helper processes).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcessEnvironment>
#include <QString>
#include <unistd.h>

namespace glasspane::bench {

// The program built beside this benchmark (src/app/<name>), or the one named by the variable.
inline QString builtProgram(const char* name, const char* variable)
{
    const QString configured = qEnvironmentVariable(variable);
    if (!configured.isEmpty())
        return configured;
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../src/app/") + QLatin1String(name));
}

inline QString glasspaneBinary()
{
    return builtProgram("glasspane", "GLASSPANE_BINARY");
}

// A private home below `home` for one run, so that no real settings or caches are touched.
// Chromium's own traffic stays off: nothing leaves 127.0.0.1.
inline QProcessEnvironment privateEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* sub : {"config", "cache", "data", "runtime", "machine"})
        QDir().mkpath(home + QLatin1Char('/') + QLatin1String(sub));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("GLASSPANE_MACHINE_DIR"), home + QStringLiteral("/machine"));
    env.insert(QStringLiteral("GLASSPANE_REBOOT_COMMAND"), QStringLiteral("true"));
    env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
               QStringLiteral("--disable-background-networking --disable-component-update "
                              "--disable-sync --disable-domain-reliability --no-pings "
                              "--no-first-run --disable-breakpad --dns-prefetch-disable"));
    if (::geteuid() == 0)
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "QT_LOGGING_RULES"})
        env.remove(QString::fromLatin1(name));
    return env;
}

struct TreeMemory
{
    int processes = 0;
    qint64 rssKiB = 0; // resident memory, summed: pages shared between processes count each time
    qint64 pssKiB = 0; // proportional share: shared pages divided among their processes
};

// The memory of a process and all its descendants, read from /proc. pss: also read each
// process's proportional share (smaps_rollup), which costs more.
inline TreeMemory treeMemory(qint64 root, bool pss = false)
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
    auto field = [](const QString& path, const QByteArray& name) -> qint64 {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& l : file.readAll().split('\n')) {
            if (l.startsWith(name))
                return l.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
        }
        return 0;
    };
    TreeMemory total;
    for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
        qint64 p = it.key();
        while (p > 1 && p != root)
            p = parentOf.value(p, 0);
        if (p != root)
            continue;
        ++total.processes;
        total.rssKiB += field(QStringLiteral("/proc/%1/status").arg(it.key()), "VmRSS:");
        if (pss)
            total.pssKiB += field(QStringLiteral("/proc/%1/smaps_rollup").arg(it.key()), "Pss:");
    }
    return total;
}

} // namespace glasspane::bench
