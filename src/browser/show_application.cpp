#include "browser/show_application.h"

#include "document/program_values.h"
#include "engine/start_up.h"

#include <QTimer>

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

    if (platform.displayPower) {
        // Run as the screen saver, the desktop blanked the screen itself.
        const bool saverRun = ParseCommandLine(commandLine).mode == RunMode::ScreenSaver;
        m_stayAwake = std::make_unique<StayAwake>(*platform.displayPower, platform.clock, saverRun);
        frmMain* window = m_window.get();
        StayAwake* awake = m_stayAwake.get();
        QObject::connect(window->tim(), &QTimer::timeout, window,
                         [window, awake] { awake->update(window->engine()); });
        QObject::connect(window, &frmMain::processEnded, window, [awake] { awake->release(); });
    }
}

ShowApplication::~ShowApplication()
{
    m_window.reset();
    m_stayAwake.reset();
}

void ShowApplication::start()
{
    m_window->Form_Load();
    m_window->UpdateTitle();
    m_window->show();
}

} // namespace glasspane
