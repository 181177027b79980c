#pragma once

#include "platform/display_power.h"

#include <QList>

namespace glasspane {

// A display whose power is recorded: every change of keepAwake, in order (repeats of the same
// value are not changes).
class FakeDisplayPower final : public DisplayPower
{
public:
    void keepAwake(bool awake) override
    {
        if (awake != m_awake)
            m_changes.append(awake);
        m_awake = awake;
    }
    bool isKeptAwake() const override { return m_awake; }

    const QList<bool>& changes() const { return m_changes; }

private:
    bool m_awake = false;
    QList<bool> m_changes;
};

} // namespace glasspane
