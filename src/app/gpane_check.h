#pragma once

#include <QStringList>

class QTextStream;

namespace glasspane {

// "gpane check DOCUMENT": loads the document as the show would and prints what the checker
// (document/document_check.h) finds, one line each in the compilers' form
// "FILE:LINE: warning|error: text [kind]". arguments are those after "check". Returns 0 (nothing or
// only warnings found), 1 (an error found) or 2 (a usage error, or a document that cannot be
// read).
int RunCheck(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace glasspane
