#include "browser/show_application.h"

#include "document/program_values.h"

namespace glasspane {

QString TakeScreenshotFolder(QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--screenshots"));
    if (at < 0)
        return QString();
    QString folder;
    if (at + 1 < arguments.size())
        folder = arguments.takeAt(at + 1);
    arguments.removeAt(at);
    return folder;
}

ShowApplication::ShowApplication(const PlatformParts& platformParts, const QString& commandLine)
    : platform(platformParts), settings(platform.registry, ini, platform.program, platform.system),
      internet(online), drives(platform.shares), profile(&online)
{
    internet.setUserAgent(platform.program.productVersionText);
    // Where general options are written, and the product keys they go under.
    settings.ReadRegKeyRoot();
    settings.EnsureProductKeys();

    MainWindowContext context{platform.program,
                              platform.registry,
                              ini,
                              settings,
                              platform.system,
                              platform.shell,
                              internet,
                              &online,
                              platform.clock,
                              desktop,
                              drives,
                              document,
                              cache,
                              update,
                              lock,
                              profile.profile(),
                              commandLine};
    m_window = std::make_unique<frmMain>(context);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, m_window.get(),
                     &frmMain::requestTermination);
}

ShowApplication::~ShowApplication()
{
    m_window.reset();
}

void ShowApplication::start()
{
    m_window->Form_Load();
    // Ended while the document was fetched: nothing to show.
    if (m_window->unloaded())
        return;
    m_window->UpdateTitle();
    m_window->show();
}

} // namespace glasspane
