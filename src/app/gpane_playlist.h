#pragma once

#include <QStringList>

class QTextStream;

namespace glasspane {

// "gpane playlist [--all] DOCUMENT" (or "--default" for the built-in default document): loads
// the document as the show does, without writing anything anywhere, and prints one line per
// page the show plays: display time in seconds, flags (C cached, S cached copy shown by a
// separate program, H main window hidden, "-" for none) and address, separated by tabs. Pages
// the show refuses when their turn comes (the browser loads nothing from the address, or the
// document's include and exclude lists forbid it) are left out; with --all they are listed
// with the flag R. arguments are those after "playlist". Returns the process exit code: 0, or
// 2 for a usage error or a document that cannot be read.
int RunPlaylist(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace glasspane
