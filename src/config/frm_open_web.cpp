#include "config/frm_open_web.h"

#include "config/modal_runner.h"
#include "config/select_all_on_focus.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glasspane {

frmOpenWeb::frmOpenWeb(const QString& current, ModalRunner& runner, QWidget* parent)
    : QDialog(parent), m_runner(runner)
{
    setObjectName(QStringLiteral("frmOpenWeb"));
    setWindowTitle(QStringLiteral("File Open from the Web"));

    auto* frame = new QGroupBox(QStringLiteral("File Open from the Web"), this);
    frame->setObjectName(QStringLiteral("frmLoc"));
    m_txtLoc = new QLineEdit(current, frame);
    m_txtLoc->setObjectName(QStringLiteral("txtLoc"));
    SelectAllOnFocus(m_txtLoc);
    auto* lblLoc = new QLabel(QStringLiteral("&Location:"), frame);
    lblLoc->setObjectName(QStringLiteral("lblLoc"));
    lblLoc->setBuddy(m_txtLoc);
    auto* row = new QHBoxLayout(frame);
    row->addWidget(lblLoc);
    row->addWidget(m_txtLoc, 1);

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    connect(cmdOK, &QPushButton::clicked, this, &frmOpenWeb::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    setMinimumWidth(520);
    m_txtLoc->setFocus();
}

void frmOpenWeb::cmdOK_Click()
{
    const QString location = m_txtLoc->text().trimmed();
    if (location.isEmpty()) {
        m_txtLoc->setFocus();
        ShowMessage(m_runner, this, QMessageBox::Critical, kProductName,
                    QStringLiteral("You have to fill location !"));
        return;
    }
    m_location = location;
    accept();
}

} // namespace glasspane
