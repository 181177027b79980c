#pragma once

#include <QString>
#include <QStringList>

namespace glasspane {

struct ProgramValues;
class Shares;

// Path helpers. Paths are written with '/', but '\' is read as a folder separator too, so that
// relative paths in documents made on Windows ("sub\x.gif") still resolve. Network paths
// "\\server\share\rest" (or "//server/share/rest", "smb://server/share/rest") are reached
// through NetworkDrives. File names tell case apart: "/Show" and "/show" are two folders.

// Appends a separator unless the path is empty or ends with '/', '\' or ':'. The separator is
// '\' for a path written with '\' only, else '/'.
QString AddBackslash(const QString& path);
// Removes one trailing '/' or '\'.
QString StripTrailingBackslash(const QString& path);
// The text after the last '.' of the file name; "" when there is none.
QString Extension(const QString& path);
// "" for an existing folder; else the text after the last '/', '\' or ':' (the whole path when
// it holds none).
QString FileName(const QString& path);
// An existing folder itself, with a trailing separator; else the text up to and including the
// last '/', '\' or ':' ("C:\a.gpn" gives "C:\", "/data/a.gpn" gives "/data/"); "" when the path
// holds none of them.
QString FolderOf(const QString& path);
// True for "/..." and "\..." paths, a drive letter ("C:..."), and addresses beginning with
// "http://", "https://", "file://", "ftp://", "smb://" or "mailto:" (without regard to case).
bool IsAbsoluteOrAddress(const QString& path);
// True for "\\server\..." (or "//server/...").
bool IsUNC(const QString& path);
// True for a path on a network share: a UNC path or an "smb://" address.
bool IsNetworkPath(const QString& path);
// "\\server\share" of a network path (UNC or "smb://").
QString ShareOf(const QString& path);
// The text up to its first NUL character.
QString StripAtNull(const QString& text);
// The path as the local file system names it: '\' becomes '/'.
QString LocalPath(const QString& path);
// A folder as the local file system names it, ending in '/' ("" stays "").
QString LocalFolder(const QString& folder);
// The form in which paths and address prefixes are compared without regard to case: lower
// case, '\' read as '/'.
QString LowerLocalPath(const QString& path);

// A path as written to a document: relative to the resource folder (the built-in pages) or to
// the document's own folder when it lies inside one of them, else unchanged. Never relative to
// the current folder, which changes from one start to the next.
QString MakeRelativePath(const QString& path, const ProgramValues& values);
// A path as read from a document: absolute paths and addresses unchanged; a relative path
// becomes the first existing file of resource folder + path, the document's folder + path,
// and, for documents written by earlier versions, start folder + path; unchanged when none
// exists (it may be an address).
QString ResolvePath(const QString& path, const ProgramValues& values);
// A folder as read from a document, with a trailing '/': absolute ones and addresses as they
// are; a relative one in the document's folder, or in the start folder when only that holds
// it.
QString ResolveFolder(const QString& folder, const ProgramValues& values);

// Local files and folders ('\' read as '/'). Network paths: see NetworkDrives.
// A file that can be opened for reading (one trailing separator ignored).
bool FileExists(const QString& path);
// A folder that can be entered.
bool DirExists(const QString& path);
// True when the file was deleted; false for an empty path.
bool DeleteFile(const QString& path);
// The lines of a text file each followed by CR LF; "" when it cannot be read. UTF-8 or
// Windows-1252, as the file is.
QString ReadTextFile(const QString& path);
// Creates the folder and its missing parents; true when the folder exists afterwards.
bool MakeDirTree(const QString& path);
// Removes an empty folder; true on success.
bool RemoveDir(const QString& path);

// The network shares this program connected, disconnected again when it ends. The list keeps
// its slots: a disconnected share leaves an empty slot that the next connection reuses.
class NetworkDrives
{
public:
    explicit NetworkDrives(Shares& shares);

    // True when the share is connected, by this call or before (then without a network call).
    bool ConnectShare(const QString& share, const QString& localName = QString());
    // False when the share could not be disconnected; the list is then unchanged.
    bool DisconnectShare(const QString& share);
    // From the last connected share to the first.
    void DisconnectAllShares();
    // The slots, "" for an empty one.
    const QStringList& connectedShares() const { return m_connected; }

    // Where a path is on the local file system: a network path has its share connected and is
    // mapped into the share's local folder ("" when that fails, said once on the log); other
    // paths as LocalPath. A share that failed is not tried again until forgetFailures().
    QString diskPath(const QString& path);
    void forgetFailures() { m_failed.clear(); }

    // The file helpers above, for any path, network paths included.
    bool FileExists(const QString& path);
    bool DirExists(const QString& path);
    bool DeleteFile(const QString& path);
    QString ReadTextFile(const QString& path);
    bool MakeDirTree(const QString& path);
    bool RemoveDir(const QString& path);

private:
    Shares& m_shares;
    QStringList m_connected;
    QStringList m_failed;
};

} // namespace glasspane
