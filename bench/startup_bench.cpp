// Start-up time: from starting glasspane on a one-page document served on 127.0.0.1 to the
// completion of that page, next to `chromium --headless` loading the same page (when Chromium
// is installed). Prints the figures of a few runs; no limits.
//
//   bench/startup_bench [RUNS]
//
// The glasspane binary is found beside the build (src/app/glasspane), or at GLASSPANE_BINARY.

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

namespace {

constexpr int kGiveUpMs = 60000;

QString glasspaneBinary()
{
    const QString configured = qEnvironmentVariable("GLASSPANE_BINARY");
    if (!configured.isEmpty())
        return configured;
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../src/app/glasspane"));
}

// A private home for one run, so that no real settings or caches are touched.
QProcessEnvironment privateEnvironment(const QString& home)
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
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
               QStringLiteral("--disable-background-networking --disable-component-update"));
    if (::geteuid() == 0)
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    return env;
}

// The resident memory of a process and all its descendants, in KiB, read from /proc.
qint64 treeRssKiB(qint64 root)
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
    qint64 total = 0;
    for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it) {
        qint64 p = it.key();
        while (p > 1 && p != root)
            p = parentOf.value(p, 0);
        if (p != root)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(it.key()));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& l : status.readAll().split('\n')) {
            if (l.startsWith("VmRSS:"))
                total += l.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return total;
}

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
    process.setProcessEnvironment(privateEnvironment(home.path()));
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
        result.peakKiB = std::max(result.peakKiB, treeRssKiB(process.processId()));
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
        run.peakKiB = std::max(run.peakKiB, treeRssKiB(process.processId()));
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
