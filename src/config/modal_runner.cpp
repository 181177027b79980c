#include "config/modal_runner.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>

namespace glasspane {

int ModalRunner::exec(QDialog& dialog)
{
    QPointer<QWidget> owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    QPointer<QWidget> focus = owner ? owner->focusWidget() : nullptr;
    const int result = dialog.exec();
    // Without a window manager nobody gives the keyboard back to the window below: it would
    // stay with the window that is gone, and no key would reach the dialog.
    if (owner && owner->isVisible()) {
        owner->activateWindow();
        if (focus && focus->window() == owner)
            focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    return result;
}

QMessageBox::StandardButton ShowMessage(ModalRunner& runner, QWidget* parent,
                                        QMessageBox::Icon icon, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    runner.exec(box);
    if (QAbstractButton* clicked = box.clickedButton())
        return box.standardButton(clicked);
    if (QAbstractButton* escape = box.escapeButton())
        return box.standardButton(escape);
    return QMessageBox::NoButton;
}

void RefuseInput(ModalRunner& runner, QWidget* parent, QLineEdit* box, const QString& title,
                 const QString& message)
{
    auto show = [box] {
        for (QWidget* w = box->parentWidget(); w; w = w->parentWidget()) {
            if (auto* area = qobject_cast<QScrollArea*>(w)) {
                area->ensureWidgetVisible(box);
                break;
            }
        }
        box->setFocus();
        box->selectAll();
    };
    show();
    ShowMessage(runner, parent, QMessageBox::Critical, title, message);
    show();
}

namespace {

void prepare(QFileDialog& dialog, const QString& title, const QString& filter)
{
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setWindowTitle(title);
    dialog.setNameFilter(filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
}

QString chosen(const QFileDialog& dialog, int result)
{
    if (result != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.constFirst();
}

} // namespace

QString ChooseFileToOpen(ModalRunner& runner, QWidget* parent, const QString& title,
                         const QString& filter, const QString& folder)
{
    QFileDialog dialog(parent);
    prepare(dialog, title, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    return chosen(dialog, runner.exec(dialog));
}

QString ChooseFileToSave(ModalRunner& runner, QWidget* parent, const QString& title,
                         const QString& filter, const QString& proposedPath,
                         const QString& defaultSuffix)
{
    QFileDialog dialog(parent);
    prepare(dialog, title, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Asked below, through the runner, like every other question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!proposedPath.isEmpty()) {
        const QFileInfo proposed(proposedPath);
        dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    for (;;) {
        const QString path = chosen(dialog, runner.exec(dialog));
        if (path.isEmpty() || !QFileInfo::exists(path))
            return path;
        const QString question = QFileInfo(path).fileName() +
                                 QStringLiteral(" already exists.\nDo you want to replace it?");
        if (ShowMessage(runner, &dialog, QMessageBox::Warning, title, question,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
            return path;
    }
}

} // namespace glasspane
