// Soak run: the real glasspane on an X server (Xvfb), showing pages of a local server for a
// long time, while the memory of its whole process tree (the browser engine's helper processes
// included) is sampled. Two phases:
//   rotation: SWITCHES pages in turn, three kinds (a static page, a canvas animation that
//             allocates on every frame, a page whose text changes ten times a second), each
//             shown 1 or 2 seconds;
//   hold:     then one animated page stays on screen for MINUTES minutes.
// Prints start, peak, end and the slope per hour of each phase, as resident memory summed over
// the processes (RSS) and as their proportional share (PSS, shared pages counted once).
//
//   soak [SWITCHES [MINUTES]] [--interval SECONDS] [--csv FILE] [--memory-limit MIB] [--hang N]
//
// --hang N makes every Nth page of the rotation one whose script never returns (shown 2 s):
// its renderer is to be ended and the web page renewed each time, with no process left behind;
// the renderers ended, and those of them still running at the end, are printed.
//
// --memory-limit sets RendererMemoryLimit for the run, so that the web page is renewed between
// two pages once the tree holds more; the number of renewals is printed with the figures.
//
// Defaults: 1000 switches, 30 minutes, a sample every 5 seconds. Without a DISPLAY it runs
// itself again under xvfb-run. The glasspane binary is found beside the build
// (src/app/glasspane), or at GLASSPANE_BINARY.

#include "platform/linux/process_memory.h"
#include "private_run.h"
#include "support/http_test_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <csignal>
#include <unistd.h>
#include <vector>

using namespace glasspane;
using namespace glasspane::bench;

namespace {

QTextStream out(stdout);

// The show moves on only once a page has loaded; a run that sees no new page for this long
// has stalled.
constexpr qint64 kStallMs = 120000;

const QByteArray kStaticPage = R"(<!DOCTYPE html>
<html><head><title>static</title></head>
<body style="font: 32px sans-serif; background: #eef">
<h1>A static page</h1><p>Nothing moves here.</p>
</body></html>)";

// New objects and a new image every frame, as careless animations are written.
const QByteArray kCanvasPage = R"(<!DOCTYPE html>
<html><head><title>canvas</title></head>
<body style="margin: 0; background: #000">
<canvas id="c" width="1280" height="800"></canvas>
<script>
const canvas = document.getElementById('c');
const g = canvas.getContext('2d');
let frame = 0;
function draw() {
  frame++;
  const dots = [];
  for (let i = 0; i < 300; i++)
    dots.push({x: Math.random() * 1280, y: Math.random() * 800, r: 4 + Math.random() * 24,
               colour: 'hsl(' + ((frame + i) % 360) + ', 80%, 55%)'});
  g.clearRect(0, 0, 1280, 800);
  for (const d of dots) {
    g.fillStyle = d.colour;
    g.beginPath();
    g.arc(d.x, d.y, d.r, 0, 2 * Math.PI);
    g.fill();
  }
  const image = g.createImageData(128, 128);
  for (let i = 0; i < image.data.length; i += 4) {
    image.data[i] = frame % 256;
    image.data[i + 3] = 255;
  }
  g.putImageData(image, (frame * 7) % 1152, (frame * 3) % 672);
  requestAnimationFrame(draw);
}
requestAnimationFrame(draw);
</script>
</body></html>)";

const QByteArray kTextPage = R"(<!DOCTYPE html>
<html><head><title>text</title></head>
<body style="font: 40px monospace; background: #ffe">
<p id="t">-</p><ul id="l"></ul>
<script>
let n = 0;
setInterval(() => {
  n++;
  document.getElementById('t').textContent = new Date().toISOString() + ' #' + n;
  const list = document.getElementById('l');
  const item = document.createElement('li');
  item.textContent = 'line ' + n;
  list.prepend(item);
  while (list.children.length > 10)
    list.lastChild.remove();
}, 100);
</script>
</body></html>)";

// A runaway script a moment after the page has loaded.
const QByteArray kHangingPage = R"(<!DOCTYPE html>
<html><head><title>hang</title></head>
<body style="font: 32px sans-serif; background: #fcc"><h1>A page that hangs</h1>
<script>setTimeout(() => { for (;;) {} }, 300);</script>
</body></html>)";

const char* const kKinds[] = {"/static.html", "/canvas.html", "/text.html"};
const char kHoldPage[] = "/hold.html";
const char kHangPage[] = "/hang.html";

struct Sample
{
    double seconds = 0;
    int switches = 0;
    bool holding = false;
    ProcessTreeMemoryUse memory;
};

struct Figures
{
    double start = 0, peak = 0, end = 0, slopePerHour = 0;
};

// Start, peak and end in MiB, and the least-squares slope in MiB per hour.
Figures figuresOf(const std::vector<Sample>& samples, qint64 (*field)(const ProcessTreeMemoryUse&))
{
    Figures f;
    if (samples.empty())
        return f;
    auto mib = [field](const Sample& s) { return double(field(s.memory)) / 1024.0; };
    f.start = mib(samples.front());
    f.end = mib(samples.back());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample& s : samples) {
        const double x = s.seconds / 3600.0, y = mib(s);
        f.peak = std::max(f.peak, y);
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = double(samples.size());
    const double d = n * sxx - sx * sx;
    f.slopePerHour = d > 0 ? (n * sxy - sx * sy) / d : 0;
    return f;
}

void report(const QString& title, const std::vector<Sample>& samples)
{
    if (samples.empty()) {
        out << title << ": no samples\n";
        return;
    }
    int fewest = samples.front().memory.processes(), most = fewest;
    for (const Sample& s : samples) {
        fewest = qMin(fewest, s.memory.processes());
        most = qMax(most, s.memory.processes());
    }
    out << title << ": " << samples.size() << " samples over "
        << QString::number((samples.back().seconds - samples.front().seconds) / 60.0, 'f', 1)
        << " min, " << samples.back().memory.processes() << " processes at the end (" << fewest
        << " to " << most << ")\n";
    using Reading = qint64 (*)(const ProcessTreeMemoryUse&);
    const Reading resident = [](const ProcessTreeMemoryUse& m) { return m.residentKb(); };
    const Reading proportional = [](const ProcessTreeMemoryUse& m) { return m.proportionalKb; };
    for (auto [name, field] : {std::pair{"RSS", resident}, std::pair{"PSS", proportional}}) {
        const Figures f = figuresOf(samples, field);
        out << QStringLiteral("  %1 MiB: start %2, peak %3, end %4, slope %5 MiB/h\n")
                   .arg(QLatin1String(name))
                   .arg(f.start, 0, 'f', 1)
                   .arg(f.peak, 0, 'f', 1)
                   .arg(f.end, 0, 'f', 1)
                   .arg(f.slopePerHour, 0, 'f', 1);
    }
    out.flush();
}

QByteArray documentText(const HttpTestServer& server, int switches, int hangEvery)
{
    QByteArray text = "[Gpane]\r\nDefaultTime=2\r\nFirstPageIsLastPage=No\r\nAutoLoop=No\r\n";
    for (int i = 1; i <= switches; ++i) {
        const bool hangs = hangEvery > 0 && i % hangEvery == 0;
        // A query of its own, so that each switch loads the page afresh.
        const QString url = server.url(QLatin1String(hangs ? kHangPage : kKinds[(i - 1) % 3]) +
                                       QStringLiteral("?n=%1").arg(i));
        text += "\r\n[Page" + QByteArray::number(i) + "]\r\nURL=" + url.toUtf8() +
                "\r\nDefaultTime=No\r\nTime=" + QByteArray::number(hangs ? 2 : 1 + (i - 1) % 2) +
                "\r\n";
    }
    // Time 0: no automatic advance.
    text += "\r\n[Page" + QByteArray::number(switches + 1) +
            "]\r\nURL=" + server.url(QLatin1String(kHoldPage)).toUtf8() +
            "\r\nDefaultTime=No\r\nTime=0\r\n";
    return text;
}

// Runs this program again under xvfb-run; returns only when that cannot be done.
void execUnderXvfb(int argc, char** argv)
{
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(xvfbRun);
    std::vector<char*> args{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                            const_cast<char*>("-s"),
                            const_cast<char*>("-screen 0 1280x800x24 -nolisten tcp")};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execv(path.constData(), args.data());
}

int usage()
{
    std::fprintf(stderr, "usage: soak [SWITCHES [MINUTES]] [--interval SECONDS] [--csv FILE] "
                         "[--memory-limit MIB] [--hang N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        execUnderXvfb(argc, argv);
        std::fprintf(stderr, "soak: no DISPLAY and no xvfb-run to make one\n");
        return 1;
    }
    QCoreApplication app(argc, argv);

    int switches = 1000;
    double minutes = 30;
    double intervalS = 5;
    QString csvPath;
    int memoryLimitMiB = -1; // -1: the program's own default
    int hangEvery = 0;
    QStringList positional;
    bool ok = true;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--interval") && i + 1 < args.size())
            intervalS = args.at(++i).toDouble();
        else if (args.at(i) == QLatin1String("--csv") && i + 1 < args.size())
            csvPath = args.at(++i);
        else if (args.at(i) == QLatin1String("--memory-limit") && i + 1 < args.size())
            memoryLimitMiB = args.at(++i).toInt(&ok);
        else if (args.at(i) == QLatin1String("--hang") && i + 1 < args.size())
            hangEvery = args.at(++i).toInt(&ok);
        else if (!args.at(i).startsWith(QLatin1Char('-')))
            positional << args.at(i);
        else
            return usage();
    }
    if (!ok || positional.size() > 2 || intervalS <= 0 || memoryLimitMiB < -1 || hangEvery == 1 ||
        hangEvery < 0)
        return usage();
    if (positional.size() > 0)
        switches = positional.at(0).toInt(&ok);
    if (ok && positional.size() > 1)
        minutes = positional.at(1).toDouble(&ok);
    if (!ok || switches < 0 || minutes < 0)
        return usage();

    const QString binary = glasspaneBinary();
    if (!QFileInfo(binary).isExecutable()) {
        out << "soak: no glasspane binary at " << binary
            << " (build the target glasspane, or set GLASSPANE_BINARY)\n";
        return 1;
    }

    HttpTestServer server;
    for (const auto& [path, body] :
         {std::pair{kKinds[0], kStaticPage}, std::pair{kKinds[1], kCanvasPage},
          std::pair{kKinds[2], kTextPage},
          std::pair{static_cast<const char*>(kHoldPage), kCanvasPage},
          std::pair{static_cast<const char*>(kHangPage), kHangingPage}}) {
        HttpTestServer::Route route;
        route.body = body;
        route.headers = {{"Content-Type", "text/html; charset=utf-8"},
                         {"Cache-Control", "no-store"}};
        server.setRoute(QLatin1String(path), route);
    }

    QTemporaryDir home;
    const QString document = home.filePath(QStringLiteral("soak.gpn"));
    {
        QFile file(document);
        const QByteArray text = documentText(server, switches, hangEvery);
        if (!home.isValid() || !file.open(QIODevice::WriteOnly) ||
            file.write(text) != text.size()) {
            out << "soak: cannot write " << document << '\n';
            return 1;
        }
    }
    if (memoryLimitMiB >= 0) {
        const QString folder = home.filePath(QStringLiteral("config/glasspane"));
        QFile settings(folder + QStringLiteral("/user.reg"));
        const QByteArray text = "Windows Registry Editor Version 5.00\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\r\n"
                                "\"RendererMemoryLimit\"=\"" +
                                QByteArray::number(memoryLimitMiB) + "\"\r\n";
        if (!QDir().mkpath(folder) || !settings.open(QIODevice::WriteOnly) ||
            settings.write(text) != text.size()) {
            out << "soak: cannot write " << settings.fileName() << '\n';
            return 1;
        }
    }
    QFile csv(csvPath);
    if (!csvPath.isEmpty()) {
        if (!csv.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            out << "soak: cannot write " << csvPath << '\n';
            return 1;
        }
        csv.write("seconds,switches,phase,processes,rss_kib,pss_kib\n");
    }

    out << "soak: " << switches << " switches at 1-2 s, then one animated page for " << minutes
        << " min; a sample every " << intervalS << " s; display " << qgetenv("DISPLAY") << '\n';
    out.flush();

    QProcess show;
    QProcessEnvironment env = privateEnvironment(home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    show.setProcessEnvironment(env);
    show.setWorkingDirectory(home.path());
    show.setStandardInputFile(QProcess::nullDevice());
    const QString logPath = home.filePath(QStringLiteral("glasspane.log"));
    show.setStandardOutputFile(logPath);
    show.setStandardErrorFile(logPath, QIODevice::Append);
    QElapsedTimer clock;
    clock.start();
    show.start(binary, {document});
    if (!show.waitForStarted(30000)) {
        out << "soak: glasspane did not start: " << show.errorString() << '\n';
        return 1;
    }

    std::vector<Sample> startup, rotation, holding;
    int seen = 0;
    qint64 lastNewPageMs = 0;
    qint64 holdStartMs = -1;
    qint64 lastProgressMs = 0;
    bool stalled = false;
    const int intervalMs = int(intervalS * 1000);
    while (show.state() != QProcess::NotRunning) {
        // Page switches so far: requests of the rotation pages, and of the page held.
        int pages = 0;
        bool hold = false;
        for (const HttpTestServer::Request& r : server.requests()) {
            const qsizetype query = r.target.indexOf('?');
            const QByteArray path = query < 0 ? r.target : r.target.left(query);
            if (path == kHoldPage)
                hold = true;
            else if (path == kKinds[0] || path == kKinds[1] || path == kKinds[2] ||
                     path == kHangPage)
                ++pages;
        }
        const qint64 now = clock.elapsed();
        if (pages + (hold ? 1 : 0) != seen) {
            seen = pages + (hold ? 1 : 0);
            lastNewPageMs = now;
        }
        if (hold && holdStartMs < 0)
            holdStartMs = now;

        Sample s;
        s.seconds = double(now) / 1000.0;
        s.switches = pages;
        s.holding = hold;
        s.memory = ProcessTreeMemory(show.processId(), ProportionalShare::Read);
        (hold ? holding : pages > 0 ? rotation : startup).push_back(s);
        if (csv.isOpen()) {
            csv.write(QStringLiteral("%1,%2,%3,%4,%5,%6\n")
                          .arg(s.seconds, 0, 'f', 1)
                          .arg(pages)
                          .arg(hold        ? QStringLiteral("hold")
                               : pages > 0 ? QStringLiteral("rotation")
                                           : QStringLiteral("startup"))
                          .arg(s.memory.processes())
                          .arg(s.memory.residentKb())
                          .arg(s.memory.proportionalKb)
                          .toUtf8());
            csv.flush();
        }
        if (now - lastProgressMs >= 60000) {
            lastProgressMs = now;
            out << QStringLiteral("%1 min: %2 switches%3, %4 processes, RSS %5 MiB, PSS %6 MiB\n")
                       .arg(double(now) / 60000.0, 5, 'f', 1)
                       .arg(pages)
                       .arg(hold ? QStringLiteral(", holding") : QString())
                       .arg(s.memory.processes())
                       .arg(double(s.memory.residentKb()) / 1024.0, 0, 'f', 1)
                       .arg(double(s.memory.proportionalKb) / 1024.0, 0, 'f', 1);
            out.flush();
        }

        if (holdStartMs >= 0 && double(now - holdStartMs) >= minutes * 60000.0)
            break;
        if (!hold && now - lastNewPageMs > kStallMs) {
            stalled = true;
            break;
        }
        show.waitForFinished(intervalMs);
    }

    const bool ended = show.state() == QProcess::NotRunning;
    qint64 stopMs = -1;
    if (!ended) {
        QElapsedTimer stopClock;
        stopClock.start();
        ::kill(pid_t(show.processId()), SIGTERM);
        if (show.waitForFinished(30000)) {
            stopMs = stopClock.elapsed();
        } else {
            show.kill();
            show.waitForFinished(10000);
        }
    }

    out << "\n";
    if (ended)
        out << "soak: glasspane ended by itself (exit code " << show.exitCode() << ")\n";
    if (stalled)
        out << "soak: no new page for " << kStallMs / 1000 << " s; the run stopped\n";
    if (ended || stalled) {
        QFile log(logPath);
        if (log.open(QIODevice::ReadOnly)) {
            const QByteArray text = log.readAll();
            out << "last lines of its log:\n" << text.right(2000) << '\n';
        }
    }
    out << "switches: " << seen << " (" << (holdStartMs >= 0 ? "then held" : "no hold") << ") in "
        << QString::number(double(clock.elapsed()) / 60000.0, 'f', 1) << " min";
    if (!rotation.empty() && rotation.back().seconds > rotation.front().seconds)
        out << ", "
            << QString::number(double(rotation.back().switches - rotation.front().switches) /
                                   (rotation.back().seconds - rotation.front().seconds),
                               'f', 2)
            << " switches/s while rotating";
    out << '\n';
    report(QStringLiteral("start-up (before the first page of the document)"), startup);
    report(QStringLiteral("rotation"), rotation);
    report(QStringLiteral("hold (one animated page)"), holding);
    std::vector<Sample> all = rotation;
    all.insert(all.end(), holding.begin(), holding.end());
    report(QStringLiteral("rotation and hold"), all);
    if (holding.size() >= 4) {
        // The second half alone: whether the page's memory settles or keeps growing.
        report(QStringLiteral("hold, second half"),
               std::vector<Sample>(holding.begin() + qsizetype(holding.size() / 2), holding.end()));
    }
    {
        QFile log(logPath);
        if (log.open(QIODevice::ReadOnly)) {
            const QByteArray text = log.readAll();
            out << "web page renewals (the memory guard): "
                << text.count("the web page is renewed before the next page") << '\n';
            if (hangEvery > 0) {
                // Each renderer ended for not answering, and whether it is gone now.
                static const QRegularExpression ended(
                    QStringLiteral("(did not answer for|did not let go of its page).*process "
                                   "(\\d+) was ended"));
                int count = 0, alive = 0, others = 0;
                for (const QString& line : QString::fromUtf8(text).split(u'\n')) {
                    const QRegularExpressionMatch m = ended.match(line);
                    if (!m.hasMatch())
                        continue;
                    ++count;
                    alive += QFileInfo::exists(QStringLiteral("/proc/") + m.captured(2));
                    // An ordinary page whose renderer was too slow to answer (a loaded machine).
                    others += !line.contains(QLatin1String(kHangPage));
                }
                int hangPages = 0;
                for (const HttpTestServer::Request& r : server.requests())
                    hangPages += r.target.startsWith(kHangPage);
                out << "hanging pages shown: " << hangPages
                    << "; renderers ended for not answering: " << count << " (" << others
                    << " of them of other pages)"
                    << ", of them still running: " << alive
                    << "; crashes: " << text.count("ended (") << '\n';
                // Every page of the rotation is to complete: these lines name the ones that
                // did not.
                out << "pages that did not finish loading: " << text.count("did not finish loading")
                    << ", that could not be shown: " << text.count("cannot be shown") << '\n';
            }
        }
    }
    out << "stop (SIGTERM to exit): "
        << (stopMs >= 0 ? QString::number(stopMs) + QStringLiteral(" ms")
            : ended     ? QStringLiteral("-")
                        : QStringLiteral("killed after 30 s"))
        << '\n';
    return stalled || ended ? 1 : 0;
}
