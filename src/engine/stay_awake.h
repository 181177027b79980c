#pragma once

#include "engine/engine.h"

namespace glasspane {

class Clock;
class DisplayPower;

// Whether the show keeps the display awake at `now`: while it plays (a paused page included,
// which still shows), and in navigation mode until the screen-save delay has passed without
// activity; after that nobody is at the kiosk, and when the show does not take over again by
// itself the desktop may blank the screen. Never while the program runs as the screen saver
// (saverRun: the desktop blanked the screen itself and ends the program on activity) or only
// to configure, and never once the program ends.
bool ShowKeepsDisplayAwake(const Engine& engine, EngineTime now, bool saverRun);

// Keeps the display's power in step with the show: update() after every tick of the engine,
// release() when the program ends (the destructor releases too).
class StayAwake
{
public:
    StayAwake(DisplayPower& power, const Clock& clock, bool saverRun);
    ~StayAwake();
    StayAwake(const StayAwake&) = delete;
    StayAwake& operator=(const StayAwake&) = delete;

    // engine: null before the main window has loaded it.
    void update(const Engine* engine);
    void release();

private:
    DisplayPower& m_power;
    const Clock& m_clock;
    bool m_saverRun;
    bool m_released = false;
};

} // namespace glasspane
