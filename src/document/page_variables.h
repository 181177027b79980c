#pragma once

#include "document/document.h"

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace glasspane {

Q_DECLARE_LOGGING_CATEGORY(lcDocument)

// Page variable kinds (Var1Type).
enum VariableKind : qint16 {
    VarNone = 0,
    VarRange = 1,     // Var1Source .. Var1Param, zero-padded to Var1Source's length
    VarList = 2,      // Var1Source, items separated by "|"
    VarFile = 3,      // texts found in the file Var1Source by the patterns of Var1Param
    VarFavorites = 4, // the shortcuts of the favourites folder
    VarInvisible = 5, // no values: the main window is hidden while the page is shown
    VarShortcuts = 6, // the shortcuts of a folder
    VarHtmlFiles = 7, // the *.htm? files of a folder
};

// No page expands into more entries than this, so that a huge range cannot exhaust memory.
inline constexpr int kMaxValuesPerPage = 100000;

class NetworkDrives;

// What expansion needs besides the lists.
struct ExpansionContext
{
    bool VarSubst = true;   // page variables are expanded at all
    QString resourceFolder; // its pages always pass the include test
    QString favoritesFolder;
    // Relative folders (kinds 6 and 7) are found from the document's folder; null: as given.
    const ProgramValues* program = nullptr;
    // Folders on network shares; null: such folders give nothing.
    NetworkDrives* drives = nullptr;
    ValueFileFetcher fetchValueFile; // empty: local files and file:// addresses only
    std::function<void()> beginBusy;
    std::function<void()> endBusy;
};

// Rebuilds playList from pageList: one entry per page, or per accepted value of a page with a
// variable (the page's URL gets a placeholder, which stays in pageList). Element 0 of
// playList is kept. Addresses forbidden by the lists are dropped; a page whose every value is
// forbidden contributes no entry.
void ExpandPageList(QVector<PageEntry>& pageList, QVector<PlayEntry>& playList,
                    const QStringList& includeList, const QStringList& excludeList,
                    const ExpansionContext& context);

// The page's URL with a placeholder: unchanged with two "$" or more, "$" appended with one,
// "$$" appended with none.
QString EnsurePlaceholder(const PageEntry& page);
// The text from the first "$" of the URL to the next "$", both included; "" without one.
QString PlaceholderOf(const PageEntry& page);
// Every occurrence, case-sensitive, left to right; an empty find gives text.
QString ReplaceAll(const QString& text, const QString& find, const QString& replacement);

// The values of a page's variable, at most kMaxValuesPerPage of them (the cut is logged).
QStringList GetVariableValues(PageEntry& page, const ExpansionContext& context);

// One (prefix, suffix) pair of a value-file pattern "prefix$$suffix"; "{Pipe}" stands for "|".
struct ValuePattern
{
    QString prefix;
    QString suffix;
};
// The pairs of a "|"-separated pattern list; patterns without "$$" are ignored.
QVector<ValuePattern> ParsePatterns(const QString& patternList);
// The distinct texts found between a pattern's prefix and suffix (or the next prefix when the
// suffix is empty), in the order found. Runs in time proportional to text's length.
QStringList ScanValueFile(const QString& text, const QVector<ValuePattern>& patterns,
                          bool caseSensitive, int maxValues = kMaxValuesPerPage);

// The files matching pattern ("*.url", "*.htm?") in folder, and with subDirectories in every
// folder below it, breadth-first. With readShortcuts each file gives the URL of its
// [InternetShortcut] section, else its full path. A missing folder gives nothing.
QStringList CollectFiles(const QString& folder, const QString& pattern, bool subDirectories,
                         bool readShortcuts);
// One level of a folder: its files (wantFiles) or its subfolders, in directory order.
QStringList ListFolder(const QString& folder, const QString& pattern, bool readShortcuts,
                       bool wantFiles);

// The favourites folder with a trailing '/': the Favorites value of the user's shell folders
// in the registry when set, else the shell's favourites folder.
QString FavoritesFolder(Registry& registry, Shell& shell);

} // namespace glasspane
