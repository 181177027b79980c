#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace glasspane {

// How the show's browser takes the address of a page: the one place that turns the text of a
// play-list entry, a typed address or a home page into what is loaded, so that the show, the
// include and exclude test and the administrators' tools (gpane playlist, gpane check) agree.

// The address to load: a local path ("/srv/a.html#part") as a file, text with a scheme as it
// stands, anything else as a browser's address box takes it ("127.0.0.1:8080/p.html" over
// http, a name of a file in the current folder as that file).
QUrl PageUrl(const QString& address);
// The text the program gives for a loaded address: a local file as its path (with its
// fragment), anything else as the address.
QString PageAddress(const QUrl& url);
// PageAddress(PageUrl(address)): what the include and exclude lists are asked about.
QString ShownAddress(const QString& address);
// Why no page is loaded from url ("unknown scheme \"htp:\"", ...); "" when one is.
QString PageUrlRefusal(const QUrl& url);

struct LocalPages;
// Why the show refuses to show a page of this address when its turn comes: the browser loads
// nothing from it (PageUrlRefusal), or the document's include and exclude lists forbid it (as
// the navigation events ask IsRestricted); "" when it is shown.
QString PageRefusal(const QString& address, const QStringList& includeList,
                    const QStringList& excludeList, const LocalPages& local);

} // namespace glasspane
