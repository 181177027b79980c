#pragma once

class QLineEdit;

namespace glasspane {

// SelectAllText: the box selects its whole text whenever it receives the focus, whether by the
// keyboard or a click, so that typing replaces it.
void SelectAllOnFocus(QLineEdit* box);

} // namespace glasspane
