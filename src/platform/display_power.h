#pragma once

namespace glasspane {

// The display's own idea of idleness: the screen saver and the monitor's power saving, which
// blank the screen after a spell without input. A kiosk that shows pages to people who never
// touch it keeps them away while the show runs.
class DisplayPower
{
public:
    virtual ~DisplayPower() = default;

    // awake: the display must not blank or power down, whatever the time without input;
    // otherwise the desktop's own settings apply again. Called often with the same value;
    // cheap then. Never blocks for long.
    virtual void keepAwake(bool awake) = 0;
    virtual bool isKeptAwake() const = 0;
};

} // namespace glasspane
