#include "engine/show_control.h"

#include "document/document.h"
#include "document/document_files.h"
#include "document/paths.h"
#include "document/program_values.h"
#include "engine/engine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

namespace glasspane {

namespace {

// How often an awaited command looks whether the show has carried it out.
constexpr int kAwaitPollMs = 50;

QString isoTime(const QDateTime& when)
{
    // With the offset from UTC, so that a log elsewhere can be compared with it.
    return when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate);
}

QString megabytes(qint64 kb)
{
    return QStringLiteral("%1 MB").arg((kb + 512) / 1024);
}

QString memoryText(const MemoryUse& use)
{
    if (use.programKb < 0)
        return QStringLiteral("unknown");
    if (use.helpers == 0)
        return megabytes(use.programKb);
    return QStringLiteral("%1 (glasspane %2, browser %3 in %4 %5)")
        .arg(megabytes(use.programKb + use.helpersKb), megabytes(use.programKb),
             megabytes(use.helpersKb))
        .arg(use.helpers)
        .arg(use.helpers == 1 ? QStringLiteral("process") : QStringLiteral("processes"));
}

// "on", "blanked by XScreenSaver since 2026-12-11T05:07:56+01:00", "unknown".
QString screenText(const ScreenState& screen)
{
    switch (screen.kind) {
    case ScreenState::Kind::Unknown:
        return QStringLiteral("unknown");
    case ScreenState::Kind::On:
        return QStringLiteral("on");
    case ScreenState::Kind::Blanked:
    case ScreenState::Kind::Locked:
        break;
    }
    QString text = screen.kind == ScreenState::Kind::Locked ? QStringLiteral("locked")
                                                            : QStringLiteral("blanked");
    if (!screen.by.isEmpty())
        text += QStringLiteral(" by ") + screen.by;
    if (screen.since.isValid())
        text += QStringLiteral(" since ") + isoTime(screen.since);
    return text;
}

} // namespace

ShowControl::ShowControl(ShowControlHooks hooks, const ProgramValues& program,
                         const DocumentState& document, QDateTime started, bool saverRun)
    : m_hooks(std::move(hooks)), m_program(program), m_document(document),
      m_started(std::move(started)), m_saverRun(saverRun)
{}

QString ShowControl::stateWord(const Engine& engine)
{
    const EngineState& state = engine.state();
    switch (state.CurrentState) {
    case RunState::FINPROG:
        return QStringLiteral("ending");
    case RunState::CONFIG:
    case RunState::WAITCONFIG:
        return QStringLiteral("configuration");
    default:
        break;
    }
    if (state.NavigationMode)
        return QStringLiteral("navigation");
    if (state.CurrentState == RunState::WAITSAVER)
        return QStringLiteral("paused");
    return QStringLiteral("playing");
}

QStringList ShowControl::status() const
{
    QStringList lines;
    const Engine* engine = m_hooks.engine ? m_hooks.engine() : nullptr;
    lines << QStringLiteral("document: ") + m_program.documentName;
    QString mode = QStringLiteral("show");
    if (m_saverRun)
        mode = QStringLiteral("screen saver");
    else if (engine && engine->isConfigCommandLine())
        mode = QStringLiteral("configuration only");
    lines << QStringLiteral("mode: ") + mode;
    if (engine) {
        const DisplaySlot& slot = engine->displaySlot();
        int page = engine->sequence().CurrentPage;
        // The start page is on screen until the show reaches its first entry.
        const bool onEntry = page >= 1 && page < m_document.PlayList.size() &&
                             m_document.PlayList.at(page).URL == slot.Url;
        if (!onEntry && slot.Url == engine->sequence().SplashUrl)
            page = 0;
        // Playing, yet no page has completed for longer than any page may take: a monitoring
        // system is to hear it.
        lines << QStringLiteral("state: ") +
                     (engine->Stalled() ? QStringLiteral("stalled") : stateWord(*engine));
        lines << QStringLiteral("page: %1 of %2%3")
                     .arg(page)
                     .arg(engine->PageCount())
                     .arg(page == 0 ? QStringLiteral(" (start page)") : QString());
        lines << QStringLiteral("address: ") + slot.Url;
        if (slot.StartTime > 0)
            lines << QStringLiteral("since: ") +
                         isoTime(QDateTime::fromMSecsSinceEpoch(slot.StartTime));
        QString load = QStringLiteral("loading");
        if (slot.Failed)
            load = QStringLiteral("failed: ") + slot.FailReason;
        else if (slot.Loaded)
            load = QStringLiteral("complete");
        lines << QStringLiteral("last load: ") + load;
        const ShowHealth& health = engine->health();
        lines << QStringLiteral("last complete: ") +
                     (health.lastCompleted > 0
                          ? isoTime(QDateTime::fromMSecsSinceEpoch(health.lastCompleted))
                          : QStringLiteral("never"));
        lines << QStringLiteral("renderer restarts: %1").arg(health.rendererRestarts);
        lines << QStringLiteral("page renewals: %1 (memory %2, age %3, not answering %4)")
                     .arg(health.renewals())
                     .arg(health.renewalsForMemory)
                     .arg(health.renewalsForAge)
                     .arg(health.renewalsUnresponsive);
    } else {
        lines << QStringLiteral("state: starting");
    }
    // A show that plays over a blanked screen shows nobody anything.
    if (m_hooks.screen)
        lines << QStringLiteral("screen: ") + screenText(m_hooks.screen());
    lines << QStringLiteral("started: ") + isoTime(m_started);
    lines << QStringLiteral("pid: %1").arg(QCoreApplication::applicationPid());
    if (m_hooks.memory)
        lines << QStringLiteral("memory: ") + memoryText(m_hooks.memory());
    return lines;
}

std::optional<ControlAnswer> ShowControl::cannotSteer(const Engine* engine) const
{
    if (!engine)
        return ControlAnswer::busy(QStringLiteral("the show is starting"));
    if (engine->isConfigCommandLine())
        return ControlAnswer::error(
            QStringLiteral("this copy only shows the configuration dialog"));
    switch (engine->CurrentState()) {
    case RunState::FINPROG:
        return ControlAnswer::error(QStringLiteral("the show is ending"));
    case RunState::CONFIG:
    case RunState::WAITCONFIG:
        return ControlAnswer::error(QStringLiteral("the configuration dialog is open"));
    default:
        return std::nullopt;
    }
}

ControlAnswer ShowControl::handle(const ControlRequest& request)
{
    const QString& command = request.command;
    Engine* engine = m_hooks.engine ? m_hooks.engine() : nullptr;
    if (command == u"status")
        return ControlAnswer::ok(QString(), status());
    const bool takesArgument = command == u"open";
    const bool known = takesArgument || command == u"next" || command == u"previous" ||
                       command == u"pause" || command == u"play" || command == u"reload";
    if (!known)
        return ControlAnswer::error(QStringLiteral("unknown command \"%1\"").arg(command));
    if (!takesArgument && !request.argument.isEmpty())
        return ControlAnswer::error(QStringLiteral("%1 takes no argument").arg(command));
    if (takesArgument)
        return open(request.argument, engine);
    if (const std::optional<ControlAnswer> refused = cannotSteer(engine))
        return *refused;
    return step(command, *engine);
}

void ShowControl::handle(const ControlRequest& request, Reply reply)
{
    Engine* engine = m_hooks.engine ? m_hooks.engine() : nullptr;
    const bool awaits = request.command == u"next" || request.command == u"previous" ||
                        request.command == u"reload";
    Awaited awaited;
    if (engine && awaits) {
        awaited.browsed = engine->displaySlot().Browsed;
        awaited.loads = m_hooks.loadsStarted ? m_hooks.loadsStarted() : 0;
    }
    const ControlAnswer answer = handle(request);
    if (!engine || !awaits || answer.kind != ControlAnswer::Kind::Ok) {
        reply(answer);
        return;
    }
    awaited.command = request.command;
    awaited.reply = std::move(reply);
    awaited.deadline = QDeadlineTimer(m_answerWithinMs);
    m_awaited.push_back(std::move(awaited));
    // Paused, the page was asked for already: its answer may be known at once.
    checkAwaited();
}

std::optional<ControlAnswer> ShowControl::outcome(const Awaited& awaited) const
{
    const Engine* engine = m_hooks.engine ? m_hooks.engine() : nullptr;
    if (!engine)
        return ControlAnswer::error(QStringLiteral("the show has ended"));
    if (awaited.command == u"reload") {
        if (m_hooks.loadsStarted && m_hooks.loadsStarted() != awaited.loads)
            return ControlAnswer::ok();
        if (awaited.deadline.hasExpired())
            return ControlAnswer::error(
                QStringLiteral("the page did not begin to load again within %1 s")
                    .arg(m_answerWithinMs / 1000.0));
        return std::nullopt;
    }
    const DisplaySlot& slot = engine->displaySlot();
    const bool asked = slot.Browsed != awaited.browsed;
    // The page it asked for, even when the show has moved on from it since.
    if (asked && slot.FailedBrowse == awaited.browsed + 1)
        return ControlAnswer::error(
            QStringLiteral("%1 cannot be shown: %2").arg(slot.FailedUrl, slot.FailReason));
    if (asked && (slot.Started || slot.Loaded))
        return ControlAnswer::ok(QStringLiteral("page %1 of %2: %3")
                                     .arg(engine->sequence().CurrentPage)
                                     .arg(engine->PageCount())
                                     .arg(slot.Url));
    if (awaited.deadline.hasExpired())
        return ControlAnswer::error(
            asked ? QStringLiteral("%1 did not begin to load within %2 s")
                        .arg(slot.Url)
                        .arg(m_answerWithinMs / 1000.0)
                  : QStringLiteral("the show did not move to another page within %1 s")
                        .arg(m_answerWithinMs / 1000.0));
    return std::nullopt;
}

void ShowControl::checkAwaited()
{
    // The replies run last: one may end this object's caller.
    std::vector<std::pair<Reply, ControlAnswer>> done;
    for (auto it = m_awaited.begin(); it != m_awaited.end();) {
        if (std::optional<ControlAnswer> answer = outcome(*it)) {
            done.emplace_back(std::move(it->reply), std::move(*answer));
            it = m_awaited.erase(it);
        } else {
            ++it;
        }
    }
    if (!m_awaited.empty() && !m_pollQueued) {
        m_pollQueued = true;
        QTimer::singleShot(kAwaitPollMs, this, [this] {
            m_pollQueued = false;
            checkAwaited();
        });
    }
    for (auto& [reply, answer] : done)
        reply(answer);
}

ControlAnswer ShowControl::step(const QString& command, Engine& engine)
{
    const RunState state = engine.CurrentState();
    const bool browsing = engine.state().NavigationMode;
    const bool between = state == RunState::INIT || state == RunState::NAVIGATE;

    if (command == u"reload") {
        if (!m_hooks.reloadPage)
            return ControlAnswer::error(QStringLiteral("reload is not available"));
        m_hooks.reloadPage();
        return ControlAnswer::ok();
    }
    if (command == u"play") {
        if (!browsing && state != RunState::WAITSAVER)
            return ControlAnswer::ok(QStringLiteral("already playing"));
        engine.PlayAction();
        return ControlAnswer::ok();
    }
    if (browsing)
        return ControlAnswer::error(
            QStringLiteral("a visitor is browsing (navigation mode); \"gpane play\" takes the "
                           "show back"));
    if (command == u"pause") {
        if (state == RunState::WAITSAVER)
            return ControlAnswer::ok(QStringLiteral("already paused"));
        if (state == RunState::INIT)
            return ControlAnswer::busy(QStringLiteral("the show is changing pages"));
        engine.PauseAction();
        return ControlAnswer::ok();
    }
    // next, previous: from a page on show, playing or paused.
    if (between)
        return ControlAnswer::busy(QStringLiteral("the show is changing pages"));
    if (command == u"next")
        engine.NextAction();
    else
        engine.PreviousAction();
    return ControlAnswer::ok();
}

ControlAnswer ShowControl::open(const QString& document, Engine* engine)
{
    if (document.trimmed().isEmpty())
        return ControlAnswer::error(QStringLiteral("open needs a document"));
    QString local;
    if (document.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        local = LocalPathOfFileUrl(document);
    else if (!IsWebAddress(document) && !IsNetworkPath(document))
        local = document; // a share is reached (and checked) when the show loads it
    if (!local.isEmpty()) {
        // Relative to what? The sender makes its paths absolute.
        if (!QFileInfo(local).isAbsolute())
            return ControlAnswer::error(
                QStringLiteral("%1 is no absolute path or web address").arg(document));
    }
    if (const std::optional<ControlAnswer> refused = cannotSteer(engine))
        return *refused;
    if (!m_hooks.openDocument || !m_hooks.checkDocument)
        return ControlAnswer::error(QStringLiteral("open is not available"));
    // Something that is no document (a web page, an error of the server) would replace the
    // show by the built-in document: refused, and the show plays on.
    const QString refusal = m_hooks.checkDocument(document);
    if (!refusal.isEmpty())
        return ControlAnswer::error(refusal);
    // The engine may have moved on while a web document arrived.
    if (const std::optional<ControlAnswer> refused = cannotSteer(engine))
        return *refused;
    m_hooks.openDocument(document);
    if (m_hooks.raise)
        m_hooks.raise();
    return ControlAnswer::ok(QStringLiteral("opening ") + document);
}

} // namespace glasspane
