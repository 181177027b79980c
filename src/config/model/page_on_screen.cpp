#include "config/model/page_on_screen.h"

#include "document/page_address.h"

#include <QDir>
#include <QUrl>

namespace glasspane {

QString PageOnScreenAddress(const QString& location, const QString& slotUrl,
                            const QString& slotTarget)
{
    if (location.isEmpty() || slotUrl.isEmpty() || slotTarget.isEmpty() || slotTarget == slotUrl)
        return location;
    return PageUrl(location) == PageUrl(slotTarget) ? slotUrl : location;
}

bool IsRunTimeAddress(const QString& address, const QString& resourceFolder)
{
    if (address.isEmpty() || resourceFolder.isEmpty())
        return false;
    const QUrl url = PageUrl(address);
    if (!url.isLocalFile())
        return false;
    const QString folder = QDir::cleanPath(resourceFolder) + u'/';
    return QDir::cleanPath(url.toLocalFile()).startsWith(folder);
}

} // namespace glasspane
