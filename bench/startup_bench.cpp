// Start-up time: from starting glasspane on a one-page document served on 127.0.0.1 to the
// completion of that page, next to `chromium --headless` loading the same page (when Chromium
// is installed). Prints the figures of a few runs; no limits.
//
//   bench/startup_bench [RUNS]
//
// The glasspane binary is found beside the build (src/app/glasspane), or at GLASSPANE_BINARY.

#include "process_tree.h"
#include "support/http_test_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <unistd.h>

using namespace glasspane;
using namespace glasspane::bench;

namespace {

constexpr int kGiveUpMs = 60000;

struct Startup
{
    qint64 splashMs = -1; // the built-in start page complete
    qint64 pageMs = -1;   // the document's page complete
    qint64 peakKiB = 0;   // the largest resident memory of the whole process tree
};

// Starts glasspane and reads its log until the page has completed.
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
    while (result.pageMs < 0 && timer.elapsed() < kGiveUpMs &&
           process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(20);
        result.peakKiB = std::max(result.peakKiB, treeMemory(process.processId()).rssKiB);
        log += process.readAllStandardError();
        qsizetype end;
        while ((end = log.indexOf('\n')) >= 0) {
            const QByteArray line = log.left(end);
            log.remove(0, end + 1);
            if (!line.contains("page complete"))
                continue;
            if (line.contains("index.html") && result.splashMs < 0)
                result.splashMs = timer.elapsed();
            else if (line.contains(pageUrl.toUtf8()))
                result.pageMs = timer.elapsed();
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
        run.peakKiB = std::max(run.peakKiB, treeMemory(process.processId()).rssKiB);
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

    QList<qint64> splash, pages, chromium, ourPeaks, theirPeaks;
    for (int i = 0; i < runs; ++i) {
        const Startup s = runGlasspane(binary, document, pageUrl);
        splash << s.splashMs;
        pages << s.pageMs;
        ourPeaks << s.peakKiB;
        out << "glasspane run " << i + 1 << ": start page " << s.splashMs << " ms, document page "
            << s.pageMs << " ms, peak memory " << s.peakKiB / 1024 << " MiB\n";
        out.flush();
    }
    const QString chrome = chromiumBinary();
    if (chrome.isEmpty()) {
        out << "chromium: not installed, skipped\n";
    } else {
        for (int i = 0; i < runs; ++i) {
            const ChromiumRun run = runChromium(chrome, pageUrl);
            chromium << run.ms;
            theirPeaks << run.peakKiB;
            out << "chromium --headless run " << i + 1 << ": " << run.ms << " ms, peak memory "
                << run.peakKiB / 1024 << " MiB\n";
            out.flush();
        }
    }

    out << "\nmedian of " << runs << " runs (ms):\n";
    out << "  glasspane, start page complete:    " << median(splash) << '\n';
    out << "  glasspane, document page complete: " << median(pages) << '\n';
    out << "  glasspane peak memory (MiB):       " << median(ourPeaks) / 1024 << '\n';
    if (!chromium.isEmpty()) {
        out << "  chromium --headless --dump-dom:    " << median(chromium) << '\n';
        out << "  chromium peak memory (MiB):        " << median(theirPeaks) / 1024 << '\n';
        const qint64 theirs = median(chromium);
        if (theirs > 0) {
            out << "  ratio glasspane / chromium, document page: "
                << QString::number(double(median(pages)) / double(theirs), 'f', 2)
                << " (goal: at most 0.50)\n";
            out << "  ratio glasspane / chromium, start page:    "
                << QString::number(double(median(splash)) / double(theirs), 'f', 2) << '\n';
        }
    }
    return 0;
}
