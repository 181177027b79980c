#pragma once

#include <QStringList>

class QTextStream;

namespace glasspane {

// "gpane cache-name URL": prints the name the page cache gives the address. arguments are those
// after "cache-name". Returns the process exit code (2 on a usage error).
int RunCacheName(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace glasspane
