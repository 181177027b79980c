// Reads every key of a document of 10,000 page sections (about 100,000 keys) through IniFiles,
// then has Python's configparser do the same with the same file, and prints both times.
//
// Usage: ini_bench [path/to/ini_configparser.py]

#include "document/ini_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <ctime>

using namespace glasspane;

namespace {

constexpr int kSections = 10000;

const QStringList& pageKeys()
{
    static const QStringList keys = {"URL",
                                     "DefaultTime",
                                     "Time",
                                     "Cached",
                                     "SeparateProc",
                                     "Var1Type",
                                     "Var1Source",
                                     "Var1Param",
                                     "Var1CaseSensitive",
                                     "Var1SubDirectories"};
    return keys;
}

bool writeDocument(const QString& path)
{
    QByteArray text;
    text.reserve(3 * 1024 * 1024);
    text += "[Gpane]\r\nName=Bench\r\nPageCount=10000\r\n\r\n";
    for (int n = 1; n <= kSections; ++n) {
        text += "[Page" + QByteArray::number(n) + "]\r\n";
        text += "URL=http://glasspane.example/pages/" + QByteArray::number(n) + ".html\r\n";
        text += "DefaultTime=Yes\r\nTime=" + QByteArray::number(n % 60 + 5) + "\r\n";
        text += "Cached=No\r\nSeparateProc=No\r\nVar1Type=" + QByteArray::number(n % 4) + "\r\n";
        text += "Var1Source=\"source " + QByteArray::number(n) + "\"\r\n";
        text += "Var1Param=1,10\r\nVar1CaseSensitive=No\r\nVar1SubDirectories=Yes\r\n\r\n";
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

double cpuMsSince(std::clock_t start)
{
    return double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
}

QString ms(double wall, double cpu)
{
    return QStringLiteral("%1 ms (processor %2 ms)")
        .arg(QString::number(wall, 'f', 1), QString::number(cpu, 'f', 1));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.gpn"));
    if (!dir.isValid() || !writeDocument(file)) {
        std::fprintf(stderr, "cannot write the document\n");
        return 1;
    }

    // Section and key names are made beforehand, so that only the reading is timed.
    QStringList sections;
    for (int n = 1; n <= kSections; ++n)
        sections << QStringLiteral("Page%1").arg(n);

    IniFiles ini;
    qint64 keys = 0;
    qint64 chars = 0;
    // Wall time, and the processor time spent, which is what counts on a busy machine.
    QElapsedTimer timer;
    timer.start();
    std::clock_t cpu = std::clock();
    for (const QString& section : sections) {
        for (const QString& key : pageKeys()) {
            chars += ini.ReadIni(section, key, file).size();
            ++keys;
        }
    }
    const double firstMs = double(timer.nsecsElapsed()) / 1e6;
    const double firstCpuMs = cpuMsSince(cpu);

    // Once more, from the parsed copy.
    timer.restart();
    cpu = std::clock();
    qint64 chars2 = 0;
    for (const QString& section : sections) {
        for (const QString& key : pageKeys())
            chars2 += ini.ReadIni(section, key, file).size();
    }
    const double againMs = double(timer.nsecsElapsed()) / 1e6;
    const double againCpuMs = cpuMsSince(cpu);

    out << "file: " << QFileInfo(file).size() << " bytes, " << kSections << " sections, " << keys
        << " keys (" << chars << " characters read)\n";
    out << "IniFiles::ReadIni, file parsed:   " << ms(firstMs, firstCpuMs) << "\n";
    out << "IniFiles::ReadIni, parsed copy:   " << ms(againMs, againCpuMs) << "\n";
    if (chars2 != chars)
        out << "warning: the second pass read " << chars2 << " characters\n";
    out.flush();

    QString script = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (script.isEmpty())
        script = QStringLiteral(GLASSPANE_BENCH_DIR) + QStringLiteral("/ini_configparser.py");
    QProcess python;
    python.start(QStringLiteral("python3"), {script, file});
    if (!python.waitForFinished(120000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        out << "python3 configparser: not run (" << python.errorString() << ") "
            << python.readAllStandardError() << "\n";
        return 0;
    }
    const QStringList fields = QString::fromUtf8(python.readAllStandardOutput()).split(' ');
    const double pyMs = fields.value(0).toDouble();
    const double pyCpuMs = fields.value(1).toDouble();
    out << "python3 configparser:             " << ms(pyMs, pyCpuMs) << ", "
        << fields.value(2).trimmed() << " keys, " << fields.value(3).trimmed() << " characters\n";
    out << "configparser / IniFiles:          "
        << QString::number(firstMs > 0 ? pyMs / firstMs : 0, 'f', 1) << " x (processor "
        << QString::number(firstCpuMs > 0 ? pyCpuMs / firstCpuMs : 0, 'f', 1) << " x)\n";
    return 0;
}
