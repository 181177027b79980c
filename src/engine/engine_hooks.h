#pragma once

#include "engine/engine.h"

#include <functional>

namespace glasspane {

struct CacheServices;
struct DocumentServices;

// The engine's hooks on the page cache, the update policy and the document loader. The end
// of a cycle fetches a web document again and loads it (afterReload then runs, before the
// update bookkeeping, for what the window side reads again after a load: the options, the
// tool bars); cached pages are fetched with FetchPage into a working record of their own and
// shown through ViewableCopy. Both services must outlive the hooks.
EngineHooks MakeEngineHooks(CacheServices& cache, DocumentServices& documents,
                            std::function<void()> afterReload = {});

} // namespace glasspane
