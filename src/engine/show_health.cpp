#include "engine/show_health.h"

namespace glasspane {

QString ShowHealth::failureKind(const QString& reason)
{
    // The reasons are the browser's and the cache's own texts; a label of their few kinds keeps
    // a monitoring system's series few, whatever the addresses and error texts.
    if (reason.startsWith(QLatin1String("the server answered HTTP")))
        return QStringLiteral("http");
    if (reason.startsWith(QLatin1String("refused")) ||
        reason.startsWith(QLatin1String("outside the document's allowed addresses")))
        return QStringLiteral("refused");
    if (reason.startsWith(QLatin1String("the load stopped")))
        return QStringLiteral("stopped");
    if (reason.startsWith(QLatin1String("the load failed")))
        return QStringLiteral("network");
    if (reason.startsWith(QLatin1String("it could not be fetched")))
        return QStringLiteral("fetch");
    return QStringLiteral("other");
}

const QStringList& ShowHealth::failureKinds()
{
    static const QStringList kinds{QStringLiteral("http"),    QStringLiteral("refused"),
                                   QStringLiteral("stopped"), QStringLiteral("network"),
                                   QStringLiteral("fetch"),   QStringLiteral("other")};
    return kinds;
}

} // namespace glasspane
