#pragma once

#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace glasspane {

// Runs the built gpane as an administrator would, with a home of its own (HOME and the XDG
// folders under home, the runtime folder too when home holds one, as a KioskProcess home does)
// and the working folder given, and tells what it printed.
//
//   GpaneRunner gpane(dir.filePath("home"));
//   const GpaneRunner::Run r = gpane.run({"check", "show.gpn"}, dir.path());
class GpaneRunner
{
public:
    struct Run
    {
        int exitCode = -1;
        QProcess::ExitStatus status = QProcess::CrashExit;
        QString out;
        QString err;
    };

    explicit GpaneRunner(QString home) : m_home(std::move(home)) { QDir().mkpath(m_home); }

    static QString program()
    {
        return qEnvironmentVariable("GLASSPANE_TEST_BINARY_DIR") + QStringLiteral("/src/app/gpane");
    }

    Run run(const QStringList& arguments, const QString& folder) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home);
        env.insert("XDG_CONFIG_HOME", m_home + "/config");
        env.insert("XDG_DATA_HOME", m_home + "/data");
        env.insert("XDG_CACHE_HOME", m_home + "/cache");
        env.insert("GLASSPANE_MACHINE_DIR", m_home + "/machine");
        if (QDir(m_home + "/runtime").exists())
            env.insert("XDG_RUNTIME_DIR", m_home + "/runtime");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(folder);
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(program(), arguments);
        Run r;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return r;
        }
        r.exitCode = process.exitCode();
        r.status = process.exitStatus();
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    // The files under the home: a run must leave none.
    QStringList filesUnderHome() const
    {
        QStringList files;
        QDirIterator it(m_home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    const QString& home() const { return m_home; }

    // The "key: value" lines of gpane status, by key.
    static QHash<QString, QString> statusValues(const QString& text)
    {
        QHash<QString, QString> values;
        for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype colon = line.indexOf(QLatin1String(": "));
            if (colon > 0)
                values.insert(line.left(colon), line.mid(colon + 2));
        }
        return values;
    }

private:
    QString m_home;
};

} // namespace glasspane
