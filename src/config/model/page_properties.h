#pragma once

#include "document/document.h"

#include <QString>
#include <QVector>

namespace glasspane {

// The properties dialog's fields for one page, as its boxes hold them. The multi-line boxes
// hold one value or pattern a line ('\n' between lines).
struct PagePropsForm
{
    QString URL;
    bool DefaultTime = true;
    QString Time; // seconds, as typed
    // The page's variable kind: the code of the item chosen in the list, or the page's own
    // code while no item is chosen (kinds 6 and 7 have none).
    int Var1Type = 0;
    QString SourceFrom; // value range: start
    QString SourceTo;   // value range: end
    QString SourceList; // value list
    QString SourceFile; // value file; the folder of kinds 6 and 7
    QString ParamFile;  // search patterns of the value file
    bool CaseSensitive = false;
    bool SubDirectories = false;
    bool Cached = false;
    bool SeparateProc = true;
};

// The fields of a page: each kind fills the boxes it uses, the others stay empty.
PagePropsForm LoadPageProps(const PageEntry& page);
// P_KeepProps for a page: the fields into the entry. The kind decides what becomes of the
// variable's source and parameter; a page with a variable and no address gets "$$", the
// placeholder its values replace.
void KeepPageProps(PageEntry& page, const PagePropsForm& form);

// A stored value list ("a|b|c|") one value a line, and back: every line break becomes "|",
// then each "||" one "|" (a single pass, so three line breaks in a row leave "||").
QString ValueListLines(const QString& source);
QString ValueListSource(const QString& lines);
// Stored search patterns one a line ("{Pipe}" shown as "|"), and back: a "|" typed inside a
// pattern is stored as "{Pipe}", then the lines are joined as a value list is.
QString PatternLines(const QString& param);
QString PatternParam(const QString& lines);

// A value range may span at most this many steps.
inline constexpr qint64 kMaxRangeSpan = 10000;
// The whole numbers of the two range boxes (0 for empty or unreadable text) differ by at most
// kMaxRangeSpan.
bool RangeSpanAllowed(const QString& from, const QString& to);

// What the properties dialog shows as the cached copy of an address: the cache folder with a
// trailing '/', a line break and the copy's file name. Only addresses fetched through the cache
// have one: "" for an empty address, a path or a file:// address.
QString CachedFileText(const QString& cacheFolder, const QString& address);

} // namespace glasspane
