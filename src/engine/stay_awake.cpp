#include "engine/stay_awake.h"

#include "platform/clock.h"
#include "platform/display_power.h"

namespace glasspane {

bool ShowKeepsDisplayAwake(const Engine& engine, EngineTime now, bool saverRun)
{
    const EngineState& state = engine.state();
    if (saverRun || engine.isConfigCommandLine() || state.ProcessEnded ||
        state.CurrentState == RunState::FINPROG)
        return false;
    if (state.NavigationMode)
        return now - state.LastActivity <= qint64(engine.settings().ScreenSaveTimeOut) * 1000;
    return true;
}

StayAwake::StayAwake(DisplayPower& power, const Clock& clock, bool saverRun)
    : m_power(power), m_clock(clock), m_saverRun(saverRun)
{}

StayAwake::~StayAwake()
{
    release();
}

void StayAwake::update(const Engine* engine)
{
    if (m_released || !engine)
        return;
    m_power.keepAwake(
        ShowKeepsDisplayAwake(*engine, m_clock.now().toMSecsSinceEpoch(), m_saverRun));
}

void StayAwake::release()
{
    m_released = true;
    m_power.keepAwake(false);
}

} // namespace glasspane
