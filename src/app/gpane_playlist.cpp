#include "app/gpane_playlist.h"

#include "app/gpane_document.h"
#include "document/document.h"
#include "document/page_address.h"
#include "document/page_cache.h"
#include "document/page_variables.h"
#include "document/paths.h"

#include <QTextStream>

namespace glasspane {

namespace {

// Whether the show refuses the entry when its turn comes. A relative name of one of the
// program's own pages is found in the resource folder while the show runs, which passes.
bool refused(const PlayEntry& entry, const DocumentState& doc, const LocalPages& local,
             const QSet<QString>& builtIn)
{
    if (!IsAbsoluteOrAddress(entry.URL) && builtIn.contains(LocalPath(entry.URL).toLower()))
        return false;
    return !PageRefusal(entry.URL, doc.IncludeList, doc.ExcludeList, local).isEmpty();
}

void appendFlags(QString& line, const PlayEntry& entry, const DocumentState& doc, bool refused)
{
    const qsizetype before = line.size();
    if (entry.Cached)
        line += QLatin1Char('C');
    // A separate program shows only a cached copy, and only one the browser cannot show.
    if (entry.Cached && entry.SeparateProc && !BrowserShowsAddress(entry.URL))
        line += QLatin1Char('S');
    if (entry.SourcePage > 0 && entry.SourcePage < doc.PageList.size() &&
        doc.PageList.at(entry.SourcePage).Var1Type == VarInvisible)
        line += QLatin1Char('H');
    if (refused)
        line += QLatin1Char('R');
    if (line.size() == before)
        line += QLatin1Char('-');
}

// One line per entry, whatever the address holds.
void appendPrintable(QString& line, const QString& text)
{
    const qsizetype from = line.size();
    line += text;
    for (qsizetype i = from; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            line[i] = QLatin1Char(' ');
    }
}

} // namespace

int RunPlaylist(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList rest = arguments;
    const bool all = !rest.isEmpty() && rest.first() == QLatin1String("--all");
    if (all)
        rest.removeFirst();
    if (rest.size() != 1 || rest.first().isEmpty() ||
        (rest.first().startsWith(QLatin1Char('-')) && rest.first() != QLatin1String("--default"))) {
        err << "usage: gpane playlist [--all] DOCUMENT | gpane playlist [--all] --default\n";
        err.flush();
        return 2;
    }
    GpaneDocument document;
    if (!document.load(rest.first(), err))
        return 2;
    const DocumentState& doc = document.doc();
    const QSet<QString> builtIn = GpaneDocument::builtInFiles();
    // Written in large pieces: a stream operation per field costs more than the line itself.
    constexpr qsizetype kPiece = 64 * 1024;
    QString text;
    text.reserve(kPiece + 1024);
    const LocalPages local = document.localPages();
    for (int i = 1; i < doc.PlayList.size(); ++i) {
        const PlayEntry& entry = doc.PlayList.at(i);
        const bool refuse = refused(entry, doc, local, builtIn);
        if (refuse && !all)
            continue;
        text += QString::number(entry.DefaultTime ? doc.DefaultTime : entry.Time);
        text += QLatin1Char('\t');
        appendFlags(text, entry, doc, refuse);
        text += QLatin1Char('\t');
        appendPrintable(text, entry.URL);
        text += QLatin1Char('\n');
        if (text.size() >= kPiece) {
            out << text;
            text.resize(0); // keeps the room
        }
    }
    out << text;
    out.flush();
    return 0;
}

} // namespace glasspane
