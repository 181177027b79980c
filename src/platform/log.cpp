#include "platform/log.h"

namespace glasspane {

Q_LOGGING_CATEGORY(lcGlasspane, "glasspane", QtWarningMsg)

void initLog(const QString& programName)
{
    // QT_MESSAGE_PATTERN, when set, wins over this pattern.
    qSetMessagePattern(
        QStringLiteral("%{time yyyy-MM-dd hh:mm:ss.zzz} ") + programName +
        QStringLiteral(
            ": %{if-debug}debug: %{endif}"
            "%{if-info}info: %{endif}%{if-warning}warning: %{endif}%{if-critical}error: %{endif}"
            "%{if-fatal}fatal: %{endif}%{message}"));
}

void enableVerboseLog()
{
    QLoggingCategory::setFilterRules(QStringLiteral("glasspane*=true"));
}

} // namespace glasspane
