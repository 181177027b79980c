#include "platform/log.h"

namespace glasspane {

Q_LOGGING_CATEGORY(lcGlasspane, "glasspane", QtCriticalMsg)

void enableVerboseLog()
{
    QLoggingCategory::setFilterRules(QStringLiteral("glasspane*=true"));
}

} // namespace glasspane
