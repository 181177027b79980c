#pragma once

#include "engine/engine.h"

#include <functional>

namespace glasspane {

struct CacheServices;
struct DocumentServices;

// The engine's hooks on the page cache, the update policy and the document loader. The end
// of a cycle fetches a web document again and loads it (afterReload then runs, for what the
// window side rebuilds after a load: tool bars); cached pages are fetched with FetchPage into a
// working record of their own. Both services must outlive the hooks.
EngineHooks MakeEngineHooks(CacheServices& cache, DocumentServices& documents,
                            std::function<void()> afterReload = {});

} // namespace glasspane
