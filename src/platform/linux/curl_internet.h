#pragma once

#include "platform/internet.h"

namespace glasspane {

class OnlineState;

// libcurl's process-wide set-up and clean-up; main() owns one for the whole run, before any
// download starts.
class CurlGlobal
{
public:
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

// Bounded waits of a download; tests shorten them.
struct CurlTimeouts
{
    int connectMs = 10'000; // establishing a connection
    int stallSecs = 30;     // no byte received for this long ends the transfer
    int maxRedirects = 10;
};

// Internet on libcurl. Each download is synchronous: it returns when the body has arrived, the
// server gave up, or the connection stalled beyond the time-outs below. The body goes to a
// temporary file beside the target, which replaces the target only when a 2xx response arrived
// whole with a non-empty body. Proxies come from the usual environment variables.
class CurlInternet final : public Internet
{
public:
    using Timeouts = CurlTimeouts;

    // The on-line state is shared with the browser side, which listens to its changes.
    explicit CurlInternet(OnlineState& state, Timeouts timeouts = Timeouts());
    ~CurlInternet() override;

    DownloadResult download(const DownloadRequest& request) override;
    bool isOffline() const override;
    void setOffline(bool offline) override;
    int connectedState() override;
    void setUserAgent(const QString& agent) override { m_agent = agent.toUtf8(); }

private:
    OnlineState& m_state;
    Timeouts m_timeouts;
    QByteArray m_agent;
    bool m_networkInformationTried = false;
};

} // namespace glasspane
