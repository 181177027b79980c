#include "app/gpane_cache_name.h"

#include "document/page_cache.h"

#include <QTextStream>

namespace glasspane {

int RunCacheName(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    if (arguments.size() != 1 || arguments.first().isEmpty()) {
        err << "usage: gpane cache-name URL\n";
        err.flush();
        return 2;
    }
    out << CacheFileName(arguments.first()) << '\n';
    out.flush();
    return 0;
}

} // namespace glasspane
