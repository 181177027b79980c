#pragma once

#include "document/restriction.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace glasspane {

class IniFiles;
class SettingsStore;
class Shell;
class Registry;
class Internet;
class Clock;
class NetworkDrives;
struct ProgramValues;
struct ExpansionContext;

// One [PageN] section of a document. Field names are the document's key names.
struct PageEntry
{
    QString URL;
    bool DefaultTime = true; // use the document's DefaultTime instead of Time
    qint32 Time = 10;        // seconds
    QDateTime LastDownload;  // invalid = never fetched
    qint16 Var1Type = 0;     // page variable kind, see page_variables.h
    QString Var1Source;      // null = key absent (saving then removes the key)
    QString Var1Param;
    bool Var1CaseSensitive = false;
    bool Var1SubDirectories = false;
    QString LocalFile; // cache file of the last fetch through the cache
    bool Cached = false;
    bool SeparateProc = true;
    // The document section the page was read from ("" for a new page): saving keeps the lines
    // of that section it does not write itself (other keys, comments), wherever the page moved.
    QString Section;
};

// One entry of the expanded play list that the engine walks.
struct PlayEntry
{
    QString URL;
    bool DefaultTime = true;
    qint32 Time = 10;
    QDateTime LastDownload;
    qint32 SourcePage = 0; // index into PageList
    bool Cached = false;
    bool SeparateProc = true;
};

// One tool bar button. Index is the button kind (its place in the built-in list), Position its
// display order.
struct ToolButton
{
    QString Name;
    QString HelpTip;
    QString Icon;     // empty = built-in picture
    QString IconDown; // empty = built-in picture
    bool Visible = true;
    qint16 Index = 0;
    qint16 Position = 0;
};

// Button kinds of the screen-saver tool bar (ToolRun).
enum ToolRunButton : qint16 {
    ToolRunPlay = 0,
    ToolRunPause,
    ToolRunPrevious,
    ToolRunNext,
    ToolRunQuit,
    ToolRunConfig,
    ToolRunNavigation,
    ToolRunHelp,
    ToolRunCount
};

// Button kinds of the navigation tool bar (ToolNav).
enum ToolNavButton : qint16 {
    ToolNavBack = 0,
    ToolNavForward,
    ToolNavStop,
    ToolNavReload,
    ToolNavHome,
    ToolNavPlay,
    ToolNavQuit,
    ToolNavConfig,
    ToolNavHelp,
    ToolNavGrab,
    ToolNavPrint,
    ToolNavCount
};

// The words that prefix the button sections ([ToolRunNext], [ToolNavBack]).
inline constexpr const char* kToolRunWord = "ToolRun";
inline constexpr const char* kToolNavWord = "ToolNav";

// The keys of a [PageN] section, in the order they are written.
QStringList PageKeyNames();

// The built-in buttons: Name and HelpTip = the button's name, no pictures, visible,
// Index = Position = its place.
QVector<ToolButton> DefaultToolRunButtons();
QVector<ToolButton> DefaultToolNavButtons();

// What follows each name in DocumentState::SectionList.
inline constexpr QChar kSectionListMark = u'\n';

// The document in memory. PageList and PlayList always hold element 0, which stands for the
// document itself (PlayList[0].URL is the document's name, LastDownload of both elements 0 the
// time it was last loaded or fetched); the entries proper are 1..size()-1. IncludeList and
// ExcludeList hold the prefixes themselves, from index 0.
struct DocumentState
{
    QVector<PageEntry> PageList{PageEntry()};
    QVector<PlayEntry> PlayList{PlayEntry()};
    QStringList IncludeList;
    QStringList ExcludeList;
    QVector<ToolButton> ToolRunButtons = DefaultToolRunButtons(); // 8, in Index order
    QVector<ToolButton> ToolNavButtons = DefaultToolNavButtons(); // 11, in Index order
    bool ToolNavURLVisible = true; // address box of the navigation tool bar

    // Section names of the file in file order, each followed by a line end (kSectionListMark),
    // which no name can hold: a name may hold commas ("[,Page2]"), which must not make a page
    // section of a name that is none.
    QString SectionList;

    // [Gpane] values the document carries.
    QString HomeURL = QStringLiteral("about:blank");
    bool AutoHome = false;
    bool HomeAsSplash = false;
    bool AutoLoop = true;
    qint32 DefaultTime = 10;
    // [Gpane] FirstPage as stored in the document ("" when absent); the engine falls back to
    // the FirstPage setting when empty.
    QString FirstPage;

    // The current document is the default document (update bookkeeping exists only for it).
    bool IsDefaultDocument = false;
    // Unsaved changes (set by the configuration dialog).
    bool ConfigChanged = false;
    // The .gpn file type does not lead to this program yet: the next save writes it.
    bool AssociationPending = false;
    // The last problem LoadDocument reported about the file, so that the reloads of a running
    // show that meet it again do not repeat it.
    QString ReportedProblem;
    // The document the show cannot keep its position in, and why, as last said on the log.
    QString PositionProblem;

    int pageCount() const { return int(PageList.size()) - 1; }
    int playCount() const { return int(PlayList.size()) - 1; }
};

// Fetches the text of a value file (a path, a file:// or a web address) for a page; the page
// cache records LocalFile and LastDownload in the entry. "" when it cannot be read.
using ValueFileFetcher = std::function<QString(PageEntry& entry, const QString& source)>;

// The parts a document operation reaches. References must outlive the operation; the
// std::function members may be empty.
struct DocumentServices
{
    IniFiles& ini;
    SettingsStore& settings;
    ProgramValues& program;
    Shell& shell;
    Registry& registry;
    const Clock& clock;
    Internet* internet = nullptr; // web documents; null: never fetched

    std::function<void()> beginBusy; // nestable busy pointer
    std::function<void()> endBusy;
    ValueFileFetcher fetchValueFile; // empty: local files only
    // Network shares, connected on demand for the document, value files and folders named by
    // network paths; null: such paths give nothing.
    NetworkDrives* drives = nullptr;
    // Play-list addresses on a network share are given as their place in the share's mount
    // folder, which the browser can open; false leaves them as written.
    bool pagesFromMounts = true;
};

enum class LoadMode {
    Normal,  // as the program does: recent lists, default document written when needed
    ReadOnly // nothing is written anywhere (gpane playlist)
};

struct LoadOptions
{
    bool expand = true; // build PlayList by page-variable expansion
    LoadMode mode = LoadMode::Normal;
};

// Resets the state to an empty document; no file is written.
void NewDocument(DocumentState& doc);

// The built-in default document as a file holds it.
QByteArray DefaultDocumentText(const ProgramValues& program);

// Creates documentPath with the built-in default document, or writes it over a .gpn file that
// holds no section, and sets doc.SectionList. A missing file is announced on the log. False
// (and nothing written) when the file could not be written, or when it exists but cannot be
// read or is marked read-only: what it holds is unknown, and is never replaced.
[[nodiscard]] bool WriteDefaultDocument(DocumentServices& services, DocumentState& doc,
                                        const QString& documentPath);

// Loads the built-in default document into doc from memory; no file is written where anyone
// would see it. program.documentPath is left as it was.
void LoadDefaultDocument(DocumentServices& services, DocumentState& doc, bool expand);

// Loads documentPath into doc: [Gpane] values, include and exclude lists, pages, buttons,
// and, with expansion, the play list. Also reads RegKey/ParamsLocation into the settings
// store. A missing file, or a .gpn file without any section (its text copied to a .bak file
// first), gets the default document written in its place. A file that is no document (it
// holds no section and is not named .gpn) or that cannot be read is never written: it is
// marked read-only in the services' IniFiles, the default document is loaded from memory,
// and the log says why, once for as long as the same problem lasts. In ReadOnly mode nothing
// is written anywhere: the default document is loaded from memory where the show would
// write it. False when the file cannot be read (in ReadOnly mode also when it is missing).
// The caller then resets the engine's order arrays, current page and tool bars.
[[nodiscard]] bool LoadDocument(DocumentServices& services, DocumentState& doc,
                                const QString& documentPath, const QString& documentName,
                                const LoadOptions& options = {});

// Writes doc into documentPath in one atomic save: the [Gpane] values, the pages, include and
// exclude lists, the buttons and [About]. The page, include and exclude sections are written
// in list order and numbered afresh; each keeps the other keys and comments of the section it
// came from (a page its Section, an include or exclude prefix the first section holding it);
// sections no entry came from go, so that nothing stale is read again. writeSettings, when given,
// runs inside the same save and writes the other options (those in the document land in the same
// file). False when the file could not be saved (it is then unchanged on disk).
[[nodiscard]] bool SaveDocument(DocumentServices& services, DocumentState& doc,
                                const QString& documentPath, const QString& documentName,
                                const std::function<void()>& writeSettings = {});

// The pieces of LoadDocument / SaveDocument, for the configuration dialog and tests. Page and
// list readers walk doc.SectionList; writers write into the current document file through the
// services' IniFiles (the caller holds an IniFiles::Batch around them).
void LoadPageList(DocumentServices& services, DocumentState& doc, bool expand);
void LoadIncludeList(DocumentServices& services, DocumentState& doc);
void LoadExcludeList(DocumentServices& services, DocumentState& doc);
[[nodiscard]] bool SavePageList(DocumentServices& services, const DocumentState& doc);
[[nodiscard]] bool SaveIncludeList(DocumentServices& services, const DocumentState& doc);
[[nodiscard]] bool SaveExcludeList(DocumentServices& services, const DocumentState& doc);

// What page-variable expansion needs, as loading a document uses it (VarSubst from the
// settings, the favourites folder, the services' value-file fetcher).
ExpansionContext ExpansionContextFor(DocumentServices& services);

// Overlays the stored settings of buttons[first..last] (by the parameter location);
// toolbarWord is "ToolRun" or "ToolNav".
void ReadButtons(DocumentServices& services, QVector<ToolButton>& buttons, int first, int last,
                 const QString& toolbarWord);
// Writes only what differs from the built-in button, and removes what a button brought back
// to its built-in state had stored before.
[[nodiscard]] bool WriteButtons(DocumentServices& services, const QVector<ToolButton>& buttons,
                                int first, int last, const QString& toolbarWord);

} // namespace glasspane
