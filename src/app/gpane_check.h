#pragma once

#include <QStringList>

class QTextStream;

namespace glasspane {

// "gpane check DOCUMENT": reads the document as the show would and reports, one line each in
// the compilers' form "FILE:LINE: warning|error: text", what the show would ignore, refuse or
// not find: unknown sections and keys (with the nearest known name), values that are not of
// their type, a Time without DefaultTime=No, pages refused by the document's own include and
// exclude lists, local files, folders and value files that do not exist, unknown schemes,
// sections repeated or numbered out of sequence. Errors are what the show cannot do as
// written; warnings what it does differently than the text suggests. arguments are those
// after "check". Returns 0 (nothing or only warnings found), 1 (an error found) or 2 (a
// usage error, or a document that cannot be read).
int RunCheck(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace glasspane
