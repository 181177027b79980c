#include "document/restriction.h"

#include "document/paths.h"

#include <QDir>

namespace glasspane {

namespace {

bool inResourceFolder(const QString& url, const QString& resourceFolder)
{
    if (resourceFolder.isEmpty())
        return false;
    QString folder = LowerLocalPath(resourceFolder);
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (folder.isEmpty())
        return false;
    QString address = LowerLocalPath(url);
    if (address.startsWith(QLatin1String("file://")))
        address = address.mid(7);
    // "<folder>/../x" is not a page of the folder.
    address = QDir::cleanPath(address);
    return address.startsWith(folder + QLatin1Char('/')) || address == folder;
}

} // namespace

bool IsRestricted(const QString& url, const QStringList& includeList,
                  const QStringList& excludeList, const QString& resourceFolder)
{
    const QString address = LowerLocalPath(url);
    bool result = false;
    if (!includeList.isEmpty() && !inResourceFolder(url, resourceFolder)) {
        result = true;
        for (const QString& prefix : includeList) {
            if (!prefix.isEmpty() && address.startsWith(LowerLocalPath(prefix))) {
                result = false;
                break;
            }
        }
    }
    for (const QString& prefix : excludeList) {
        if (!prefix.isEmpty() && address.startsWith(LowerLocalPath(prefix)))
            return true;
    }
    return result;
}

} // namespace glasspane
