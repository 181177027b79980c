#pragma once

#include <QObject>

namespace glasspane {

// The process's on-line / off-line switch. The downloader obeys it, and the browser side
// listens to offlineChanged so that its own network requests follow the same state.
class OnlineState final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    bool isOffline() const { return m_offline; }
    void setOffline(bool offline)
    {
        if (offline == m_offline)
            return;
        m_offline = offline;
        Q_EMIT offlineChanged(offline);
    }

Q_SIGNALS:
    void offlineChanged(bool offline);

private:
    bool m_offline = false;
};

} // namespace glasspane
