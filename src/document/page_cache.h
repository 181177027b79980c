#pragma once

#include "document/document.h"
#include "platform/internet.h"

#include <QDateTime>
#include <QMimeType>
#include <QString>
#include <functional>

namespace glasspane {

class Clock;
class Internet;
class SettingsStore;
class Shell;
struct ProgramValues;
struct UpdateState;

// The page cache's settings and its connection bookkeeping. One copy lives in the application
// object for the whole run.
struct CacheState
{
    // Settings, read once at start-up (ReadCacheSettings).
    bool CachePathIsWindowsTemp = true; // cache in the user's cache folder
    QString CachePath;                  // the configured folder otherwise
    QString TestURL = QStringLiteral("https://glasspane.example/");
    bool TestURLIsHomePage = false;
    qint64 MaxDownloadBytes = 200 * 1024 * 1024; // MaxDownloadSize, in bytes

    // When the connection was last checked; invalid: check at the next request.
    QDateTime LastConnectionCheck;
    bool Connected = false;  // result of that check
    int ConnectionFlags = 0; // ConnectionFlag bits it saw
};

// What the cache and the update policy reach. Built once by the application object; every
// reference must outlive it.
struct CacheServices
{
    Internet& internet;
    Shell& shell;
    const Clock& clock;
    SettingsStore& settings;
    const ProgramValues& program;
    DocumentState& doc;
    CacheState& cache;
    UpdateState& update;
    // The configuration dialog is open or the user is browsing: the update policy then goes
    // on-line. Empty: never.
    std::function<bool()> userIsInteractive;
};

// Reads CachePathIsWindowsTemp, CachePath, TestURL, TestURLIsHomePage and MaxDownloadSize.
void ReadCacheSettings(SettingsStore& settings, CacheState& cache);

// The most bytes one download may bring: the MaxDownloadSize setting, in megabytes.
qint64 MaxDownloadBytes(SettingsStore& settings);

// The cache folder, without a trailing separator: the user's cache folder when
// CachePathIsWindowsTemp is on (or no folder is configured), else CachePath.
QString CachePath(const CacheServices& services);

// The cache file name of an address: the MD5 digest of the address without its fragment ("#...")
// and without a leading "http://" (lower case only; "https://" stays part of it), one byte per
// UTF-16 code unit (its low 8 bits), in lower-case hex, then "." and the text after the last "."
// when that is 1 to 4 letters, digits, '_' or '-'; "tmp" otherwise.
QString CacheFileName(const QString& url);
// The name earlier versions used: the lower-cased letters, digits, '.', '_' and '-' of the
// address without "http://", the last 32 of them, + ".tmp"; "gpane.tmp" when none is left.
QString FormerCacheFileName(const QString& url);
// CacheFileName, first moving a file of the former name in the user's cache folder to the new
// name in cacheFolder when no file of the new name exists there yet.
QString CacheFileName(const CacheServices& services, const QString& url,
                      const QString& cacheFolder);

// True for the addresses fetched into the cache: "http://" and "https://", lower case.
bool IsCacheableAddress(const QString& url);

// Fetches a page or value file. Web addresses go through the cache: the copy in the cache
// folder is fetched again when the update policy lets the program go on-line (or there is no
// copy yet) and the server has a newer one; entry.LocalFile gets the copy's path and
// entry.LastDownload the time the copy was fetched or confirmed current. "file://" addresses
// and paths are read where they are. A download is bounded by MaxTime seconds and
// MaxDownloadSize; one cut short keeps the copy as it was. Returns the local path, or with
// wantText the file's text (lines each followed by CR LF; "" when there is no file).
QString FetchPage(CacheServices& services, PageEntry& entry, const QString& url, bool wantText);

// Fetches url into the cache file localFile when the server has a newer copy than the file
// (If-Modified-Since its time), within maxSeconds and MaxDownloadSize: the file is replaced only
// by a whole body, its time becomes the server's Last-Modified (else now) and the type the
// server sent is kept beside it. Goes on-line for the transfer whatever the policy says: the
// caller decided.
DownloadResult RefreshCopy(CacheServices& services, const QString& url, const QString& localFile,
                           int maxSeconds);

// The type the server sent with a cached copy, kept beside it ("<copy>.type"); "" when none
// was kept (a copy fetched by an earlier version).
QString CachedContentType(const QString& localFile);
// The type of a cached copy: the one the server sent, else the one its name tells, else for
// ".tmp" the one its content tells.
QMimeType CachedCopyType(const QString& localFile);
// Whether the browser shows the cached copy itself (a web page, text, a picture, a PDF, a
// sound or a video): for those SeparateProc does not apply, as the desktop's program for a web
// page would be another browser, outside the show's lists.
bool BrowserShowsCopy(const QString& localFile);
// The same, told before anything is fetched, from the name the address ends in: an address
// whose name tells no type (a web page, "report.php") is taken for what the browser shows, as
// its server most likely sends a page.
bool BrowserShowsAddress(const QString& address);

// What the browser is given to show a cached copy as the page it is. A web page whose page to
// show (MakePageCopy) was made since the copy was last fetched is shown through that. A copy
// whose name does not
// tell its type (".tmp": its address had no usable extension, or a server-side one such as
// ".php") is shown through a file beside it named after its type ("<copy>.html" for a page),
// made afresh from the copy each time: the type the server sent, else for ".tmp" the one its
// content shows. Any other copy, or one whose type cannot be told, is itself the answer.
QString ViewableCopy(const CacheServices& services, const QString& localFile);

// A ValueFileFetcher for the document: value files fetched with FetchPage.
ValueFileFetcher ValueFileFetcherFor(CacheServices& services);

// Before a document is fetched from the web (PrepareDocumentSource's canGoOnline): a fresh
// connection check, or ForceReconnect.
bool CanFetchDocument(CacheServices& services);

// Whether the network can be reached. The system is asked again when the last check is
// unknown (LastConnectionCheck invalid) or older than a due update; otherwise the last answer
// stands.
bool CheckConnection(CacheServices& services);
// Probes the test address (the home page with TestURLIsHomePage). Local addresses and files
// need no network; the maker's reserved address is never probed: the system's own
// connectivity answers for it. A probe the program itself cut short or refused (it is ending,
// another download is waiting) leaves the last answer standing.
bool TestConnection(CacheServices& services);

// File times in local time. A time that the file system cannot keep (creation) is left out.
// False when the file does not exist or the call fails.
bool GetFileTimes(const QString& path, QDateTime* created, QDateTime* accessed, QDateTime* written);
bool SetFileTimes(const QString& path, const QDateTime& created, const QDateTime& accessed,
                  const QDateTime& written);
// Copies with overwriting, keeping the modification time; the target is replaced only when the
// whole copy was written. False when either path is empty or the copy failed.
bool CopyFile(const QString& from, const QString& to);

} // namespace glasspane
