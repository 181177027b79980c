#include "engine/engine_hooks.h"

#include "document/document.h"
#include "document/document_files.h"
#include "document/page_cache.h"
#include "document/page_copy.h"
#include "document/program_values.h"
#include "document/update_policy.h"

#include <QFileInfo>
#include <QHash>
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
    // The pages fetched in this round of the show: the slides of a deck ("deck.html#/3") are
    // one page, fetched once a round and each shown from its copy.
    auto fetchedThisCycle = std::make_shared<QHash<QString, QString>>();
    hooks.newCycle = [fetchedThisCycle] { fetchedThisCycle->clear(); };
    hooks.fetchPage = [&cache, record, fetchedThisCycle](const QString& address) {
        const QString url = address.left(address.indexOf(QLatin1Char('#')));
        if (!IsCacheableAddress(url))
            return FetchPage(cache, *record, url, false);
        const QString held = fetchedThisCycle->value(url);
        if (!held.isEmpty() && QFileInfo(held).isFile())
            return held;
        record->LastDownload = QDateTime();
        const QString local = FetchPage(cache, *record, url, false);
        if (!QFileInfo(local).isFile())
            return QString(); // nothing to show
        // Asked once a round, whatever came of it: a server that is gone is not waited for
        // again at each slide.
        fetchedThisCycle->insert(url, local);
        const bool fetched = record->LastDownload.isValid();
        // A web page's copy names its style sheets, scripts and pictures in the cache: made
        // again after each fetch (they may have changed), from what the cache holds otherwise.
        if (fetched || !PageCopyCurrent(local)) {
            const PageCopyReport report = MakePageCopy(cache, url, local, fetched);
            if (report.made && !report.missing.isEmpty())
                qCInfo(lcShow).noquote()
                    << QStringLiteral("The copy of %1 lacks %2 of its files, which could not be "
                                      "fetched (the first: %3); they are asked for on the web")
                           .arg(url)
                           .arg(report.missing.size())
                           .arg(report.missing.first());
        }
        return local;
    };
    hooks.browserShows = BrowserShowsCopy;
    hooks.viewableCopy = [&cache](const QString& localCopy) {
        return ViewableCopy(cache, localCopy);
    };
    hooks.resetConnectionCheck = [&cache] { cache.cache.LastConnectionCheck = QDateTime(); };
    return hooks;
}

} // namespace glasspane
