#pragma once

#include <QStringList>

class QTextStream;

namespace glasspane {

// "gpane plays [--since TIME] [--json]": the pages the show recorded as played, oldest first,
// from this user's play log; TIME is an ISO 8601 date or date and time (local time without an
// offset). Status 2 on a usage error.
int RunPlays(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace glasspane
