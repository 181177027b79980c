#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace glasspane {

// Debian's python3 (/usr/bin/python3, whatever else stands first on PATH): the one whose
// packages hold the real parsers the tests read the program's output with
// (python3-prometheus-client, python3-jsonschema).
struct DebianPython
{
    int exitCode = -1;
    QString out;
    QString err;

    // Runs script with these arguments (sys.argv[1:]).
    static DebianPython run(const QString& script, const QStringList& arguments)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(QStringLiteral("/usr/bin/python3"),
                QStringList{QStringLiteral("-c"), script} + arguments);
        DebianPython r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            r.err = QStringLiteral("python3 did not end within 60 s");
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
};

} // namespace glasspane
