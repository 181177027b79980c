#pragma once

#include <QSize>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
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

// Content that scrolls when the window is smaller than it (a large scale factor, a small
// screen), so that the window's buttons stay on the screen.
QScrollArea* ScrollingArea(QWidget* content);
// The window at the size it asks for (at least preferred), as far as its screen's free area
// allows (less the frame of a window manager), and moved wholly onto that area.
void FitOnScreen(QWidget* window, QSize preferred = QSize());

} // namespace glasspane
