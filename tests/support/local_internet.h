#pragma once

#include "platform/internet.h"
#include "platform/linux/curl_internet.h"
#include "platform/online_state.h"

namespace glasspane {

// The real downloader with a scripted view of the machine's network, so that the answer does
// not depend on the interfaces of the machine running the test: for a server on this machine.
class LocalInternet final : public Internet
{
public:
    LocalInternet() : m_real(m_state, {2'000, 2, 3}) {}
    int flags = ConnectionFlag::Lan;

    DownloadResult download(const DownloadRequest& request) override
    {
        return m_real.download(request);
    }
    void setClosing(bool closing) override { m_real.setClosing(closing); }
    bool isOffline() const override { return m_real.isOffline(); }
    void setOffline(bool offline) override { m_real.setOffline(offline); }
    int connectedState() override { return flags; }
    void setUserAgent(const QString& agent) override { m_real.setUserAgent(agent); }

private:
    CurlGlobal m_curl;
    OnlineState m_state;
    CurlInternet m_real;
};

} // namespace glasspane
