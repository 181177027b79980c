#pragma once

#include "platform/internet.h"
#include "platform/whole_file.h"

#include <atomic>
#include <memory>
#include <mutex>

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

// Internet on libcurl. A download runs in a thread of its own; the caller waits for it, and on
// the application's thread keeps handling its events meanwhile (the window paints, timers
// tick, termination is answered). It returns when the body has arrived, the server gave up,
// the connection stalled beyond the time-outs below, the request's time or size bound was
// reached, or the program began closing. The body goes to a temporary file beside the target,
// which replaces the target only when a 2xx response arrived whole with a non-empty body; the
// temporary file goes however the transfer ends. Proxies come from the usual environment
// variables.
class CurlInternet final : public Internet
{
public:
    using Timeouts = CurlTimeouts;

    // The on-line state is shared with the browser side, which listens to its changes.
    explicit CurlInternet(OnlineState& state, Timeouts timeouts = Timeouts());
    ~CurlInternet() override;

    DownloadResult download(const DownloadRequest& request) override;
    void setClosing(bool closing) override;
    bool isOffline() const override;
    void setOffline(bool offline) override;
    int connectedState() override;
    void setUserAgent(const QString& agent) override { m_agent = agent.toUtf8(); }

    struct Job;

private:
    OnlineState& m_state;
    Timeouts m_timeouts;
    QByteArray m_agent;
    bool m_networkInformationTried = false;
    std::atomic<bool> m_closing{false};
    std::mutex m_mutex;             // guards m_current
    std::shared_ptr<Job> m_current; // the download in progress
    WriteFaults m_writeFaults;      // used on the calling thread only
};

} // namespace glasspane
