#include "config/frm_password.h"

#include "config/modal_runner.h"
#include "config/model/config_password.h"
#include "config/select_all_on_focus.h"
#include "document/setting_catalogue.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glasspane {

namespace {

QLineEdit* passwordBox(const char* name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(kMaxPasswordLength);
    SelectAllOnFocus(box);
    return box;
}

} // namespace

frmPassword::frmPassword(PasswordLock& lock, ModalRunner& runner, PasswordStore store,
                         QWidget* parent)
    : QDialog(parent), m_lock(lock), m_runner(runner), m_store(std::move(store)),
      m_mode(lock.passwordDialogMode == PasswordDialogMode::Change ? PasswordDialogMode::Change
                                                                   : PasswordDialogMode::Enter)
{
    setObjectName(QStringLiteral("frmPassword"));

    auto* frame = new QGroupBox(QStringLiteral("Password"), this);
    frame->setObjectName(QStringLiteral("fraPassword"));
    m_lblOldPass = new QLabel(frame);
    m_lblOldPass->setObjectName(QStringLiteral("lblOldPass"));
    m_txtOldPass = passwordBox("txtOldPass", frame);
    m_lblNewPass1 = new QLabel(frame);
    m_lblNewPass1->setObjectName(QStringLiteral("lblNewPass1"));
    m_txtNewPass1 = passwordBox("txtNewPass1", frame);
    m_lblNewPass2 = new QLabel(frame);
    m_lblNewPass2->setObjectName(QStringLiteral("lblNewPass2"));
    m_txtNewPass2 = passwordBox("txtNewPass2", frame);

    auto* grid = new QGridLayout(frame);
    if (m_mode == PasswordDialogMode::Enter) {
        // The notice spans the frame; the one box follows.
        grid->addWidget(m_lblOldPass, 0, 0, 1, 2);
    } else {
        grid->addWidget(m_lblOldPass, 0, 0);
        grid->addWidget(m_txtOldPass, 0, 1);
    }
    grid->addWidget(m_lblNewPass1, 1, 0);
    grid->addWidget(m_txtNewPass1, 1, 1);
    grid->addWidget(m_lblNewPass2, 2, 0);
    grid->addWidget(m_txtNewPass2, 2, 1);
    grid->setColumnStretch(1, 1);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cmdCancel, QDialogButtonBox::RejectRole);
    // OK decides itself whether the dialog closes.
    connect(m_cmdOK, &QPushButton::clicked, this, &frmPassword::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    setMinimumWidth(380);

    if (m_mode == PasswordDialogMode::Enter) {
        setWindowTitle(kProductName + QStringLiteral(" - ") +
                       QString::fromLatin1(kMakerSiteAddress));
        m_lblOldPass->setText(QStringLiteral("Configuration dialog box is password protected."));
        m_txtOldPass->hide();
        m_lblNewPass1->setText(QStringLiteral("&Enter password:"));
        m_lblNewPass2->setText(QString());
        m_lblNewPass2->hide();
        m_txtNewPass2->hide();
    } else {
        setWindowTitle(QStringLiteral("Change password"));
        m_lblOldPass->setText(QStringLiteral("&Old password:"));
        m_lblNewPass1->setText(QStringLiteral("&New password:"));
        m_lblNewPass2->setText(QStringLiteral("&Confirm password:"));
        m_lblOldPass->setBuddy(m_txtOldPass);
        m_lblNewPass2->setBuddy(m_txtNewPass2);
    }
    m_lblNewPass1->setBuddy(m_txtNewPass1);
}

void frmPassword::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void frmPassword::Form_Activate()
{
    (m_mode == PasswordDialogMode::Enter ? m_txtNewPass1 : m_txtOldPass)->setFocus();
}

void frmPassword::failed(QLineEdit* box, const QString& message)
{
    box->setFocus();
    box->selectAll();
    ShowMessage(m_runner, this, QMessageBox::Critical, kProductName, message);
}

void frmPassword::cmdOK_Click()
{
    if (m_mode == PasswordDialogMode::Enter) {
        const PasswordCheck check = EnterPassword(m_lock, m_txtNewPass1->text(), m_store);
        if (check != PasswordCheck::Accepted) {
            failed(m_txtNewPass1, PasswordCheckMessage(check));
            return;
        }
    } else {
        const PasswordCheck check = ChangePassword(
            m_lock, m_txtOldPass->text(), m_txtNewPass1->text(), m_txtNewPass2->text(), m_store);
        if (check == PasswordCheck::OldPasswordWrong) {
            failed(m_txtOldPass, PasswordCheckMessage(check));
            return;
        }
        if (check == PasswordCheck::PasswordsDifferent || check == PasswordCheck::NotStored) {
            failed(m_txtNewPass1, PasswordCheckMessage(check));
            return;
        }
    }
    accept();
}

} // namespace glasspane
