#pragma once

// The configuration dialog on real files (a document and the three hive files in a temporary
// folder), a recording host in place of the running show, and modal dialogs answered in
// advance:
//
//   ConfigRig rig;
//   rig.openDocument("[Gpane]\r\nHomeURL=http://a/\r\n");
//   frmConfig& dialog = rig.open();
//   rig.modal.expect(ScriptedRunner::press(QMessageBox::Ok));   // the next message box
//   rig.click("cmdOK");

#include "config/config_dialogs.h"
#include "config/config_host.h"
#include "config/frm_config.h"
#include "config/modal_runner.h"
#include "document/document_files.h"
#include "document/ini_files.h"
#include "document/program_values.h"
#include "document/settings.h"
#include "document/update_policy.h"
#include "platform/linux/reg_hive_registry.h"
#include "support/fake_shell.h"
#include "support/fake_system.h"
#include "support/settable_clock.h"
#include "support/test_files.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QQueue>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace glasspane {

// Where tests save pictures of the dialogs: $GLASSPANE_TEST_BINARY_DIR/screenshots.
inline QString screenshotFolder()
{
    const QByteArray base = qgetenv("GLASSPANE_TEST_BINARY_DIR");
    QDir dir(base.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(base));
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots"));
}

// What gpane of this build ($GLASSPANE_TEST_BINARY_DIR/src/app/gpane) said and ended with;
// exitCode -1 when it could not be run.
struct GpaneRun
{
    int exitCode = -1;
    QString output; // standard output
    QString errors; // standard error
};
inline GpaneRun RunGpane(const QStringList& arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("GLASSPANE_TEST_BINARY_DIR") +
                      QStringLiteral("/src/app/gpane"),
                  arguments);
    GpaneRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        run.errors = QStringLiteral("gpane did not run: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The letter of each Alt+letter mnemonic shown under root, with the controls that carry it
// (buttons, frames, labels that lead to a control), each named by its objectName.
inline QMap<QChar, QStringList> MnemonicOwners(const QWidget* root)
{
    QMap<QChar, QStringList> owners;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        QString caption;
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            caption = button->text();
        else if (const auto* label = qobject_cast<const QLabel*>(w); label && label->buddy())
            caption = label->text();
        else if (const auto* frame = qobject_cast<const QGroupBox*>(w))
            caption = frame->title();
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (!key.isEmpty() && w->isVisible())
            owners[QChar(key[0].key())].append(w->objectName());
    }
    return owners;
}

// Runs no modal loop: each dialog goes to the next handler queued, which answers it. What was
// shown is recorded; a dialog nobody expected is rejected and noted.
class ScriptedRunner final : public ModalRunner
{
public:
    using Handler = std::function<int(QDialog&)>;

    void expect(Handler handler) { m_handlers.enqueue(std::move(handler)); }
    bool allAnswered() const { return m_handlers.isEmpty() && unexpected.isEmpty(); }

    int exec(QDialog& dialog) override
    {
        shown.append(describe(dialog));
        const auto* box = qobject_cast<const QMessageBox*>(&dialog);
        icons.append(box ? box->icon() : QMessageBox::NoIcon);
        if (beforeAnswer)
            beforeAnswer(dialog);
        if (m_handlers.isEmpty()) {
            unexpected.append(shown.last());
            return QDialog::Rejected;
        }
        return m_handlers.dequeue()(dialog);
    }

    // "objectName|title|text" of a dialog (text: a message box's text).
    static QString describe(const QDialog& dialog)
    {
        QString text;
        if (const auto* box = qobject_cast<const QMessageBox*>(&dialog))
            text = box->text();
        return dialog.objectName() + u'|' + dialog.windowTitle() + u'|' + text;
    }

    // Presses a button of a message box.
    static Handler press(QMessageBox::StandardButton button)
    {
        return [button](QDialog& dialog) {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            if (!box || !box->button(button))
                return int(QDialog::Rejected);
            box->button(button)->click();
            return box->result();
        };
    }
    // Chooses a file in a file dialog; an empty path cancels it.
    static Handler chooseFile(const QString& path)
    {
        return [path](QDialog& dialog) {
            auto* files = qobject_cast<QFileDialog*>(&dialog);
            if (!files || path.isEmpty()) {
                dialog.reject();
                return int(QDialog::Rejected);
            }
            files->selectFile(path);
            files->QDialog::accept(); // not QFileDialog::accept, which checks the name
            return files->result();
        };
    }
    // Fills line edits by name, then presses the button of that name.
    static Handler fill(const QList<QPair<QString, QString>>& texts, const QString& buttonName)
    {
        return [texts, buttonName](QDialog& dialog) {
            for (const auto& [name, text] : texts) {
                if (auto* box = dialog.findChild<QLineEdit*>(name))
                    box->setText(text);
            }
            if (auto* button = dialog.findChild<QAbstractButton*>(buttonName))
                button->click();
            return dialog.result();
        };
    }

    QStringList shown;
    QList<QMessageBox::Icon> icons; // of each dialog shown (NoIcon: no message box)
    QStringList unexpected;
    // Runs as each dialog comes up (to look at the state around it).
    std::function<void(QDialog&)> beforeAnswer;

private:
    QQueue<Handler> m_handlers;
};

// The running show, recorded.
class FakeConfigHost final : public ConfigHost
{
public:
    QString address = QStringLiteral("http://shown.example/page.html");
    QString title = QStringLiteral("Shown page");
    SaverState saver;
    std::optional<QRect> runBar = QRect(100, 700, 300, 40);
    std::optional<QRect> navBar;

    QStringList shownPages;
    QStringList helpPages;
    QList<ToolBar> shownBars;
    QList<bool> closed; // configClosed(accepted)
    int raises = 0;
    int windowRects = 0;
    QList<QPair<MainWindowState, bool>> windowStates;
    int rebuilds = 0;
    int saves = 0;
    int replaced = 0;
    int quits = 0;
    int helps = 0;
    int placements = 0;

    QString currentAddress() const override { return address; }
    QString currentTitle() const override { return title; }
    bool isCurrentPage(const QString& url) const override
    {
        return url.compare(address, Qt::CaseInsensitive) == 0;
    }
    void showPage(const QString& url, bool, bool) override { shownPages.append(url); }
    void showHelp() override { ++helps; }
    void showHelpPage(const QString& url) override { helpPages.append(url); }
    void showToolBar(ToolBar bar) override { shownBars.append(bar); }
    std::optional<QRect> toolBarGeometry(ToolBar bar) const override
    {
        return bar == ToolBar::Run ? runBar : navBar;
    }
    void raiseToolBars() override { ++raises; }
    void storeWindowRect() override { ++windowRects; }
    void applyWindowState(MainWindowState state, bool topMost) override
    {
        windowStates.append({state, topMost});
    }
    void saveWindowPlacement() override { ++placements; }
    void showCursorFully() override {}
    SaverState saverState() const override { return saver; }
    QString cacheFolder() const override { return QStringLiteral("/cache/glasspane"); }
    void playListRebuilt() override {}
    void rebuildToolBars() override { ++rebuilds; }
    void afterSave() override { ++saves; }
    void documentReplaced() override { ++replaced; }
    void quit() override { ++quits; }
    void configClosed(bool accepted) override { closed.append(accepted); }
};

// The properties dialog, recorded; it changes nothing unless told to, or is the real one when
// realProperties is set. The other dialogs are the real ones.
class RecordingDialogs final : public ConfigDialogs
{
public:
    QList<QPair<int, int>> properties; // mode, index
    std::function<bool(int mode, int index, WorkingLists&)> onProperties;
    bool realProperties = false;

    bool editProperties(const DialogContext& context, int mode, int index,
                        WorkingLists& lists) override
    {
        properties.append({mode, index});
        if (realProperties)
            return ConfigDialogs::editProperties(context, mode, index, lists);
        return onProperties ? onProperties(mode, index, lists) : false;
    }
};

struct ConfigRig
{
    QTemporaryDir dir;
    RegHiveRegistry registry{RegHivePaths{dir.filePath(QStringLiteral("user.reg")),
                                          dir.filePath(QStringLiteral("machine/machine.reg")),
                                          dir.filePath(QStringLiteral("machine/classes.reg"))}};
    IniFiles ini;
    ProgramValues program;
    FakeSystem system;
    FakeShell shell{dir.filePath(QStringLiteral("shell"))};
    SettableClock clock;
    SettingsStore settings{registry, ini, program, system};
    DocumentState doc;
    UpdateState update;
    PasswordLock lock;
    DocumentServices services{ini, settings, program, shell, registry, clock, nullptr, {}, {}, {}};
    FakeConfigHost host;
    RecordingDialogs dialogs;
    ScriptedRunner modal;
    std::unique_ptr<frmConfig> dialog;

    ConfigRig()
    {
        program.resourceFolder = dir.filePath(QStringLiteral("Gpane"));
        program.startFolder = dir.path() + u'/';
        program.windowsFolder = dir.filePath(QStringLiteral("machine/"));
        program.programPath = QStringLiteral("/usr/bin/glasspane");
        program.exeName = QStringLiteral("GLASSPANE");
        system.setMachineFolder(program.windowsFolder);
        QDir().mkpath(program.resourceFolder);
        QDir().mkpath(program.windowsFolder);
        settings.setRegKeyRoot(SettingsLocation::HKCU);
    }

    // Writes a document and loads it as the current one.
    QString openDocument(const QByteArray& text, const QString& name = QStringLiteral("show.gpn"))
    {
        const QString path = dir.filePath(name);
        if (!writeFileBytes(path, text))
            return QString();
        program.documentPath = path;
        PrepareDocumentSource(services, doc);
        if (!LoadDocument(services, doc, path, path))
            return QString();
        return path;
    }

    frmConfig& open()
    {
        ConfigContext context{services, doc, update, lock, system, host, dialogs, modal};
        dialog = std::make_unique<frmConfig>(context);
        dialog->show();
        // Focus moves (and leaving a box) need the window active.
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog.get()))
            qWarning() << "the dialog did not become active";
        return *dialog;
    }

    template <typename T = QWidget> T* find(const QString& name) const
    {
        T* widget = dialog->findChild<T*>(name);
        if (!widget)
            qWarning() << "no control named" << name;
        return widget;
    }
    QAction* action(const QString& name) const { return find<QAction>(name); }
    void click(const QString& name) { find<QAbstractButton>(name)->click(); }
    void type(const QString& name, const QString& text)
    {
        auto* box = find<QLineEdit>(name);
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }
};

} // namespace glasspane
