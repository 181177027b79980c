#pragma once

class QLineEdit;
class QPlainTextEdit;

namespace glasspane {

// SelectAllText: the box selects its whole text whenever it receives the focus, whether by the
// keyboard or a click, so that typing replaces it.
void SelectAllOnFocus(QLineEdit* box);
void SelectAllOnFocus(QPlainTextEdit* box);

} // namespace glasspane
