#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace glasspane {

// An address in the one form that all its spellings share, so that a prefix test cannot be
// passed by writing the same address differently.
//
// - Web addresses (http, https): scheme and host lower-cased, the host decoded and in its
//   canonical form (international names in ASCII, IPv4 numbers written as four decimals, a
//   final dot dropped); user name and password dropped; the port always written, the default
//   one included, so that "http://x/" and "http://x:80/" are one address; '\' read as '/';
//   percent-encoding of unreserved characters and of '/' decoded and other characters outside
//   printable ASCII encoded; repeated slashes merged; "." and ".." segments resolved. Web
//   addresses compare without regard to case, as servers on the kiosk's side often do.
// - Local files (a path, or a file: address): the path, decoded when it came as a file:
//   address, with '\' read as '/', repeated slashes merged and dot segments resolved. Paths
//   compare with regard to case (Linux file names), except Windows drive paths ("C:\...").
// - Files on a network share ("\\server\share\rest", "smb://server/share/rest", or the folder
//   where the desktop mounted that share): "smb://server/share/rest", server and share names in
//   any letter case, the rest with regard to case.
// - Anything else: the text lower-cased.
struct CanonicalAddress
{
    enum class Kind { Web, File, Other };
    Kind kind = Kind::Other;
    QString scheme; // lower case; "file" for paths; empty when the text has none
    QString text;   // the form that is compared, case already settled
};

CanonicalAddress CanonicalForm(const QString& address);

// True when both texts name the same address.
bool SameAddress(const QString& a, const QString& b);

// The addresses a page may be shown from: web addresses, local files, about:blank and
// about:srcdoc, and text without a scheme (resolved to one of those before it is loaded).
// Script (javascript:), data:, view-source:, the engine's own pages and every other scheme are
// refused.
bool IsNavigableAddress(const QString& address);

// A document: the address ends in ".gpn", in any letter case.
bool IsDocumentAddress(const QString& address);

// Whether the lists hold any entry, that is, whether the document limits where visitors go.
bool RestrictsNavigation(const QStringList& includeList, const QStringList& excludeList);

// The program's own local pages, which pass any include list (not an exclude list).
struct LocalPages
{
    QString resourceFolder; // the extracted built-in pages
    QString cacheFolder;    // the page cache, whose copies of the show's pages are shown
};

// A copy of a page in the page cache: a file directly in cacheFolder, named as the cache
// names its copies (32 hexadecimal digits, a dot and an extension), or the copy of it that is
// shown under the extension of its type ("<copy>.html").
bool IsPageCacheCopy(const QString& address, const QString& cacheFolder);

// True when navigation to url is forbidden: its scheme is not one a page may be shown from;
// or the include list is not empty and no include prefix matches (the local pages pass this
// test); or an exclude prefix matches. Address and prefixes are compared in their canonical
// forms. An include prefix that ends in the host name ("http://kiosk.example") admits that
// host only, not "http://kiosk.example.other.net"; an exclude prefix may end anywhere
// ("http://ads." forbids every host whose name begins so).
bool IsRestricted(const QString& url, const QStringList& includeList,
                  const QStringList& excludeList, const LocalPages& local);

// IsRestricted for many addresses against the same lists (a page that expands into thousands of
// addresses): the prefixes and folders are put in their canonical forms once. Copies share them.
class Restriction
{
public:
    Restriction(const QStringList& includeList, const QStringList& excludeList,
                const LocalPages& local);
    bool operator()(const QString& url) const;

private:
    struct Lists;
    std::shared_ptr<const Lists> d;
};

bool IsRestricted(const QString& url, const QStringList& includeList,
                  const QStringList& excludeList, const QString& resourceFolder);

} // namespace glasspane
