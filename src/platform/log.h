#pragma once

#include <QLoggingCategory>

namespace glasspane {

// The program's log on standard error, category "glasspane" (and "glasspane.*"): warnings and
// errors always, with their reason; information and debug lines only when turned on (the
// --verbose switch), so a kiosk's console stays clean.
Q_DECLARE_LOGGING_CATEGORY(lcGlasspane)

// Every line of the log with a time stamp and the program's name, unless QT_MESSAGE_PATTERN
// says otherwise. Called once, first thing in main().
void initLog(const QString& programName);

// Turns on every message of the "glasspane" categories.
void enableVerboseLog();

} // namespace glasspane
