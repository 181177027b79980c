// Every option the engine, the reboot, the update policy, the browser, the window and the tool
// bars read takes effect from the place the document's ParamsLocation names (the document, the
// per-user hive, the machine hive, as real .reg files), whether the document was opened at
// start-up, reached by a link, or read again at the end of a cycle; and the configuration
// dialog's OK puts what it saved in force.

#include "browser/frm_tool_nav.h"
#include "browser/frm_tool_run.h"
#include "browser/tool_bars.h"
#include "browser/webengine_test_main.h"
#include "program_rig.h"

#include <QWebEngineSettings>

using namespace glasspane;
using test::html;
using test::page;
using test::ProgramRig;

namespace {

// One option as an administrator writes it, and how the running program shows it took effect.
struct Option
{
    const char* section; // "" for [Gpane] / the product key; else a button section
    const char* name;
    const char* stored;
    std::function<QString(ProgramRig&)> effect;
    const char* expected;
};

QString text(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

const QList<Option>& options()
{
    static const QList<Option> list = {
        // The engine.
        {"", "OnMouseMove", "1",
         [](ProgramRig& p) { return QString::number(int(p.engine().settings().OnMouseMove)); },
         "1"},
        {"", "RandomMode", "Yes",
         [](ProgramRig& p) { return text(p.engine().settings().RandomMode); }, "Yes"},
        {"", "FirstPageIsLastPage", "No",
         [](ProgramRig& p) { return text(p.engine().settings().FirstPageIsLastPage); }, "No"},
        {"", "MaxTime", "77",
         [](ProgramRig& p) { return QString::number(p.engine().settings().MaxTime); }, "77"},
        {"", "ScreenSaveMinTime", "9",
         [](ProgramRig& p) { return QString::number(p.engine().settings().ScreenSaveMinTime); },
         "9"},
        {"", "HelpEnabled", "No",
         [](ProgramRig& p) { return text(p.engine().settings().HelpEnabled); }, "No"},
        {"", "HelpURL", "http://127.0.0.1:9/help.html",
         [](ProgramRig& p) { return p.engine().settings().HelpURL; },
         "http://127.0.0.1:9/help.html"},
        // The reboot.
        {"", "AutoReboot", "Yes",
         [](ProgramRig& p) { return text(p.engine().settings().AutoReboot); }, "Yes"},
        {"", "RebootTime", "4:30",
         [](ProgramRig& p) {
             return p.engine().RebootAt().time().toString(QStringLiteral("hh:mm"));
         },
         "04:30"},
        {"", "ForceReboot", "Yes",
         [](ProgramRig& p) { return text(p.engine().settings().ForceReboot); }, "Yes"},
        {"", "AutoLogin", "Yes",
         [](ProgramRig& p) { return text(p.engine().settings().AutoLogin); }, "Yes"},
        {"", "NTLogin", "kiosk", [](ProgramRig& p) { return p.engine().settings().NTLogin; },
         "kiosk"},
        // The update policy.
        {"", "UpdateScheme", "2",
         [](ProgramRig& p) { return QString::number(p.update.UpdateScheme); }, "2"},
        {"", "UpdateTime", "03:15", [](ProgramRig& p) { return p.update.UpdateTime; }, "03:15"},
        {"", "UpdateDelay", "120",
         [](ProgramRig& p) { return QString::number(p.update.UpdateDelay); }, "120"},
        {"", "ForceReconnect", "Yes", [](ProgramRig& p) { return text(p.update.ForceReconnect); },
         "Yes"},
        // The browser.
        {"", "OnNewWindow", "2",
         [](ProgramRig& p) {
             return QString::number(int(p.window->navigation().settings().OnNewWindow));
         },
         "2"},
        {"", "RemoveVertScroll", "1",
         [](ProgramRig& p) {
             return QString::number(p.window->navigation().settings().RemoveVertScroll);
         },
         "1"},
        {"", "AutoplaySound", "No",
         [](ProgramRig& p) {
             return text(!p.window->browser().page()->settings()->testAttribute(
                 QWebEngineSettings::PlaybackRequiresUserGesture));
         },
         "No"},
        // The window.
        {"", "WindowState", "0",
         [](ProgramRig& p) {
             return QStringLiteral("%1 %2")
                 .arg(int(p.window->placement().WindowState))
                 .arg(p.window->isFullScreen() ? "full screen" : "window");
         },
         "0 window"},
        {"", "TopMost", "Yes",
         [](ProgramRig& p) {
             return text(p.engine().settings().TopMost &&
                         p.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
         },
         "Yes"},
        // The tool bars.
        {"", "ToolRunLocked", "Yes",
         [](ProgramRig& p) { return text(p.window->toolBars()->placement().ToolRunLocked); },
         "Yes"},
        {"", "ToolNavLocked", "Yes",
         [](ProgramRig& p) { return text(p.window->toolBars()->placement().ToolNavLocked); },
         "Yes"},
        {"ToolRunNext", "Visible", "No",
         [](ProgramRig& p) { return text(p.doc.ToolRunButtons[ToolRunNext].Visible); }, "No"},
        {"ToolNavHome", "HelpTip", "Start again",
         [](ProgramRig& p) { return p.doc.ToolNavButtons[ToolNavHome].HelpTip; }, "Start again"},
        {"ToolNavURL", "Visible", "No", [](ProgramRig& p) { return text(p.doc.ToolNavURLVisible); },
         "No"},
        // A [Gpane] value the document lacks comes from its parameters' place.
        {"", "AutoLoop", "No", [](ProgramRig& p) { return text(p.doc.AutoLoop); }, "No"},
    };
    return list;
}

// The options in the document's own sections.
QByteArray documentSections()
{
    QByteArray gpane;
    QMap<QByteArray, QByteArray> sections;
    for (const Option& o : options()) {
        const QByteArray line = QByteArray(o.name) + '=' + o.stored + "\r\n";
        if (*o.section)
            sections[o.section] += line;
        else
            gpane += line;
    }
    QByteArray text = gpane;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it)
        text += "\r\n[" + it.key() + "]\r\n" + it.value();
    return text;
}

// A hive as an administrator writes it with a text editor.
QByteArray hiveText(const QByteArray& root, const QByteArray& key)
{
    QMap<QByteArray, QByteArray> keys;
    for (const Option& o : options()) {
        const QByteArray path = *o.section ? key + '\\' + o.section : key;
        keys[path] += '"' + QByteArray(o.name) + "\"=\"" + o.stored + "\"\r\n";
    }
    QByteArray text = "Windows Registry Editor Version 5.00\r\n";
    for (auto it = keys.cbegin(); it != keys.cend(); ++it)
        text += "\r\n[" + root + '\\' + it.key() + "]\r\n" + it.value();
    return text;
}

bool writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

class SettingsInForceTest : public QObject
{
    Q_OBJECT

private:
    HttpTestServer m_server;

    QByteArray url(const char* path) const
    {
        return m_server.url(QString::fromLatin1(path)).toUtf8();
    }

    // The show's own lines of a document: one short page, shown in turn, from the start.
    QByteArray showLines(const QByteArray& params) const
    {
        return "[Gpane]\r\nParamsLocation=" + params + "\r\nDefaultTime=1\r\n" +
               "FirstPageIsLastPage=No\r\n\r\n[Page1]\r\nURL=" + url("/a") + "\r\n\r\n";
    }

private Q_SLOTS:
    void initTestCase() { m_server.setRoute(QStringLiteral("/a"), html(page("a"))); }

    void optionsTakeEffectFromTheirPlace_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("reached");
        for (const char* place : {"document", "HKCU", "HKLM"}) {
            for (const char* reached : {"start-up", "link", "end of cycle"})
                QTest::addRow("%s, %s", place, reached) << place << reached;
        }
    }
    void optionsTakeEffectFromTheirPlace()
    {
        QFETCH(QString, place);
        QFETCH(QString, reached);
        ProgramRig p(ProgramRig::Hives::Files);

        // The target document names the place; the options stand there and nowhere else.
        const bool inDocument = place == u"document";
        const QByteArray params = inDocument ? "1" : place.toLatin1();
        QByteArray target = "[Gpane]\r\nParamsLocation=" + params + "\r\nDefaultTime=1\r\n";
        if (inDocument)
            target += documentSections();
        target += "\r\n[Page1]\r\nURL=" + url("/a") + "\r\n";
        if (place == u"HKCU")
            QVERIFY(writeText(p.userHive(),
                              hiveText("HKEY_CURRENT_USER", "Software\\Qorvath\\Glasspane")));
        if (place == u"HKLM")
            QVERIFY(writeText(p.machineHive(),
                              hiveText("HKEY_LOCAL_MACHINE", "SOFTWARE\\Qorvath\\Glasspane")));

        const QString a = m_server.url(QStringLiteral("/a"));
        if (reached == u"start-up") {
            p.open(target);
        } else if (reached == u"link") {
            m_server.setPage(QStringLiteral("/target.gpn"), target);
            p.open(showLines("1").replace(url("/a"), url("/target.gpn")));
        } else {
            const QString path = p.write(showLines("1"));
            p.openWith(path);
            QVERIFY(p.showing(a));
            // Changed on disk while the show runs: the end of the cycle reads it again.
            QVERIFY(writeText(path, target));
        }
        QVERIFY(p.runUntil([&] {
            return p.browser().LocationURL() == a && p.engine().displaySlot().Loaded &&
                   p.doc.ToolNavURLVisible == false;
        }));
        // Window flags change on a later turn of the event loop: each effect is waited for.
        for (const Option& o : options()) {
            const QString name =
                QString::fromLatin1(*o.section ? o.section : "") + QString::fromLatin1(o.name);
            QTRY_VERIFY2(o.effect(p) == QLatin1String(o.expected),
                         qPrintable(QStringLiteral("%1: %2").arg(name, o.effect(p))));
        }
    }

    // The configuration dialog saves, then asks the window to put everything in force.
    void applyAfterConfiguration()
    {
        ProgramRig p(ProgramRig::Hives::Files);
        p.open(showLines("HKLM"));
        const QString a = m_server.url(QStringLiteral("/a"));
        QVERIFY(p.showing(a));
        QVERIFY(p.window->isFullScreen());
        QVERIFY(!p.engine().settings().RandomMode);

        SettingsStore& s = p.settings;
        QVERIFY(s.write(keys::RandomMode, true));
        QVERIFY(s.write(keys::WindowState, qint32(0)));
        QVERIFY(s.write(keys::OnNewWindow, qint32(1)));
        QVERIFY(s.write(keys::ToolRunLocked, true));
        QVERIFY(s.write(keys::UpdateScheme, qint32(1)));
        QVERIFY(s.write(keys::OnMouseMove, qint32(1)));
        p.window->ApplySettings();

        QVERIFY(p.engine().settings().RandomMode);
        QCOMPARE(p.window->navigation().settings().OnNewWindow, NewWindowAction::MainWindow);
        QVERIFY(p.window->toolBars()->placement().ToolRunLocked);
        QCOMPARE(p.update.UpdateScheme, qint16(1));
        QTRY_VERIFY(!p.window->isFullScreen());
        // The screen-saver bar is no longer offered once the mouse switches to browsing.
        QVERIFY(!p.window->toolBars()->toolRun()->isVisible());
    }
};

GLASSPANE_WEBENGINE_TEST_MAIN(SettingsInForceTest)
#include "settings_in_force_test.moc"
