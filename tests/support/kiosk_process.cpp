#include "support/kiosk_process.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace glasspane {

namespace {

// Launchers through which a browser or a desktop library would start another program.
const char* const kLaunchers[] = {"xdg-open", "x-www-browser", "sensible-browser", "gio",
                                  "kde-open", "gnome-open",    "xdg-email"};

// Chromium's own traffic (updates, reports, prefetching) stays off: the tests reach nothing
// beyond 127.0.0.1.
const char kChromiumFlags[] =
    "--disable-background-networking --disable-component-update --disable-sync "
    "--disable-domain-reliability --disable-client-side-phishing-detection --no-pings "
    "--no-first-run --disable-default-apps --metrics-recording-only --disable-breakpad "
    "--dns-prefetch-disable";

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) &&
           file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

KioskProcess::KioskProcess(const QString& name)
{
    const QByteArray base = qgetenv("GLASSPANE_TEST_BINARY_DIR");
    QDir out(base.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(base));
    m_screenshots = out.filePath(QStringLiteral("screenshots/") + name);
    QDir(m_screenshots).removeRecursively();
    QDir().mkpath(m_screenshots);

    for (const char* folder : {"config", "cache", "data", "machine", "runtime", "bin"})
        QDir().mkpath(homePath(QString::fromLatin1(folder)));
    // A session's runtime folder is its user's alone.
    QFile::setPermissions(homePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    for (const char* launcher : kLaunchers) {
        const QString path = homePath(QStringLiteral("bin/") + QString::fromLatin1(launcher));
        writeBytes(path, QByteArrayLiteral("#!/bin/sh\necho \"$(basename \"$0\") $*\" >> ") +
                             QFile::encodeName(homePath(QStringLiteral("launched.log"))) + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
}

KioskProcess::~KioskProcess()
{
    if (running())
        stop();
}

QString KioskProcess::homePath(const QString& relative) const
{
    return m_home.filePath(relative);
}

QString KioskProcess::writeFile(const QString& relative, const QByteArray& bytes)
{
    const QString path = homePath(relative);
    return writeBytes(path, bytes) ? path : QString();
}

QProcessEnvironment KioskProcess::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QList<std::pair<const char*, QString>> values = {
        {"HOME", home()},
        {"XDG_CONFIG_HOME", homePath(QStringLiteral("config"))},
        {"XDG_CACHE_HOME", homePath(QStringLiteral("cache"))},
        {"XDG_DATA_HOME", homePath(QStringLiteral("data"))},
        {"XDG_RUNTIME_DIR", homePath(QStringLiteral("runtime"))},
        {"GLASSPANE_MACHINE_DIR", homePath(QStringLiteral("machine"))},
        {"GLASSPANE_DM_CONFIG_DIR", homePath(QStringLiteral("dm"))},
        {"GLASSPANE_REBOOT_COMMAND", QStringLiteral("true")},
        {"QTWEBENGINE_DISABLE_SANDBOX", QStringLiteral("1")},
        {"QTWEBENGINE_CHROMIUM_FLAGS", QString::fromLatin1(kChromiumFlags)},
        {"QT_QPA_PLATFORM", QStringLiteral("xcb")},
        {"PATH", homePath(QStringLiteral("bin")) + u':' + env.value(QStringLiteral("PATH"))},
    };
    for (const auto& [name, value] : values)
        env.insert(QString::fromLatin1(name), value);
    // No desktop and no session bus to hand addresses to: only the launchers above remain.
    for (const char* name :
         {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "DBUS_SESSION_BUS_ADDRESS", "QT_LOGGING_RULES"})
        env.remove(QString::fromLatin1(name));
    for (auto it = m_extra.cbegin(); it != m_extra.cend(); ++it) {
        if (it.value().isEmpty())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    return env;
}

QString KioskProcess::program()
{
    QString program = qEnvironmentVariable("GLASSPANE_PROGRAM");
    if (program.isEmpty())
        program = qEnvironmentVariable("GLASSPANE_TEST_BINARY_DIR") +
                  QStringLiteral("/src/app/glasspane");
    return program;
}

bool KioskProcess::start(const QStringList& arguments, bool openUmask)
{
    const QProcessEnvironment env = environment();
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(home());
    m_process.setChildProcessModifier(openUmask ? [] { ::umask(0); } : std::function<void()>());
    m_log.clear();
    m_partial.clear();
    QStringList options{QStringLiteral("--screenshots"), m_screenshots};
    if (m_verbose)
        options.prepend(QStringLiteral("--verbose"));
    m_process.start(program(), options + arguments);
    return m_process.waitForStarted(Wait);
}

bool KioskProcess::running() const
{
    return m_process.state() != QProcess::NotRunning;
}

void KioskProcess::readOutput()
{
    m_partial += m_process.readAll();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_log.append(QString::fromUtf8(m_partial.left(end)));
        m_partial.remove(0, end + 1);
    }
}

QStringList KioskProcess::log()
{
    readOutput();
    return m_log;
}

bool KioskProcess::logged(const QRegularExpression& pattern, qsizetype from)
{
    readOutput();
    for (qsizetype i = from; i < m_log.size(); ++i) {
        if (pattern.match(m_log.at(i)).hasMatch())
            return true;
    }
    return false;
}

bool KioskProcess::waitForLog(const QRegularExpression& pattern, int timeoutMs, qsizetype from)
{
    QDeadlineTimer deadline(timeoutMs);
    qsizetype next = from;
    while (true) {
        readOutput();
        for (; next < m_log.size(); ++next) {
            if (pattern.match(m_log.at(next)).hasMatch())
                return true;
        }
        if (!running() || deadline.hasExpired())
            return false;
        m_process.waitForReadyRead(50);
    }
}

bool KioskProcess::waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        readOutput();
        QTest::qWait(50);
    }
    return true;
}

qint64 KioskProcess::stop(int timeoutMs)
{
    if (!running())
        return 0;
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(m_process.processId()), SIGTERM);
    const bool ended = m_process.waitForFinished(timeoutMs);
    const qint64 took = clock.elapsed();
    readOutput();
    if (!ended) {
        m_process.kill();
        m_process.waitForFinished(Wait);
        return -1;
    }
    return took;
}

QStringList KioskProcess::launched() const
{
    QFile file(homePath(QStringLiteral("launched.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

bool KioskProcess::xdotool(const QStringList& arguments, QString* output)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(Wait) || process.exitStatus() != QProcess::NormalExit)
        return false;
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    // "search" answers 1 when it finds nothing, which is no failure.
    return process.exitCode() == 0 || arguments.value(0) == u"search";
}

bool KioskProcess::key(const QString& combination)
{
    return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), combination});
}

bool KioskProcess::type(const QString& text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
}

bool KioskProcess::moveMouse(const QPoint& at)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
}

bool KioskProcess::click(const QPoint& at, int button, const QString& modifiers)
{
    if (!moveMouse(at))
        return false;
    if (!modifiers.isEmpty() && !xdotool({QStringLiteral("keydown"), modifiers}))
        return false;
    const bool clicked = xdotool({QStringLiteral("click"), QString::number(button)});
    if (!modifiers.isEmpty() && !xdotool({QStringLiteral("keyup"), modifiers}))
        return false;
    return clicked;
}

QList<KioskProcess::Window> KioskProcess::windows(const QString& pattern) const
{
    QList<Window> found;
    QString ids;
    if (!running() ||
        !xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                  QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                  QString::number(m_process.processId()), QStringLiteral("--name"), pattern},
                 &ids))
        return found;
    for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts)) {
        Window w;
        w.id = id;
        QString shell;
        if (!xdotool({QStringLiteral("getwindowname"), id}, &w.name) ||
            !xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}, &shell))
            continue;
        int x = 0, y = 0, width = 0, height = 0;
        for (const QString& line : shell.split(u'\n')) {
            const QString value = line.section(u'=', 1);
            if (line.startsWith(u"X="))
                x = value.toInt();
            else if (line.startsWith(u"Y="))
                y = value.toInt();
            else if (line.startsWith(u"WIDTH="))
                width = value.toInt();
            else if (line.startsWith(u"HEIGHT="))
                height = value.toInt();
        }
        w.geometry = QRect(x, y, width, height);
        found.append(w);
    }
    return found;
}

QString KioskProcess::saveScreen(const QString& name) const
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QGuiApplication::platformName() != u"xcb" || !QGuiApplication::primaryScreen())
        return QString();
    const QString path = QDir(m_screenshots).filePath(name);
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    return !screen.isNull() && screen.save(path) ? path : QString();
}

} // namespace glasspane
