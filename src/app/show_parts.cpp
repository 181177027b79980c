#include "app/show_parts.h"

#include "document/program_values.h"
#include "platform/memory_meter.h"

namespace glasspane {

ShowParts::ShowParts(const PlatformParts& parts)
    : platform(parts), settings(platform.registry, ini, platform.program, platform.system),
      drives(platform.shares), profile(platform.online), documents{ini,
                                                                   settings,
                                                                   platform.program,
                                                                   platform.shell,
                                                                   platform.registry,
                                                                   platform.clock,
                                                                   &platform.internet,
                                                                   {},
                                                                   {},
                                                                   {}},
      caching{platform.internet, platform.shell, platform.clock, settings, platform.program,
              document,          cache,          update,         {}},
      rendererGuard(platform.clock, [&memory = platform.memory] {
          // The proportional share where the system tells it: the browser's processes share
          // much of their memory, which their resident sizes would count again for each.
          const ProcessTreeMemoryUse tree = memory.programMemory(ProportionalShare::Read);
          return tree.proportionalKb > 0 ? tree.proportionalKb : tree.residentKb();
      })
{
    documents.beginBusy = [this] { desktop.setBusyPointer(true); };
    documents.endBusy = [this] { desktop.setBusyPointer(false); };
    documents.fetchValueFile = ValueFileFetcherFor(caching);
    documents.drives = &drives;
}

std::unique_ptr<frmMain> ShowParts::makeWindow(const QString& commandLine)
{
    auto window = std::make_unique<frmMain>(MainWindowContext{platform.program,
                                                              platform.registry,
                                                              ini,
                                                              settings,
                                                              platform.system,
                                                              platform.shell,
                                                              platform.internet,
                                                              platform.online,
                                                              platform.clock,
                                                              desktop,
                                                              drives,
                                                              document,
                                                              cache,
                                                              update,
                                                              lock,
                                                              profile,
                                                              documents,
                                                              caching,
                                                              rendererGuard,
                                                              platform.memory,
                                                              platform.folders,
                                                              commandLine});
    // The update policy goes on-line while the user is at the dialog or browsing.
    const frmMain* shown = window.get();
    caching.userIsInteractive = [shown] {
        const Engine* engine = shown->engine();
        if (!engine)
            return false;
        const RunState s = engine->CurrentState();
        return engine->state().NavigationMode || s == RunState::CONFIG || s == RunState::WAITCONFIG;
    };
    return window;
}

} // namespace glasspane
