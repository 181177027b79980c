#include "browser/show_driver.h"

#include "engine/engine.h"
#include "platform/internet.h"
#include "platform/log.h"

#include <QTimer>

namespace glasspane {

namespace {

constexpr int kTimerIntervalMs = 200;
// A chain of changes that never settles (a list of pages that all fail at once) falls back to
// the timer's pace after this many steps.
constexpr int kMaxQuickSteps = 8;

} // namespace

ShowDriver::ShowDriver(Internet& internet, QObject* parent)
    : QObject(parent), m_internet(internet), m_tim(new QTimer(this))
{
    m_tim->setObjectName(QStringLiteral("tim"));
    m_tim->setInterval(kTimerIntervalMs);
    connect(m_tim, &QTimer::timeout, this, &ShowDriver::tick);
}

void ShowDriver::attach(Engine* engine)
{
    m_engine = engine;
    if (m_engine)
        m_engine->setStateChangeListener([this] { stepSoon(); });
}

void ShowDriver::start()
{
    m_tim->start();
    // The show starts now, not one timer interval from now.
    stepSoon();
}

void ShowDriver::setTerminating()
{
    m_terminating = true;
    // A download in progress ends now, and none starts any more.
    m_internet.setClosing(true);
}

void ShowDriver::stop()
{
    m_stopped = true;
    m_tim->stop();
}

void ShowDriver::tick()
{
    if (!m_engine || m_stopped)
        return;
    m_quickSteps = 0;
    // The step runs outside the timer's own event: Qt holds a timer back while its handler
    // runs, and a step may wait for a download while the timer is to go on ticking.
    QMetaObject::invokeMethod(
        this, [this] { step(); }, Qt::QueuedConnection);
}

void ShowDriver::stepSoon()
{
    if (m_stepQueued || !m_engine || m_stopped || m_quickSteps >= kMaxQuickSteps)
        return;
    m_stepQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_stepQueued = false;
            ++m_quickSteps;
            step();
        },
        Qt::QueuedConnection);
}

void ShowDriver::step()
{
    if (!m_engine || m_stopped)
        return;
    if (!m_engine->state().EngineInitialised)
        qCDebug(lcGlasspane) << "start-up: first step";
    m_engine->EngineTick();
    // Quitting (also asked for while a download holds the engine) waits for no server; should
    // the close handler refuse, downloads go on.
    m_internet.setClosing(m_terminating || m_stopped ||
                          m_engine->CurrentState() == RunState::FINPROG);
}

} // namespace glasspane
