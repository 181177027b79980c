#pragma once

#include "document/document.h"

#include <QString>
#include <QVector>

namespace glasspane {

// The page list editor's text: one address a line.

// The non-empty addresses of the pages, each followed by a line break.
QString PageListText(const QVector<PageEntry>& pages);
// The non-empty addresses of a play list (without its element 0, the document), each followed
// by a line break; lineCount gets their number.
QString PlayListText(const QVector<PlayEntry>& playList, int* lineCount);

// The pages of an edited text, in its order: a new entry with the defaults of Insert for each
// line that is not blank, or a copy of the first old entry with exactly that address (case
// counts), so that a line kept or typed again keeps its time, variable and flags.
QVector<PageEntry> PagesFromText(const QString& text, const QVector<PageEntry>& oldPages,
                                 qint32 defaultTime);

// The frame caption in display mode: "&Display page list - 12 lines" ("line" for 0 and 1).
QString DisplayPageListCaption(int lineCount);

} // namespace glasspane
