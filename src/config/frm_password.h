#pragma once

#include "config/model/config_password.h"
#include "engine/frontend.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace glasspane {

class ModalRunner;

// The configuration password dialog. In enter mode (lock.passwordDialogMode) it asks for the
// password before the configuration dialog opens; in change mode it sets, changes or removes
// it. Wrong tries keep it open with the box concerned focused and selected; the number
// of tries is not limited. Cancel, Escape and the close box change nothing.
class frmPassword final : public QDialog
{
    Q_OBJECT

public:
    // store writes the stored form of a new password at once (also the new form of a password
    // kept by earlier versions, once it was typed right); runner shows the messages.
    frmPassword(PasswordLock& lock, ModalRunner& runner, PasswordStore store,
                QWidget* parent = nullptr);

    PasswordDialogMode mode() const { return m_mode; }

    void cmdOK_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Activate();
    void failed(QLineEdit* box, const QString& message);

    PasswordLock& m_lock;
    ModalRunner& m_runner;
    PasswordStore m_store;
    PasswordDialogMode m_mode = PasswordDialogMode::Enter;

    QLabel* m_lblOldPass;
    QLineEdit* m_txtOldPass;
    QLabel* m_lblNewPass1;
    QLineEdit* m_txtNewPass1;
    QLabel* m_lblNewPass2;
    QLineEdit* m_txtNewPass2;
    QPushButton* m_cmdOK;
    QPushButton* m_cmdCancel;
};

} // namespace glasspane
