// Whole processes, side by side in one run:
//   - `gpane playlist` of a generated document of 10,000 pages (about 1.7 MB), next to Python's
//     configparser reading every key of it and awk printing every URL;
//   - `gpane playlist` of a page whose values come from a generated 50 MB value file with about
//     1.28 million matches (50,000 distinct values), next to `grep -o | sort -u` finding the
//     same values and one `grep -c` pass over the file.
// Each command runs several times; the median wall time and the processor time of that run are
// printed, with the ratios. No limits: the figures are for reading.
//
//   gpane_bench [--runs N] [--baseline OTHER_GPANE]
//
// --baseline runs a second gpane (an older build, say) on the same files in the same run, and
// checks that it prints the same. gpane is found beside the build (src/app/gpane), or at
// GPANE_BINARY.

#include "private_run.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

using namespace glasspane::bench;

namespace {

QTextStream out(stdout);

struct Timing
{
    double wallMs = -1;
    double cpuMs = -1;
    QByteArray output; // standard output of the last run
    bool ok = false;
};

double childCpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0) +
           (double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0);
}

// Runs program with arguments `runs` times; the run of median wall time.
Timing measure(const QString& program, const QStringList& arguments, int runs,
               const QString& folder)
{
    std::vector<std::pair<double, double>> times;
    Timing t;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.setProcessEnvironment(privateEnvironment(folder + QStringLiteral("/home")));
        const double cpuBefore = childCpuMs();
        QElapsedTimer clock;
        clock.start();
        process.start(program, arguments);
        if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            out << "  " << program << ' ' << arguments.join(' ') << ": failed ("
                << process.errorString() << ") " << process.readAllStandardError().left(400)
                << '\n';
            return t;
        }
        const double wall = double(clock.nsecsElapsed()) / 1e6;
        t.output = process.readAllStandardOutput();
        times.push_back({wall, childCpuMs() - cpuBefore});
    }
    std::sort(times.begin(), times.end());
    t.wallMs = times[times.size() / 2].first;
    t.cpuMs = times[times.size() / 2].second;
    t.ok = true;
    return t;
}

Timing shell(const QString& command, int runs, const QString& folder)
{
    return measure(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, runs, folder);
}

void row(const QString& name, const Timing& t, const QString& note = QString())
{
    if (!t.ok) {
        out << QStringLiteral("  %1  not run\n").arg(name, -44);
        return;
    }
    out << QStringLiteral("  %1 %2 ms  (processor %3 ms)%4\n")
               .arg(name, -44)
               .arg(t.wallMs, 8, 'f', 1)
               .arg(t.cpuMs, 7, 'f', 1)
               .arg(note.isEmpty() ? QString() : QStringLiteral("  ") + note);
    out.flush();
}

QString ratio(const Timing& ours, const Timing& theirs)
{
    if (!ours.ok || !theirs.ok || theirs.wallMs <= 0)
        return QStringLiteral("-");
    return QString::number(ours.wallMs / theirs.wallMs, 'f', 3);
}

QString lines(const QByteArray& output)
{
    return QStringLiteral("%1 lines").arg(output.count('\n'));
}

QByteArray digest(const QByteArray& output)
{
    return QCryptographicHash::hash(output, QCryptographicHash::Sha256).toHex().left(16);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Pages as the configuration dialog saves them.
QByteArray bigDocument()
{
    QByteArray text = "[Gpane]\r\nHomeURL=http://glasspane.example/\r\nDefaultTime=10\r\n\r\n";
    text.reserve(2 * 1024 * 1024);
    for (int n = 1; n <= 10000; ++n) {
        const QByteArray i = QByteArray::number(n);
        text += "[Page" + i + "]\r\nURL=http://glasspane.example/pages/page" + i +
                ".html\r\nDefaultTime=No\r\nTime=" + QByteArray::number(n % 60 + 5) +
                "\r\nCached=No\r\nSeparateProc=No\r\nVar1Type=0\r\nVar1CaseSensitive=No\r\n"
                "Var1SubDirectories=No\r\n\r\n";
    }
    return text;
}

// Lines of 41 bytes, one link each; the addresses repeat every 50,000 lines.
QByteArray valueFile(qint64 bytes)
{
    QByteArray text;
    text.reserve(bytes + 64);
    for (qint64 i = 0; text.size() < bytes; ++i) {
        text += "<li><a href=\"/page/";
        text += QByteArray::number(i % 50000).rightJustified(6, '0');
        text += ".html\">item</a>\n";
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    QString baseline;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--runs") && i + 1 < args.size()) {
            runs = qMax(1, args.at(++i).toInt());
        } else if (args.at(i) == QLatin1String("--baseline") && i + 1 < args.size()) {
            baseline = args.at(++i);
        } else {
            std::fprintf(stderr, "usage: gpane_bench [--runs N] [--baseline OTHER_GPANE]\n");
            return 2;
        }
    }
    const QString gpane = builtProgram("gpane", "GPANE_BINARY");
    if (!QFileInfo(gpane).isExecutable()) {
        out << "gpane_bench: no gpane at " << gpane << " (build the target gpane)\n";
        return 1;
    }

    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString document = dir.filePath(QStringLiteral("pages.gpn"));
    const QString values = dir.filePath(QStringLiteral("values.html"));
    const QString scan = dir.filePath(QStringLiteral("scan.gpn"));
    if (!dir.isValid() || !writeFile(document, bigDocument()) ||
        !writeFile(values, valueFile(50LL * 1024 * 1024)) ||
        !writeFile(scan, "[Page1]\r\nURL=http://glasspane.example$$\r\nVar1Type=3\r\n"
                         "Var1Source=values.html\r\nVar1Param=<a href=\"$$\">\r\n")) {
        out << "gpane_bench: cannot write the files\n";
        return 1;
    }
    const QString script =
        QStringLiteral(GLASSPANE_BENCH_DIR) + QStringLiteral("/ini_configparser.py");
    out << "gpane_bench: median of " << runs << " runs; gpane " << gpane << '\n';

    out << "\ndocument of 10,000 pages, " << QFileInfo(document).size() << " bytes:\n";
    const Timing ours = measure(gpane, {QStringLiteral("playlist"), document}, runs, folder);
    row(QStringLiteral("gpane playlist"), ours, lines(ours.output));
    Timing before;
    if (!baseline.isEmpty()) {
        before = measure(baseline, {QStringLiteral("playlist"), document}, runs, folder);
        row(QStringLiteral("baseline gpane playlist"), before,
            before.output == ours.output ? QStringLiteral("the same output")
                                         : QStringLiteral("OUTPUT DIFFERS"));
    }
    const Timing python = measure(QStringLiteral("python3"), {script, document}, runs, folder);
    row(QStringLiteral("python3 configparser, every key"), python);
    const Timing awk = measure(QStringLiteral("awk"),
                               {QStringLiteral("-F="), QStringLiteral("/^URL=/ { print $2 }"),
                                QStringLiteral("pages.gpn")},
                               runs, folder);
    row(QStringLiteral("awk printing every URL"), awk, lines(awk.output));
    out << "  ratio gpane / configparser: " << ratio(ours, python)
        << " (goal 0.10); gpane / awk: " << ratio(ours, awk) << '\n';
    if (before.ok)
        out << "  ratio baseline / configparser: " << ratio(before, python) << '\n';

    out << "\nvalue file of " << QFileInfo(values).size() << " bytes:\n";
    const Timing ourScan = measure(gpane, {QStringLiteral("playlist"), scan}, runs, folder);
    row(QStringLiteral("gpane playlist"), ourScan,
        lines(ourScan.output) + QStringLiteral(", ") + digest(ourScan.output));
    Timing beforeScan;
    if (!baseline.isEmpty()) {
        beforeScan = measure(baseline, {QStringLiteral("playlist"), scan}, runs, folder);
        row(QStringLiteral("baseline gpane playlist"), beforeScan,
            beforeScan.output == ourScan.output ? QStringLiteral("the same output")
                                                : QStringLiteral("OUTPUT DIFFERS"));
    }
    const Timing grepSort =
        shell(QStringLiteral("grep -o '<a href=\"[^\"]*\">' values.html | sort -u"), runs, folder);
    row(QStringLiteral("grep -o | sort -u"), grepSort, lines(grepSort.output));
    const Timing grepCount =
        shell(QStringLiteral("grep -c '<a href=\"' values.html"), runs, folder);
    row(QStringLiteral("grep -c"), grepCount,
        QString::fromLatin1(grepCount.output.trimmed()) + QStringLiteral(" lines match"));
    out << "  ratio gpane / grep -o | sort -u: " << ratio(ourScan, grepSort)
        << " (goal 0.05); gpane / grep -c: " << ratio(ourScan, grepCount) << '\n';
    if (beforeScan.ok)
        out << "  ratio baseline / grep -o | sort -u: " << ratio(beforeScan, grepSort) << '\n';
    return 0;
}
