#include "config/config_dialogs.h"

#include "config/modal_runner.h"

#include <QInputDialog>

namespace glasspane {

bool ConfigDialogs::editProperties(QWidget*, ModalRunner&, int, int, WorkingLists&, qint32)
{
    return false;
}

bool ConfigDialogs::editPageList(QWidget*, ModalRunner&, int, WorkingLists&, qint32)
{
    return false;
}

QString ConfigDialogs::chooseLocation(QWidget* parent, ModalRunner& runner, const QString& current)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmOpenWeb"));
    dialog.setWindowTitle(QStringLiteral("File Open from the Web"));
    dialog.setLabelText(QStringLiteral("&Location:"));
    dialog.setTextValue(current);
    if (runner.exec(dialog) != QDialog::Accepted)
        return QString();
    return dialog.textValue().trimmed();
}

void ConfigDialogs::helpCommand(QWidget*, int) {}

} // namespace glasspane
