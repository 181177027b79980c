#include "app/gpane_playlist.h"

#include "app/gpane_document.h"
#include "document/document.h"
#include "document/page_variables.h"

#include <QTextStream>

namespace glasspane {

namespace {

void appendFlags(QString& line, const PlayEntry& entry, const DocumentState& doc)
{
    const qsizetype before = line.size();
    if (entry.Cached)
        line += QLatin1Char('C');
    if (entry.SeparateProc)
        line += QLatin1Char('S');
    if (entry.SourcePage > 0 && entry.SourcePage < doc.PageList.size() &&
        doc.PageList.at(entry.SourcePage).Var1Type == VarInvisible)
        line += QLatin1Char('H');
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
    // Written in large pieces: a stream operation per field costs more than the line itself.
    constexpr qsizetype kPiece = 64 * 1024;
    QString text;
    text.reserve(kPiece + 1024);
    for (int i = 1; i < doc.PlayList.size(); ++i) {
        const PlayEntry& entry = doc.PlayList.at(i);
        text += QString::number(entry.DefaultTime ? doc.DefaultTime : entry.Time);
        text += QLatin1Char('\t');
        appendFlags(text, entry, doc);
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
