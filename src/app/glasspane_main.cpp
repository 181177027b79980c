// glasspane: the kiosk browser and screen saver.

#include "app/configuration_ui.h"
#include "app/foreign_window.h"
#include "app/glasspane_options.h"
#ifdef GLASSPANE_WAYLAND_IDLE_INHIBIT
#include "app/wayland_idle_inhibitor.h"
#endif
#include "app/show_application.h"
#include "browser/web_engine_setup.h"
#include "config/config_dialogs.h"
#include "config/frm_preview.h"
#include "config/modal_runner.h"
#include "document/program_values.h"
#include "engine/start_up.h"
#include "platform/linux/curl_internet.h"
#include "platform/linux/gio_shares.h"
#include "platform/linux/linux_display_power.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/process_memory.h"
#include "platform/linux/reg_hive_registry.h"
#include "platform/linux/single_instance.h"
#include "platform/linux/system_clock.h"
#include "platform/linux/xdg_shell.h"
#include "platform/log.h"
#include "platform/online_state.h"

#include <QApplication>
#include <QTextStream>
#include <QThread>
#include <cstdio>

using namespace glasspane;

int main(int argc, char** argv)
{
    // Nothing the program creates is writable by others, whatever the session's umask.
    RestrictFileCreationMask();

    initLog(QStringLiteral("glasspane"));
    // The grammar sees the words as they were given, before Qt takes out options of its own.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const bool verbose = arguments.removeAll(QStringLiteral("--verbose")) > 0;
    const bool wantsScreenshots = arguments.contains(QStringLiteral("--screenshots"));
    const QString screenshots = TakeScreenshotFolder(arguments);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString unknown = UnknownOption(arguments);
    if (!unknown.isEmpty() || (wantsScreenshots && screenshots.isEmpty())) {
        // Nothing is started and nothing written: a mistyped option is no document.
        if (unknown.isEmpty())
            err << "glasspane: --screenshots needs a folder\n\n";
        else
            err << "glasspane: unknown option " << unknown << "\n\n";
        err << CommandLineUsage();
        return 2;
    }
    if (arguments == QStringList{QStringLiteral("--help")}) {
        out << CommandLineUsage();
        return 0;
    }
    if (arguments == QStringList{QStringLiteral("--version")}) {
        out << ProductNameAndVersion() << '\n';
        return 0;
    }
    if (verbose)
        enableVerboseLog();
    if (!screenshots.isEmpty()) {
        const QString problem = ScreenshotFolderProblem(screenshots);
        if (!problem.isEmpty()) {
            err << "glasspane: cannot save screenshots in " << screenshots << ": " << problem
                << '\n';
            return 2;
        }
    }

    const QString commandLine = JoinArguments(arguments);
    const StartupRequest request = ParseCommandLine(commandLine);
    qCDebug(lcGlasspane) << "command line:" << commandLine << "mode:" << int(request.mode);
    // There is no screen-saver password to change on Linux.
    if (request.mode == RunMode::PasswordChange)
        return 0;

    // No developer tools, whatever the environment or the arguments say.
    DisableWebEngineDebugging(argc, argv);
    QuietWebEngineLog(verbose);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("glasspane"));
    QApplication::setApplicationVersion(ProductNameAndVersion());

    // A screen-saver host's window and the preview's are X11 windows, which a Wayland session
    // does not let another program draw in: said plainly rather than shown somewhere else.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (wayland && (request.fromHost || request.mode == RunMode::Preview)) {
        err << "glasspane: "
            << (request.fromHost ? "XScreenSaver's programs (--root, --window-id) need"
                                 : "the preview (/P) needs")
            << " an X11 session; this one is Wayland, where they are not available\n";
        return 1;
    }

    // The adapters of the ports; every part receives them by reference.
    LinuxSystem system;
    XdgShell shell;
    RegHiveRegistry registry;
    GioShares shares;
    SystemClock clock;

    // A second start raises the running copy and shows nothing, or hands it the document it
    // was given; the preview runs beside it.
    SingleInstance instance(shell.folder(Shell::Folder::Temp));
    if (request.mode != RunMode::Preview) {
        const ControlRequest handOver = HandOverRequest(request, system.currentFolder());
        if (instance.FindPreviousInstance(handOver)) {
            qCDebug(lcGlasspane) << "another copy runs; handed it" << handOver.command
                                 << handOver.argument;
            ControlAnswer answer = instance.lastAnswer();
            // Still loading its window: ask again for a moment.
            for (int retry = 0; retry < 25 && answer.kind == ControlAnswer::Kind::Busy; ++retry) {
                QThread::msleep(200);
                if (SingleInstance::send(instance.socketPath(), handOver, &answer) !=
                    SingleInstance::Delivery::Answered)
                    break;
            }
            if (answer.kind == ControlAnswer::Kind::Ok)
                return 0;
            err << "glasspane: the running copy did not take "
                << (handOver.argument.isEmpty() ? QStringLiteral("the request") : handOver.argument)
                << ": " << answer.message << '\n';
            return 1;
        }
    }

    ProgramValues values;
    InitProgramValues(values, system, shell);
    qCDebug(lcGlasspane) << "resource folder:" << values.resourceFolder
                         << "machine folder:" << values.windowsFolder;

    if (request.mode == RunMode::Preview) {
        // X11 window ids are unsigned 32-bit numbers.
        frmPreview preview;
        const quint32 host = quint32(request.previewParent);
        if (!EmbedIntoForeignWindow(preview, host)) {
            qCDebug(lcGlasspane) << "no window to show the preview in";
            return 0;
        }
        // Looked after at the pace of the frames; the program ends with the window it shows in.
        // exit() rather than quit(): quit() is refused while a window is still open.
        const auto* watch = new ForeignHost(preview, host, 1000);
        QObject::connect(watch, &ForeignHost::hostClosed, &app, [] { QCoreApplication::exit(0); });
        return app.exec();
    }
    // The show's window holds a Wayland compositor's idle inhibition; X11 holds are never
    // asked for under Wayland, where an X server (Xwayland) blanks nothing.
#ifdef GLASSPANE_WAYLAND_IDLE_INHIBIT
    ShowApplication* showApplication = nullptr;
    WaylandIdleInhibitor compositorHold([&showApplication]() -> QWindow* {
        return showApplication ? showApplication->window().windowHandle() : nullptr;
    });
    CompositorIdleInhibitor* compositor = &compositorHold;
#else
    CompositorIdleInhibitor* compositor = nullptr;
#endif
    LinuxDisplayPower displayPower(wayland ? LinuxDisplayPower::WindowSystem::Wayland
                                           : LinuxDisplayPower::WindowSystem::X11,
                                   compositor);
    ProcMemoryMeter memory;
    LinuxPrivateFolders folders;
    CurlGlobal curl;
    OnlineState online;
    CurlInternet internet(online);
    ShowApplication show({system, shell, registry, shares, clock, internet, &online, memory,
                          folders, values, &displayPower},
                         commandLine);
#ifdef GLASSPANE_WAYLAND_IDLE_INHIBIT
    showApplication = &show;
#endif
    show.window().setScreenshotFolder(screenshots);
    // The password and configuration dialogs on the show's windows.
    ModalRunner modal;
    ConfigDialogs dialogs;
    ConfigurationUi configuration(show, dialogs, modal);
    instance.setAsyncHandler(
        [&show](const ControlRequest& request, const SingleInstance::Reply& reply) {
            show.control().handle(request, reply);
        });
    QObject::connect(&instance, &SingleInstance::raiseRequested, &show.window(), [&show] {
        show.window().raise();
        show.window().activateWindow();
    });
    // Run by a screen-saver host, the show goes into the window it was given.
    quint32 hostWindow = 0;
    if (request.mode == RunMode::ScreenSaver) {
        hostWindow = quint32(request.previewParent);
        if (hostWindow == 0)
            hostWindow = SaverWindowFromEnvironment(qEnvironmentVariable("XSCREENSAVER_WINDOW"));
    }
    show.start(hostWindow);
    return app.exec();
}
