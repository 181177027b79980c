// The password dialog in both modes, and on the engine's way to the configuration dialog:
// wrong tries, the right one, a new password that cannot be stored, and a cancel that ends a
// configuration-only run.

#include "config/frm_password.h"
#include "config/model/config_password.h"
#include "config_rig.h"
#include "support/engine_rig.h"

#include <QApplication>
#include <QLabel>

using namespace glasspane;

class FrmPasswordTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modes_data();
    void modes();
    void wrongTriesThenTheRightOne();
    void changeThatCannotBeStoredKeepsTheDialogOpen();
    void cancelOnTheWayToConfiguration_data();
    void cancelOnTheWayToConfiguration();
};

void FrmPasswordTest::modes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("oldShown");
    QTest::addColumn<QString>("focus");
    QTest::newRow("enter") << int(PasswordDialogMode::Enter)
                           << "Glasspane - https://glasspane.example/"
                           << "Configuration dialog box is password protected." << false
                           << "txtNewPass1";
    QTest::newRow("change") << int(PasswordDialogMode::Change) << "Change password"
                            << "&Old password:" << true << "txtOldPass";
}

void FrmPasswordTest::modes()
{
    QFETCH(int, mode);
    QFETCH(QString, title);
    QFETCH(QString, first);
    QFETCH(bool, oldShown);
    QFETCH(QString, focus);
    PasswordLock lock;
    lock.passwordDialogMode = PasswordDialogMode(mode);
    ScriptedRunner runner;
    frmPassword dialog(lock, runner, {});
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.findChild<QLabel*>("lblOldPass")->text(), first);
    QCOMPARE(dialog.findChild<QLineEdit*>("txtOldPass")->isVisible(), oldShown);
    QCOMPARE(dialog.findChild<QLineEdit*>("txtNewPass2")->isVisible(), oldShown);
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    for (const char* name : {"txtOldPass", "txtNewPass1", "txtNewPass2"}) {
        auto* box = dialog.findChild<QLineEdit*>(name);
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QCOMPARE(box->maxLength(), kMaxPasswordLength);
    }
    QVERIFY(dialog.findChild<QPushButton*>("cmdOK")->isDefault());
}

void FrmPasswordTest::wrongTriesThenTheRightOne()
{
    PasswordLock lock;
    lock.storedPassword = HashPassword(QStringLiteral("Secret"));
    lock.passwordDialogMode = PasswordDialogMode::Enter;
    ScriptedRunner runner;
    frmPassword dialog(lock, runner, {});
    dialog.show();
    auto* box = dialog.findChild<QLineEdit*>("txtNewPass1");
    for (const char* wrong : {"secret", "Secret "}) {
        box->setText(QString::fromLatin1(wrong));
        runner.expect(ScriptedRunner::press(QMessageBox::Ok));
        dialog.cmdOK_Click();
        QCOMPARE(runner.shown.last(), QStringLiteral("messageBox|Glasspane|Incorrect password !"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!lock.isUnlocked());
        QCOMPARE(box->selectedText(), box->text());
    }
    box->setText(QStringLiteral("Secret"));
    dialog.cmdOK_Click();
    QVERIFY(runner.allAnswered());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(lock.isUnlocked());
}

// A new password that the settings file refuses is said, and the dialog stays open with the
// old password in force.
void FrmPasswordTest::changeThatCannotBeStoredKeepsTheDialogOpen()
{
    PasswordLock lock;
    lock.storedPassword = HashPassword(QStringLiteral("Secret"));
    lock.passwordDialogMode = PasswordDialogMode::Change;
    const QString before = lock.storedPassword;
    ScriptedRunner runner;
    int tries = 0;
    frmPassword dialog(lock, runner, [&](const QString&) {
        ++tries;
        return false;
    });
    dialog.show();
    dialog.findChild<QLineEdit*>("txtOldPass")->setText(QStringLiteral("Secret"));
    dialog.findChild<QLineEdit*>("txtNewPass1")->setText(QStringLiteral("Next"));
    dialog.findChild<QLineEdit*>("txtNewPass2")->setText(QStringLiteral("Next"));
    runner.expect(ScriptedRunner::press(QMessageBox::Ok));
    dialog.cmdOK_Click();
    QVERIFY(runner.allAnswered());
    QCOMPARE(tries, 1);
    QVERIFY(runner.shown.last().startsWith(
        QStringLiteral("messageBox|Glasspane|Change password failed:\r\nThe new password "
                       "cannot be stored")));
    QVERIFY(dialog.isVisible());
    QCOMPARE(lock.storedPassword, before);
}

void FrmPasswordTest::cancelOnTheWayToConfiguration_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("typed"); // "" = Cancel
    QTest::addColumn<int>("state");
    QTest::newRow("cancel, /c") << "/c"
                                << "" << int(RunState::FINPROG);
    QTest::newRow("cancel, config") << "config"
                                    << "" << int(RunState::FINPROG);
    QTest::newRow("cancel, show") << ""
                                  << "" << int(RunState::NAVIGATE);
    QTest::newRow("right, /c") << "/c"
                               << "Secret" << int(RunState::WAITCONFIG);
}

void FrmPasswordTest::cancelOnTheWayToConfiguration()
{
    QFETCH(QString, commandLine);
    QFETCH(QString, typed);
    QFETCH(int, state);
    EngineRig rig;
    rig.setPages({{QStringLiteral("http://a/"), 10}});
    rig.lock.storedPassword = HashPassword(QStringLiteral("Secret"));
    ScriptedRunner runner;
    // The real dialog, where the engine asks for the password.
    rig.frontend.whilePasswordOpen = [&] {
        frmPassword dialog(rig.lock, runner, {});
        runner.exec(dialog);
    };
    runner.expect(typed.isEmpty()
                      ? ScriptedRunner::fill({}, QStringLiteral("cmdCancel"))
                      : ScriptedRunner::fill({{"txtNewPass1", typed}}, QStringLiteral("cmdOK")));
    rig.start(commandLine);
    rig.tick(); // the first pass
    if (commandLine.isEmpty())
        rig.engine->ConfigAction();
    rig.tick(3);
    QVERIFY(runner.allAnswered());
    QCOMPARE(rig.frontend.passwordModeSeen, PasswordDialogMode::Enter);
    if (state == int(RunState::NAVIGATE))
        QVERIFY(rig.state() == RunState::NAVIGATE || rig.state() == RunState::WAITTIME);
    else if (state == int(RunState::FINPROG))
        QCOMPARE(rig.frontend.processEnds, 1);
    else
        QCOMPARE(int(rig.state()), state);
    QCOMPARE(rig.frontend.configDialogs, typed.isEmpty() ? 0 : 1);
}

QTEST_MAIN(FrmPasswordTest)
#include "frm_password_test.moc"
