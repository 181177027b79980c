#pragma once

#include "document/document.h"
#include "document/program_values.h"
#include "platform/shell.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace glasspane {

// The built-in document extracted into the resource folder. (DocumentSource has no name for
// it yet; its stored value is 3.)
inline constexpr DocumentSource kResourceDocumentSource = DocumentSource::Resource;
// What the recent list and the caption show for the built-in document.
inline constexpr const char* kResourceDocumentName = "<Resource>";

// Most recent documents kept.
inline constexpr int kMaxRecentFiles = 10;

// One of the user's shell folders, trailing '/': the value of that name under the user's shell
// folders in the registry when set (it wins over the desktop's own folders, as it always did),
// else the shell's folder.
QString UserShellFolder(Registry& registry, Shell& shell, const QString& valueName,
                        Shell::Folder fallback);
// The user's documents folder: the shell folder "Personal".
QString DocumentsFolder(Registry& registry, Shell& shell);

// The document opened when none is named: the resource folder's Gpane.GPN when it exists,
// else the DefaultFile setting, else Gpane.GPN in the documents folder.
QString DefaultDocumentPath(DocumentServices& services);
// Documents folder + "NoName.gpn": the path of a new document.
QString NewDocumentPath(DocumentServices& services);

// The local path of a "file://" address, percent-decoded: "file:///C|/Shows/a.gpn" (as older
// browsers wrote it) gives "C:/Shows/a.gpn", "file:///home/a%20b.gpn" gives "/home/a b.gpn".
QString LocalPathOfFileUrl(const QString& address);

// True for the addresses the program fetches over the network: "http://" and "https://".
bool IsWebAddress(const QString& text);

// Sets program.documentName / documentSource, and for a web address fetches the document into
// the documents folder's Cached.GPN (kept unchanged when the fetch fails or canGoOnline says
// no), which becomes program.documentPath. A "file://" address becomes its path. Stamps
// element 0 of PageList and PlayList. canGoOnline may be empty (then: go on-line).
void PrepareDocumentSource(DocumentServices& services, DocumentState& doc,
                           const std::function<bool()>& canGoOnline = {});

// Why the file at localPath is no document that can be opened: it does not exist or cannot be
// read, it is a web page, or it holds no [section]; "" for a document. name is how the
// reason names it.
QString NotADocument(const QString& localPath, const QString& name);

// Checks a document about to be opened in place of the one in use (gpane open, the
// configuration dialog's Open): "" when it can be opened, else why not. A web document is
// fetched (within maxSeconds, 0: the MaxTime setting) and replaces the local copy only when it
// is a document that arrived whole; nothing else is written, whatever the answer. A document
// on a network share is checked when it is loaded.
[[nodiscard]] QString CheckDocumentToOpen(DocumentServices& services, const QString& target,
                                          int maxSeconds = 0);

// A document named on the command line: a relative path made absolute from startFolder (the
// folder the program was started in); addresses, network and absolute paths as they are.
QString AbsoluteDocumentPath(const QString& path, const QString& startFolder);

// True when two document names name the same document: web addresses and network paths
// compared without regard to case, as their servers compare them; local paths as the file
// system does, with case ("/srv/Show.gpn" is not "/srv/show.gpn"), '\\' read as '/'.
bool SameDocument(const QString& a, const QString& b);

// Sets doc.IsDefaultDocument: the name (web documents) or the path is the same document
// (SameDocument) as DefaultDocumentPath().
void UpdateDefaultDocumentFlag(DocumentServices& services, DocumentState& doc,
                               const QString& documentPath, const QString& documentName);

// Why the program cannot replace the file at localPath (its folder or the file refuses
// writing: "Permission denied", "Read-only file system"); "" when it can.
QString WriteRefusal(const QString& localPath);

// The show keeps its position (FirstPage) in the document when the parameters live there:
// when the document cannot be written, says so on the log, once for as long as it cannot, and
// keeps the failed writes of the position from saying it again at every page.
void ReportPositionNotKept(DocumentServices& services, DocumentState& doc);

// The recent-file list, most recent first.
QStringList ReadRecentFiles(DocumentServices& services);
// Puts name at the top of the recent-file list (moved there when present, compared with
// SameDocument; the oldest drops out beyond ten) and returns the new list.
QStringList AddToRecentFiles(DocumentServices& services, const QString& name);
// Adds a local document to the desktop's recently used files; web addresses are skipped.
void AddToShellRecentDocuments(Shell& shell, const QString& name);

// A document opened from a browser's download cache is copied into the documents folder
// first, so that it survives the cache being cleared.
bool IsInBrowserCache(const QString& path);
// Copies path into folder under its own name, prefixed with "1" until the name is free.
// Returns the copy's path, "" on failure.
QString CopyIntoFolder(const QString& path, const QString& folder);

// The file type ties .gpn documents to this program: the registry hives' values as on every
// platform ("%1" stands for the document in the open command), and the desktop's default
// application for the documents' MIME type, which is what a double-click follows.
inline constexpr const char* kDocumentMimeType = "application/gpane4";
inline constexpr const char* kDesktopFileId = "glasspane.desktop";
// True when the open command of gpn_auto_file does not contain programPath, or the desktop's
// default application for the document type is not this program's desktop file.
bool AssociationNeeded(Registry& registry, Shell& shell, const QString& programPath);
// Writes the association values and makes this program the desktop's default application for
// the document type; false when something could not be written.
[[nodiscard]] bool WriteAssociation(Registry& registry, Shell& shell, const QString& programPath);

} // namespace glasspane
