#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QLineEdit;
class QWidget;

namespace glasspane {

// Every modal dialog of the configuration side (message boxes, file dialogs, the password and
// favourites dialogs) runs through one runner. The program's runner opens the dialog's own modal
// loop; tests put a runner in its place that answers the dialog at once, so that no test ever
// waits for a person.
class ModalRunner
{
public:
    virtual ~ModalRunner() = default;
    // Runs the dialog modally and returns its result code.
    virtual int exec(QDialog& dialog);
};

// A message box with the given icon, title, text and buttons, run through the runner; the
// button that closed it (the escape button when it was closed otherwise).
QMessageBox::StandardButton
ShowMessage(ModalRunner& runner, QWidget* parent, QMessageBox::Icon icon, const QString& title,
            const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A value the dialog refuses: the box scrolled into view, focused and its text selected under a
// message box with the stop icon, and so again once the message box is closed, whatever it did
// with the focus, so that the user types the correction at once.
void RefuseInput(ModalRunner& runner, QWidget* parent, QLineEdit* box, const QString& title,
                 const QString& message);

// The file dialogs, Qt's own (not the desktop's), so that they look the same everywhere and tests
// can drive them. filter uses Qt's form ("Glasspane file (*.gpn)"). "" when cancelled.
QString ChooseFileToOpen(ModalRunner& runner, QWidget* parent, const QString& title,
                         const QString& filter, const QString& folder = QString());
// Proposes proposedPath; adds defaultSuffix to a name typed without one. Replacing an existing
// file is asked in a message box of ours.
QString ChooseFileToSave(ModalRunner& runner, QWidget* parent, const QString& title,
                         const QString& filter, const QString& proposedPath,
                         const QString& defaultSuffix);

// The product name, the title of the program's message boxes.
inline const QString kProductName = QStringLiteral("Glasspane");

} // namespace glasspane
