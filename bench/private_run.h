#pragma once

// What the whole-process benchmarks share: the program under test and a private home to run it in.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

} // namespace glasspane::bench
