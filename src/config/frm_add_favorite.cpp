#include "config/frm_add_favorite.h"

#include "config/select_all_on_focus.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glasspane {

frmAddFavorite::frmAddFavorite(const QString& title, const QStringList& folders, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddFavorite"));
    setWindowTitle(QStringLiteral("Add to favorites"));

    m_txtTitle = new QLineEdit(title, this);
    m_txtTitle->setObjectName(QStringLiteral("txtTitle"));
    SelectAllOnFocus(m_txtTitle);
    m_cboFolder = new QComboBox(this);
    m_cboFolder->setObjectName(QStringLiteral("cboFolder"));
    m_cboFolder->addItem(QStringLiteral("Favorites"), QString());
    for (const QString& f : folders)
        m_cboFolder->addItem(QStringLiteral("Favorites/") + f, f);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Title:"), m_txtTitle);
    form->addRow(QStringLiteral("&Folder:"), m_cboFolder);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QString frmAddFavorite::title() const
{
    return m_txtTitle->text();
}

QString frmAddFavorite::folder() const
{
    return m_cboFolder->currentData().toString();
}

} // namespace glasspane
