// The real program started as "glasspane /C" on an X server without a window manager (run under
// xvfb-run; skipped on other platforms): the configuration dialog comes up over the full-screen
// show with the keyboard focus, the password dialog first when a password is set, keys typed
// reach them, and the program ends when the dialog closes. Pictures of the screen go to
// $GLASSPANE_TEST_BINARY_DIR/screenshots.

#include "config/model/config_password.h"
#include "support/gpane_runner.h"
#include "support/test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <memory>
#include <xcb/xcb.h>

using namespace glasspane;

namespace {

QString binaryDir()
{
    return qEnvironmentVariable("GLASSPANE_TEST_BINARY_DIR", QDir::currentPath());
}

// A connection of our own to the X server the program shows on.
class XServer
{
public:
    XServer() { m_connection = xcb_connect(nullptr, nullptr); }
    ~XServer() { xcb_disconnect(m_connection); }
    bool ok() const { return m_connection && !xcb_connection_has_error(m_connection); }

    // The window with the keyboard focus, as the server sees it.
    xcb_window_t focus()
    {
        xcb_get_input_focus_reply_t* reply =
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr);
        const xcb_window_t window = reply ? reply->focus : XCB_NONE;
        free(reply);
        return window;
    }

    // The caption of a window (UTF-8 _NET_WM_NAME, else WM_NAME).
    QString caption(xcb_window_t window)
    {
        for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
            xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
                m_connection, xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name),
                nullptr);
            if (!atom)
                continue;
            xcb_get_property_reply_t* property =
                xcb_get_property_reply(m_connection,
                                       xcb_get_property(m_connection, 0, window, atom->atom,
                                                        XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                       nullptr);
            free(atom);
            QString text;
            if (property && xcb_get_property_value_length(property) > 0)
                text = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(property)),
                                         xcb_get_property_value_length(property));
            free(property);
            if (!text.isEmpty())
                return text;
        }
        return QString();
    }

    // The top-level windows from bottom to top, as the server stacks them.
    QList<xcb_window_t> stack()
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, screen->root), nullptr);
        QList<xcb_window_t> windows;
        if (tree) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
                windows.append(children[i]);
        }
        free(tree);
        return windows;
    }

    // A key pressed and released in the window with the focus; keysym is the key's symbol
    // (a Latin-1 letter, or 0xff0d Return, 0xff1b Escape).
    bool key(quint32 keysym, quint16 modifiers = 0)
    {
        const xcb_keycode_t code = keycodeOf(keysym);
        const xcb_window_t target = focus();
        if (!code || target == XCB_NONE)
            return false;
        for (const uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
            xcb_key_press_event_t event{};
            event.response_type = type;
            event.detail = code;
            event.time = XCB_CURRENT_TIME;
            event.root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
            event.event = target;
            event.child = XCB_NONE;
            event.state = modifiers;
            event.same_screen = 1;
            xcb_send_event(m_connection, 1, target,
                           XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE,
                           reinterpret_cast<const char*>(&event));
        }
        xcb_flush(m_connection);
        return true;
    }
    // A click of the left button at a point of a window.
    bool click(xcb_window_t window, int x, int y)
    {
        for (const uint8_t type : {uint8_t(XCB_BUTTON_PRESS), uint8_t(XCB_BUTTON_RELEASE)}) {
            xcb_button_press_event_t event{};
            event.response_type = type;
            event.detail = 1;
            event.time = XCB_CURRENT_TIME;
            event.root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
            event.event = window;
            event.child = XCB_NONE;
            event.event_x = int16_t(x);
            event.event_y = int16_t(y);
            event.same_screen = 1;
            event.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
            xcb_send_event(m_connection, 1, window,
                           XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE,
                           reinterpret_cast<const char*>(&event));
            xcb_flush(m_connection);
            QTest::qWait(50);
        }
        return true;
    }

    // The window's place on the screen; empty when it is not mapped.
    QRect viewableGeometry(xcb_window_t window)
    {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, window), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        if (!viewable)
            return QRect();
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr);
        QRect rect;
        if (geometry)
            rect = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
        free(geometry);
        return rect;
    }

    bool type(const QString& text)
    {
        for (const QChar c : text) {
            if (!key(c.unicode()))
                return false;
        }
        return true;
    }

private:
    xcb_keycode_t keycodeOf(quint32 keysym)
    {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count),
            nullptr);
        xcb_keycode_t found = 0;
        if (map) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
            for (int i = 0; i < count && !found; ++i) {
                // The symbol without Shift: lower-case letters and the special keys.
                if (syms[i * map->keysyms_per_keycode] == keysym)
                    found = xcb_keycode_t(setup->min_keycode + i);
            }
        }
        free(map);
        return found;
    }

    xcb_connection_t* m_connection = nullptr;
};

constexpr quint32 kReturn = 0xff0d;
constexpr quint32 kEscape = 0xff1b;

void saveScreen(const QString& name)
{
    QTest::qWait(500); // the server draws what was mapped
    const QString folder = binaryDir() + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(folder + u'/' + name));
}

} // namespace

class ConfigurationProgramTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (run under xvfb-run)");
        QVERIFY(m_x.ok());
        // A fresh user hive each time.
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") +
                      QStringLiteral("/glasspane/user.reg"));
    }

    void dialogOverTheShowWithoutWindowManager()
    {
        QProcess& program = startConfiguration();
        const xcb_window_t dialog = waitForFocus(QStringLiteral("Glasspane - "));
        QVERIFY2(dialog != XCB_NONE, qPrintable(m_lastCaption));
        // The dialog stands above every other window of the program.
        QCOMPARE(m_x.stack().last(), dialog);
        saveScreen(QStringLiteral("config-xvfb-C.png"));

        // Escape cancels; a configuration-only run then ends.
        QVERIFY(m_x.key(kEscape));
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // A slip in a number box: the message box comes up painted, with the keyboard; once it is
    // answered the keyboard is back in the dialog, in the box, whose text is selected.
    void messageBoxOverTheDialog()
    {
        QProcess& program = startConfiguration();
        const xcb_window_t dialog = waitForFocus(QStringLiteral("Glasspane - "));
        QVERIFY2(dialog != XCB_NONE, qPrintable(m_lastCaption));
        const QString document = m_lastCaption.mid(QStringLiteral("Glasspane - ").size());
        // Alt+P: "Default dis&play time".
        QVERIFY(m_x.key(u'p', XCB_MOD_MASK_1));
        QTest::qWait(300);
        QVERIFY(m_x.type(QStringLiteral("x")));
        QVERIFY(m_x.key(kReturn));
        const xcb_window_t box = waitForFocus(QStringLiteral("Glasspane"), true);
        QVERIFY2(box != XCB_NONE && box != dialog, qPrintable(m_lastCaption));
        // Painted within a second (software rendering left it black for 20 s).
        const QRect rect = m_x.viewableGeometry(box);
        QVERIFY(!rect.isEmpty());
        QElapsedTimer timer;
        timer.start();
        bool painted = false;
        while (!painted && timer.elapsed() < 1000) {
            const QImage picture =
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
                    .toImage();
            painted = picture.pixel(rect.width() / 2, rect.height() / 2) != picture.pixel(0, 0) ||
                      qGray(picture.pixel(rect.width() / 2, rect.height() / 2)) > 64;
            if (!painted)
                QTest::qWait(50);
        }
        saveScreen(QStringLiteral("config-xvfb-message.png"));
        QVERIFY2(painted, "the message box is not painted");
        QVERIFY(m_x.key(kReturn));
        QCOMPARE(waitForFocus(QStringLiteral("Glasspane - ")), dialog);
        // The refused text is selected: typing replaces it.
        QVERIFY(m_x.type(QStringLiteral("7")));
        QVERIFY(m_x.key(kReturn));
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        QVERIFY2(readFileBytes(document).contains("\nDefaultTime=7\n"),
                 readFileBytes(document).constData());
    }

    // Help > Content: the help stands over the dialog, with the keyboard; closed, the keyboard
    // is back in the dialog.
    void helpOverTheDialog()
    {
        QProcess& program = startConfiguration();
        const xcb_window_t dialog = waitForFocus(QStringLiteral("Glasspane - "));
        QVERIFY2(dialog != XCB_NONE, qPrintable(m_lastCaption));
        QVERIFY(m_x.key(u'h', XCB_MOD_MASK_1));
        QTest::qWait(500);
        QVERIFY(m_x.key(u'c'));
        const xcb_window_t help = waitForFocus(QStringLiteral("Glasspane help"), true);
        QVERIFY2(help != XCB_NONE, qPrintable(m_lastCaption));
        QCOMPARE(m_x.stack().last(), help);
        QTest::qWait(2000); // the page loads
        saveScreen(QStringLiteral("config-xvfb-help.png"));
        QVERIFY(m_x.key(kEscape));
        QCOMPARE(waitForFocus(QStringLiteral("Glasspane - ")), dialog);
        QVERIFY(m_x.key(kEscape));
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
    }

    void passwordFirst()
    {
        const QString hive =
            qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/glasspane/user.reg");
        QString scrambled = ScramblePassword(QStringLiteral("kiosk"));
        scrambled.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        QVERIFY(writeFileBytes(hive, "Windows Registry Editor Version 5.00\r\n\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\Qorvath\\Glasspane]\r\n"
                                     "\"RegKey\"=\"HKCU\"\r\n\"Password\"=\"" +
                                         scrambled.toUtf8() + "\"\r\n"));
        QProcess& program = startConfiguration();
        QVERIFY2(waitForFocus(QStringLiteral("Glasspane - https://glasspane.example/")) != XCB_NONE,
                 qPrintable(m_lastCaption));
        saveScreen(QStringLiteral("config-xvfb-password.png"));
        QVERIFY(m_x.type(QStringLiteral("kiosk")));
        QVERIFY(m_x.key(kReturn));
        const xcb_window_t dialog = waitForFocus(QStringLiteral("Glasspane - /"));
        QVERIFY2(dialog != XCB_NONE, qPrintable(m_lastCaption));
        // The password of an earlier version opened the dialog once: it is stored anew as a
        // hash that gives nothing of it back.
        const QByteArray held = readFileBytes(hive);
        QVERIFY2(held.contains("\"Password\"=\"$argon2id$"), held.constData());
        QVERIFY(!held.contains(scrambled.toUtf8()));
        QVERIFY(m_x.key(kEscape));
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
    }

    void configuredDuringTheShow()
    {
        const QString document =
            qEnvironmentVariable("HOME") + QStringLiteral("/shows/configured.gpn");
        QVERIFY(writeFileBytes(document, "[Gpane]\r\nHomeURL=about:blank\r\nAutoLoop=Yes\r\n"
                                         "\r\n[Page1]\r\nURL=about:blank\r\n"));
        QProcess& program = start({document});
        // The screen-saver tool bar, then its Config button (the sixth of eight).
        xcb_window_t bar = XCB_NONE;
        QRect barRect;
        QElapsedTimer timer;
        timer.start();
        while (bar == XCB_NONE && timer.elapsed() < 40000) {
            for (const xcb_window_t window : m_x.stack()) {
                const QRect rect = m_x.viewableGeometry(window);
                if (!rect.isEmpty() && m_x.caption(window) == QLatin1String("Gpane")) {
                    bar = window;
                    barRect = rect;
                }
            }
            QTest::qWait(200);
        }
        QVERIFY(bar != XCB_NONE);
        QTest::qWait(1000);
        QVERIFY(m_x.click(bar, barRect.width() * 11 / 16, barRect.height() / 2));
        QVERIFY2(waitForFocus(QStringLiteral("Glasspane - ") + document) != XCB_NONE,
                 qPrintable(m_lastCaption));
        saveScreen(QStringLiteral("config-xvfb-show.png"));
        // The home page box has the focus, its text selected: typing replaces it; Enter is OK.
        QVERIFY(m_x.type(QStringLiteral("typed.example")));
        QVERIFY(m_x.key(kReturn));
        const QByteArray saved = "HomeURL=typed.example";
        timer.restart();
        while (!readFileBytes(document).contains(saved) && timer.elapsed() < 20000)
            QTest::qWait(200);
        QVERIFY2(readFileBytes(document).contains(saved), readFileBytes(document).constData());
        // The show goes on with the new options: it answers after the save, and ends as always.
        const GpaneRunner::Run status = GpaneRunner(qEnvironmentVariable("HOME"))
                                            .run({QStringLiteral("status")}, QDir::tempPath());
        QVERIFY2(status.exitCode == 0, qPrintable(status.out + status.err));
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
    }

private:
    QProcess& startConfiguration() { return start({QStringLiteral("/C")}); }

    QProcess& start(const QStringList& arguments)
    {
        m_program = std::make_unique<QProcess>();
        QProcess& program = *m_program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(binaryDir() + QStringLiteral("/src/app/glasspane"), arguments);
        if (!program.waitForStarted())
            qWarning() << "glasspane did not start:" << program.errorString();
        return program;
    }

    // Waits until the focused window's caption begins with prefix; its id, or none after 40 s.
    xcb_window_t waitForFocus(const QString& prefix, bool whole = false)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 40000) {
            const xcb_window_t window = m_x.focus();
            if (window != XCB_NONE) {
                // Qt gives the focus to its top-level windows themselves.
                m_lastCaption = m_x.caption(window);
                if (whole ? m_lastCaption == prefix : m_lastCaption.startsWith(prefix))
                    return window;
            }
            QTest::qWait(200);
        }
        return XCB_NONE;
    }

private Q_SLOTS:
    void cleanup()
    {
        if (m_program && m_program->state() != QProcess::NotRunning) {
            m_program->terminate();
            if (!m_program->waitForFinished(5000))
                m_program->kill();
            m_program->waitForFinished(5000);
        }
        m_program.reset();
    }

private:
    XServer m_x;
    std::unique_ptr<QProcess> m_program;
    QString m_lastCaption;
};

QTEST_MAIN(ConfigurationProgramTest)
#include "configuration_program_test.moc"
