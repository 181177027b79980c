#pragma once

#include <QList>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

namespace glasspane {

// The real glasspane program, as a visitor meets it, for end-to-end tests. The test runs on an
// X server of its own (under xvfb-run, no window manager) and drives the program with real X
// input (xdotool) or through pages of a local HttpTestServer.
//
//   HttpTestServer server;
//   KioskProcess kiosk(QStringLiteral("typed"));        // a private home, nothing started yet
//   const QString doc = kiosk.writeFile("show.gpn", "[Page1]\r\nURL=" + ...);
//   QVERIFY(kiosk.start({doc}));
//   QVERIFY(kiosk.waitForLog(QRegularExpression("page complete .*/start.html")));
//   QVERIFY(kiosk.key("ctrl+n"));
//   kiosk.saveScreen("after-ctrl-n.png");
//   QVERIFY(kiosk.stop() >= 0);                         // SIGTERM, and how long it took
//
// The home holds HOME, the XDG folders (config/, cache/, data/, runtime/ of mode 0700), the
// machine folder (machine/) and the display managers' configuration folder (dm/, named only), as
// every test of the project gets, and bin/, put first on PATH, with stand-ins for the desktop's
// launchers (xdg-open and the like) that record each call instead of starting anything. The program
// runs with --verbose, so that its log can be waited for, and --screenshots, so that each page it
// completes is saved as a picture.
class KioskProcess
{
public:
    // Longest wait for anything the program is to do: generous, for a loaded machine; a test
    // that passes never waits that long.
    static constexpr int Wait = 60000;

    // name: the folder of this run's pictures, below $GLASSPANE_TEST_BINARY_DIR/screenshots/.
    explicit KioskProcess(const QString& name);
    ~KioskProcess();
    KioskProcess(const KioskProcess&) = delete;
    KioskProcess& operator=(const KioskProcess&) = delete;

    QString home() const { return m_home.path(); }
    QString homePath(const QString& relative) const;
    // Writes a file below the home, making its folders; returns its path ("" on failure).
    QString writeFile(const QString& relative, const QByteArray& bytes);
    // The folder of this run's pictures.
    QString screenshotFolder() const { return m_screenshots; }

    // $GLASSPANE_PROGRAM: the glasspane program.
    static QString program();
    // The environment the program runs in: the home's folders, the stand-ins first on PATH,
    // no session bus. A second copy started with it meets the first.
    QProcessEnvironment environment() const;
    // Changes a variable of that environment; an empty value takes it out (DISPLAY, for a
    // program that is to meet a Wayland compositor only).
    void setEnvironment(const QString& name, const QString& value) { m_extra[name] = value; }

    // Starts $GLASSPANE_PROGRAM (the glasspane program) with these arguments. openUmask: under
    // umask 000, as a careless session would start it. False when it did not start.
    [[nodiscard]] bool start(const QStringList& arguments, bool openUmask = false);
    // Whether the program is started with --verbose (the default); without it, waitForLog sees
    // only warnings and errors.
    void setVerbose(bool verbose) { m_verbose = verbose; }
    bool running() const;
    qint64 processId() const { return m_process.processId(); }

    // Waits until a line of the program's log from line `from` on matches; false when the
    // program ended or timeoutMs passed first.
    [[nodiscard]] bool waitForLog(const QRegularExpression& pattern, int timeoutMs = Wait,
                                  qsizetype from = 0);
    // The log lines so far; their count is a mark for waitForLog.
    QStringList log();
    // Whether a line of the log so far, from line `from` on, matches.
    bool logged(const QRegularExpression& pattern, qsizetype from = 0);

    // Waits until done() holds, reading the program's log meanwhile; false after timeoutMs.
    [[nodiscard]] bool waitFor(const std::function<bool()>& done, int timeoutMs = Wait);

    // Ends the program with SIGTERM and waits for it: the milliseconds it took, or -1 when it
    // did not end within timeoutMs and had to be killed.
    qint64 stop(int timeoutMs = 30000);
    // The exit code once it has ended.
    int exitCode() const { return m_process.exitCode(); }

    // What the launcher stand-ins were asked to start, one line per call.
    QStringList launched() const;

    // ---- real X input and the screen ----
    // Runs xdotool with these arguments; its output, trimmed, into output. False when it
    // failed.
    [[nodiscard]] static bool xdotool(const QStringList& arguments, QString* output = nullptr);
    // A key combination in xdotool's words ("ctrl+n", "alt+F4", "Escape") to the window that
    // has the focus.
    [[nodiscard]] static bool key(const QString& combination);
    // Types text into the window that has the focus.
    [[nodiscard]] static bool type(const QString& text);
    [[nodiscard]] static bool moveMouse(const QPoint& at);
    // Moves there and clicks: 1 left, 2 middle, 3 right; modifiers held down ("ctrl").
    [[nodiscard]] static bool click(const QPoint& at, int button = 1,
                                    const QString& modifiers = QString());

    struct Window
    {
        QString id;
        QString name;
        QRect geometry;
    };
    // The mapped windows of this program whose name matches pattern.
    QList<Window> windows(const QString& pattern = QStringLiteral(".")) const;

    // Saves the whole screen as name (a PNG) in the run's picture folder; its path, "" when
    // there is no screen to grab (a QGuiApplication on the X server is needed).
    QString saveScreen(const QString& name) const;

private:
    void readOutput();

    QTemporaryDir m_home;
    QString m_screenshots;
    QProcess m_process;
    QStringList m_log;
    QByteArray m_partial;
    bool m_verbose = true;
    QMap<QString, QString> m_extra;
};

} // namespace glasspane
