#include "app/gpane_playlist.h"

#include "app/gpane_document.h"
#include "document/document.h"
#include "document/page_variables.h"

#include <QTextStream>

namespace glasspane {

namespace {

QString flagsOf(const PlayEntry& entry, const DocumentState& doc)
{
    QString flags;
    if (entry.Cached)
        flags += QLatin1Char('C');
    if (entry.SeparateProc)
        flags += QLatin1Char('S');
    if (entry.SourcePage > 0 && entry.SourcePage < doc.PageList.size() &&
        doc.PageList.at(entry.SourcePage).Var1Type == VarInvisible)
        flags += QLatin1Char('H');
    return flags.isEmpty() ? QStringLiteral("-") : flags;
}

// One line per entry, whatever the address holds.
QString printable(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

int RunPlaylist(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().isEmpty() ||
        (arguments.first().startsWith(QLatin1Char('-')) &&
         arguments.first() != QLatin1String("--default"))) {
        err << "usage: gpane playlist DOCUMENT | gpane playlist --default\n";
        err.flush();
        return 2;
    }
    GpaneDocument document;
    if (!document.load(arguments.first(), err))
        return 2;
    const DocumentState& doc = document.doc();
    for (int i = 1; i < doc.PlayList.size(); ++i) {
        const PlayEntry& entry = doc.PlayList.at(i);
        const qint32 time = entry.DefaultTime ? doc.DefaultTime : entry.Time;
        out << time << '\t' << flagsOf(entry, doc) << '\t' << printable(entry.URL) << '\n';
    }
    out.flush();
    return 0;
}

} // namespace glasspane
