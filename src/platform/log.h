#pragma once

#include <QLoggingCategory>

namespace glasspane {

// The program's log on standard error, category "glasspane": silent unless turned on (the
// --verbose switch), so a kiosk's console stays clean.
Q_DECLARE_LOGGING_CATEGORY(lcGlasspane)

// Turns on every message of the "glasspane" categories.
void enableVerboseLog();

} // namespace glasspane
