// Start-up time: from starting glasspane on a one-page document served on 127.0.0.1 to the
// completion of that page, next to `chromium --headless` loading the same page (when Chromium
// is installed). Prints the figures of a few runs; no limits.
//
//   bench/startup_bench [RUNS]
//
// The glasspane binary is found beside the build (src/app/glasspane), or at GLASSPANE_BINARY.
// GLASSPANE_BASELINE names another glasspane binary (an earlier build) to run alongside, run
// for run, for before-and-after figures taken under the same load.

#include "platform/linux/process_memory.h"
#include "private_run.h"
#include "support/http_test_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <iterator>
#include <unistd.h>

using namespace glasspane;
using namespace glasspane::bench;

namespace {

constexpr int kGiveUpMs = 60000;

// The stages of a start, as the verbose log reports them, in the order they come.
struct Stage
{
    const char* name;
    QByteArray marker; // a log line that holds this...
    bool withPageUrl;  // ...and the page's address
};

const Stage kStages[] = {
    {"main() entered", "command line:", false},
    {"application object", "resource folder:", false},
    {"browser profile", "start-up: browser profile ready", false},
    {"load sequence done", "start-up: loaded", false},
    {"first engine step", "start-up: first step", false},
    {"document page asked", "navigation ", true},
    {"document page complete", "page complete", true},
    {"document page on screen", "page on screen", true},
};
constexpr int kStageCount = int(std::size(kStages));
constexpr int kCompleteStage = 6;

struct Startup
{
    qint64 splashMs = -1; // the built-in start page complete (-1: never, replaced at once)
    qint64 stageMs[kStageCount];
    qint64 peakKiB = 0; // the largest resident memory of the whole process tree

    Startup() { std::fill(std::begin(stageMs), std::end(stageMs), -1); }
    qint64 pageMs() const { return stageMs[kCompleteStage]; }
};

// Starts glasspane and reads its log until the page is on screen.
Startup runGlasspane(const QString& binary, const QString& document, const QString& pageUrl)
{
    QTemporaryDir home;
    QProcess process;
    QProcessEnvironment env = privateEnvironment(home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setProgram(binary);
    process.setArguments({QStringLiteral("--verbose"), document});
    Startup result;
    QElapsedTimer timer;
    timer.start();
    process.start();
    QByteArray log;
    const QByteArray url = pageUrl.toUtf8();
    const qint64 last = kStageCount - 1;
    while (result.stageMs[last] < 0 && timer.elapsed() < kGiveUpMs &&
           process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(20);
        result.peakKiB =
            std::max(result.peakKiB, ProcessTreeMemory(process.processId()).residentKb());
        log += process.readAllStandardError();
        qsizetype end;
        while ((end = log.indexOf('\n')) >= 0) {
            const QByteArray line = log.left(end);
            log.remove(0, end + 1);
            if (line.contains("page complete") && line.contains("index.html") &&
                result.splashMs < 0)
                result.splashMs = timer.elapsed();
            for (int i = 0; i < kStageCount; ++i) {
                const Stage& stage = kStages[i];
                if (result.stageMs[i] < 0 && line.contains(stage.marker) &&
                    (!stage.withPageUrl || line.contains(url)))
                    result.stageMs[i] = timer.elapsed();
            }
        }
    }
    // The program ends through its own path, as at a session's end.
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return result;
}

QString chromiumBinary()
{
    for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

struct ChromiumRun
{
    qint64 ms = -1;
    qint64 peakKiB = 0;
};

ChromiumRun runChromium(const QString& binary, const QString& pageUrl)
{
    QTemporaryDir profile;
    QProcess process;
    process.setProgram(binary);
    QStringList args{QStringLiteral("--headless"),
                     QStringLiteral("--disable-gpu"),
                     QStringLiteral("--disable-background-networking"),
                     QStringLiteral("--user-data-dir=") + profile.path(),
                     QStringLiteral("--dump-dom"),
                     pageUrl};
    if (::geteuid() == 0)
        args.prepend(QStringLiteral("--no-sandbox"));
    process.setArguments(args);
    ChromiumRun run;
    QElapsedTimer timer;
    timer.start();
    process.start();
    while (!process.waitForFinished(20)) {
        run.peakKiB = std::max(run.peakKiB, ProcessTreeMemory(process.processId()).residentKb());
        if (timer.elapsed() > kGiveUpMs) {
            process.kill();
            process.waitForFinished(5000);
            return run;
        }
    }
    run.ms = timer.elapsed();
    return run;
}

qint64 median(QList<qint64> values)
{
    values.removeAll(-1);
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;

    HttpTestServer server;
    HttpTestServer::Route page;
    page.body = "<!DOCTYPE html><html><body><h1>One page</h1></body></html>";
    page.headers = {{"Content-Type", "text/html"}};
    server.setRoute(QStringLiteral("/one"), page);
    const QString pageUrl = server.url(QStringLiteral("/one"));

    QTemporaryDir dir;
    const QString document = dir.filePath(QStringLiteral("one.gpn"));
    QFile file(document);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("[Gpane]\r\nDefaultTime=60\r\nFirstPageIsLastPage=No\r\n\r\n[Page1]\r\nURL=" +
               pageUrl.toUtf8() + "\r\n");
    file.close();

    const QString binary = glasspaneBinary();
    if (!QFileInfo(binary).isExecutable()) {
        out << "startup_bench: no glasspane binary at " << binary
            << " (build the target glasspane, or set GLASSPANE_BINARY)\n";
        return 1;
    }

    // Each round starts every contender once, so that the load of a shared machine falls on
    // all of them alike.
    struct Series
    {
        QString name;
        QString binary;
        QList<qint64> splash, pages, peaks;
        QList<qint64> stages[kStageCount];
    };
    QList<Series> ours{{QStringLiteral("glasspane"), binary, {}, {}, {}, {}}};
    const QString baseline = qEnvironmentVariable("GLASSPANE_BASELINE");
    if (!baseline.isEmpty())
        ours.append({QStringLiteral("baseline"), baseline, {}, {}, {}, {}});
    const QString chrome = chromiumBinary();
    QList<qint64> chromium, theirPeaks;
    for (int i = 0; i < runs; ++i) {
        for (Series& series : ours) {
            const Startup s = runGlasspane(series.binary, document, pageUrl);
            series.splash << s.splashMs;
            series.pages << s.pageMs();
            series.peaks << s.peakKiB;
            for (int k = 0; k < kStageCount; ++k)
                series.stages[k] << s.stageMs[k];
            out << series.name << " run " << i + 1 << ": start page " << s.splashMs
                << " ms, document page " << s.pageMs() << " ms, peak memory " << s.peakKiB / 1024
                << " MiB\n";
            out.flush();
        }
        if (!chrome.isEmpty()) {
            const ChromiumRun run = runChromium(chrome, pageUrl);
            chromium << run.ms;
            theirPeaks << run.peakKiB;
            out << "chromium --headless run " << i + 1 << ": " << run.ms << " ms, peak memory "
                << run.peakKiB / 1024 << " MiB\n";
            out.flush();
        }
    }
    if (chrome.isEmpty())
        out << "chromium: not installed, skipped\n";

    out << "\nmedian of " << runs << " runs (ms):\n";
    const qint64 theirs = median(chromium);
    for (const Series& series : ours) {
        out << "  " << series.name << " (" << series.binary << "):\n";
        out << "    start page complete:    " << median(series.splash) << '\n';
        out << "    document page complete: " << median(series.pages) << '\n';
        out << "    peak memory (MiB):      " << median(series.peaks) / 1024 << '\n';
        out << "    stages (ms from the start; -1: not in its log):\n";
        for (int k = 0; k < kStageCount; ++k)
            out << "      " << QString::fromLatin1(kStages[k].name).leftJustified(26)
                << median(series.stages[k]) << '\n';
        if (theirs > 0)
            out << "    ratio to chromium, document page: "
                << QString::number(double(median(series.pages)) / double(theirs), 'f', 2)
                << " (goal: at most 0.50)\n";
    }
    if (!chromium.isEmpty()) {
        out << "  chromium --headless --dump-dom:    " << theirs << '\n';
        out << "  chromium peak memory (MiB):        " << median(theirPeaks) / 1024 << '\n';
    }
    return 0;
}
