#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

struct CacheServices;

// What making the copy of a page came to.
struct PageCopyReport
{
    bool made = false;   // the page to show was written
    int resources = 0;   // resources the page to show takes from the cache
    QStringList missing; // resources that could not be fetched: they stay web addresses
};

// The page to show for the cached copy of a web page: "<copy>.html" beside it.
QString ShownPageOf(const QString& localFile);

// Makes the page to show from the copy of the web page at url held in the cache file
// localFile, so that it looks as it does on-line without the server: the style sheets (with
// what they import), scripts, pictures, fonts and media it names are fetched into the cache
// beside it, each as a cache file of its own address (If-Modified-Since the copy held, so that
// an unchanged one costs no transfer), and the page to show names them there; links and frames
// name their web addresses. Only http and https resources are fetched; addresses made by
// scripts at run time are not seen. The fetched copy itself stays as the server sent it, so
// the page to show can be made again from it. All the downloads together take at most MaxTime
// seconds, each at most MaxDownloadSize. Nothing is made from a copy that is no HTML page.
// Without online nothing is fetched: the page to show names the resources the cache holds.
PageCopyReport MakePageCopy(CacheServices& services, const QString& url, const QString& localFile,
                            bool online = true);
// Whether the page to show was made since the copy was last fetched.
bool PageCopyCurrent(const QString& localFile);

} // namespace glasspane
