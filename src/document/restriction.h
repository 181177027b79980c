#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

// True when navigation to url is forbidden: the include list is not empty and no include
// prefix matches (pages of resourceFolder pass this test), or an exclude prefix matches.
// Prefixes compare without regard to case, '/' and '\' alike.
bool IsRestricted(const QString& url, const QStringList& includeList,
                  const QStringList& excludeList, const QString& resourceFolder);

} // namespace glasspane
