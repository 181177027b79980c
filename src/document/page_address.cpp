#include "document/page_address.h"

#include "document/restriction.h"

#include <QDir>
#include <QStringList>

namespace glasspane {

namespace {

// The schemes the program's own navigations may use: the web, files, and pages made on the
// spot. Anything else (a typo such as "htp:", a Windows drive "C:", "javascript:") is nothing
// the engine opens, and it would say nothing about it either.
bool isOpenableScheme(const QString& scheme)
{
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("file"), QStringLiteral("about"),
                                        QStringLiteral("data"), QStringLiteral("qrc")};
    return schemes.contains(scheme.toLower());
}

} // namespace

QUrl PageUrl(const QString& address)
{
    const QString text = address.trimmed();
    if (text.startsWith(QLatin1Char('/'))) {
        // A local path, perhaps with a fragment: "…/documentation.html#keys".
        const qsizetype hash = text.indexOf(QLatin1Char('#'));
        QUrl url = QUrl::fromLocalFile(hash < 0 ? text : text.left(hash));
        if (hash >= 0)
            url.setFragment(text.mid(hash + 1));
        return url;
    }
    const QUrl url(text);
    if (url.isValid() && !url.scheme().isEmpty())
        return url;
    return QUrl::fromUserInput(text, QDir::currentPath());
}

QString PageAddress(const QUrl& url)
{
    if (url.isLocalFile()) {
        QString path = url.toLocalFile();
        if (url.hasFragment())
            path += QLatin1Char('#') + url.fragment();
        return path;
    }
    return url.toString();
}

QString ShownAddress(const QString& address)
{
    return PageAddress(PageUrl(address));
}

QString PageUrlRefusal(const QUrl& url)
{
    if (!url.isValid() || url.scheme().isEmpty())
        return QStringLiteral("not a valid address");
    if (url.scheme().size() == 1)
        return QStringLiteral("a Windows drive path, which this system does not have");
    if (!isOpenableScheme(url.scheme()))
        return QStringLiteral("unknown scheme \"%1:\"").arg(url.scheme());
    if (!IsNavigableAddress(PageAddress(url)))
        return QStringLiteral("an address that shows no page (\"%1:\")").arg(url.scheme());
    return QString();
}

} // namespace glasspane

namespace glasspane {

QString PageRefusal(const QString& address, const QStringList& includeList,
                    const QStringList& excludeList, const LocalPages& local)
{
    // A scheme-less address becomes a web address or a file, which the browser loads: only
    // the lists may refuse it (and finding out what it becomes asks the disk).
    const bool lists = RestrictsNavigation(includeList, excludeList);
    if (!lists && !address.trimmed().startsWith(u'/') && QUrl(address.trimmed()).scheme().isEmpty())
        return QString();
    const QUrl url = PageUrl(address);
    const QString browser = PageUrlRefusal(url);
    if (!browser.isEmpty())
        return browser;
    if (!lists || !IsRestricted(PageAddress(url), includeList, excludeList, local))
        return QString();
    if (!excludeList.isEmpty() && IsRestricted(PageAddress(url), {}, excludeList, local))
        return QStringLiteral("an exclude entry of the document forbids it");
    return QStringLiteral("no include entry of the document allows it");
}

} // namespace glasspane
