#pragma once

#include <QDateTime>
#include <QString>

namespace glasspane {

// What the program knows of the screen: whether something blanked it, and what.
struct ScreenState
{
    enum class Kind {
        Unknown, // nothing tells (no X display: a Wayland compositor keeps it to itself)
        On,
        Blanked,
        Locked,
    };
    Kind kind = Kind::Unknown;
    QString by;      // what blanked or locked it: "XScreenSaver", "the X server's screen saver"
    QDateTime since; // when, where that is known
};

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
    // Whether the screen is blanked now, as far as the program can know.
    virtual ScreenState screenState() const { return {}; }
};

} // namespace glasspane
