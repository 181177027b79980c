#pragma once

#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace glasspane {

// The controls of the configuration dialogs, each named (objectName) as the program and its
// tests know it.

// A text box that selects its whole text when it receives the focus; maxLength 0: no limit.
QLineEdit* NamedTextBox(QWidget* parent, const char* name, int maxLength);
QCheckBox* NamedCheckBox(QWidget* parent, const QString& caption, const char* name);
// A label whose mnemonic, if any, reaches buddy.
QLabel* NamedLabel(QWidget* parent, const QString& caption, const char* name,
                   QWidget* buddy = nullptr);
// A button that Enter does not press unless it has the focus.
QPushButton* NamedButton(QWidget* parent, const QString& caption, const char* name);

} // namespace glasspane
