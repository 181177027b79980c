#pragma once

#include "platform/internet.h"
#include "platform/online_state.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <functional>

namespace glasspane {

// A scripted Internet that records every request.
//
//   FakeInternet net;
//   net.setPage("http://h/a.html", "<html>", QDateTime(...));   // 200 with a body
//   net.setFailure("http://h/down");                            // no answer at all
//   net.setResponse("http://h/gone", {.status = 404});
//
// download() answers like the real adapter: a 2xx body is written to the target file (only
// when not empty), If-Modified-Since earns a 304 when the page is not newer (unless
// honourIfModifiedSince is off), unknown addresses fail, and while off-line every address but
// 127.0.0.1, localhost and file: fails with "offline" without being answered (it is still
// recorded in requests(), with blockedOffline set). While closing (setClosing) every download
// is refused as abandoned.
class FakeInternet final : public Internet
{
public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QDateTime lastModified;            // invalid: no Last-Modified header
        bool fail = false;                 // no response at all (connection refused)
        bool honourIfModifiedSince = true; // answer 304 when not newer
        QString contentType;               // sent with a 2xx body
    };

    struct Recorded
    {
        DownloadRequest request;
        bool blockedOffline = false;
    };

    void setResponse(const QString& url, const Response& response) { m_responses[url] = response; }
    void setPage(const QString& url, const QByteArray& body, const QDateTime& lastModified = {})
    {
        Response r;
        r.body = body;
        r.lastModified = lastModified;
        m_responses[url] = r;
    }
    void setFailure(const QString& url)
    {
        Response r;
        r.fail = true;
        m_responses[url] = r;
    }
    void removeResponse(const QString& url) { m_responses.remove(url); }

    // Every download() call in order.
    const QList<Recorded>& requests() const { return m_requests; }
    // Calls that reached the (fake) network, i.e. were not blocked by the off-line state.
    int networkCalls() const;
    int requestCount(const QString& url) const;
    void clearRequests() { m_requests.clear(); }

    // Runs inside every download() before it answers, as the events a real download lets
    // through while it waits.
    std::function<void(const DownloadRequest&)> whileDownloading;

    // What connectedState() answers.
    void setConnectedFlags(int flags) { m_flags = flags; }
    int connectedStateCalls() const { return m_connectedStateCalls; }

    // Every setOffline() call in order, also those that changed nothing.
    const QList<bool>& offlineCalls() const { return m_offlineCalls; }
    OnlineState& onlineState() { return m_state; }
    const QString& userAgent() const { return m_agent; }

    DownloadResult download(const DownloadRequest& request) override;
    // While closing every download is refused as abandoned (and still recorded).
    void setClosing(bool closing) override { m_closing = closing; }
    bool closing() const { return m_closing; }
    bool isOffline() const override { return m_state.isOffline(); }
    void setOffline(bool offline) override
    {
        m_offlineCalls.append(offline);
        m_state.setOffline(offline);
    }
    int connectedState() override
    {
        ++m_connectedStateCalls;
        return m_flags;
    }
    void setUserAgent(const QString& agent) override { m_agent = agent; }

private:
    QHash<QString, Response> m_responses;
    QList<Recorded> m_requests;
    QList<bool> m_offlineCalls;
    OnlineState m_state;
    QString m_agent;
    int m_flags = ConnectionFlag::Lan;
    int m_connectedStateCalls = 0;
    bool m_closing = false;
};

} // namespace glasspane
