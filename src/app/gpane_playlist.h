#pragma once

#include <QStringList>

class QTextStream;

namespace glasspane {

// "gpane playlist DOCUMENT" (or "gpane playlist --default" for the built-in default document):
// loads the document as the show does, without writing anything anywhere, and prints one line
// per play-list entry: display time in seconds, flags (C cached, S separate process, H main
// window hidden, "-" for none) and address, separated by tabs. arguments are those after
// "playlist". Returns the process exit code: 0, or 2 for a usage error or a document that
// cannot be read.
int RunPlaylist(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace glasspane
