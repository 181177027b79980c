#include "engine/engine_hooks.h"

#include "document/document.h"
#include "document/document_files.h"
#include "document/page_cache.h"
#include "document/program_values.h"
#include "document/update_policy.h"

#include <memory>

namespace glasspane {

EngineHooks MakeEngineHooks(CacheServices& cache, DocumentServices& documents,
                            std::function<void()> afterReload)
{
    EngineHooks hooks;
    hooks.updateDue = [&cache] { (void)UpdateDue(cache, false); };
    hooks.reloadAtEndOfCycle = [&cache] {
        // Never applied counts as on-line.
        return !cache.update.LastAppliedOffline.value_or(false) ||
               cache.update.UpdateScheme == AlwaysOnline;
    };
    hooks.reloadDocument = [&cache, &documents, afterReload = std::move(afterReload)] {
        ProgramValues& program = documents.program;
        // A web document is fetched again from its address; a local one is read where it is
        // (the built-in document's name is no path).
        if (program.documentSource == DocumentSource::Web)
            program.documentPath = program.documentName;
        PrepareDocumentSource(documents, cache.doc);
        const bool loaded =
            LoadDocument(documents, cache.doc, program.documentPath, program.documentName);
        // The options where the document keeps them, before the update times that depend on
        // them.
        if (afterReload)
            afterReload();
        LoadUpdateBookkeeping(cache);
        return loaded;
    };
    auto record = std::make_shared<PageEntry>();
    hooks.fetchPage = [&cache, record](const QString& url) {
        return FetchPage(cache, *record, url, false);
    };
    hooks.viewableCopy = [&cache](const QString& localCopy) {
        return ViewableCopy(cache, localCopy);
    };
    hooks.resetConnectionCheck = [&cache] { cache.cache.LastConnectionCheck = QDateTime(); };
    return hooks;
}

} // namespace glasspane
