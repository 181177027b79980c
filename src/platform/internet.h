#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

namespace glasspane {

// Flags of the connected state, with the values the update policy knows.
namespace ConnectionFlag {
constexpr int Modem = 0x01;
constexpr int Lan = 0x02;
constexpr int Proxy = 0x04;
constexpr int ModemBusy = 0x08;
constexpr int Offline = 0x20;
constexpr int Configured = 0x40;
} // namespace ConnectionFlag

struct DownloadRequest
{
    QString url;
    // Where the body goes; replaced only when the whole body arrived.
    QString targetFile;
    // Sent as If-Modified-Since when valid.
    QDateTime ifModifiedSince;
    // Read and discard the body (a connection test).
    bool discardBody = false;
};

struct DownloadResult
{
    bool ok = false;          // a response with a 2xx or 304 status arrived in full
    int status = 0;           // HTTP status, 0 when no response
    bool notModified = false; // 304
    QDateTime lastModified;   // invalid when the server gave none
    qint64 bytes = 0;         // body bytes received
    QString contentType;      // the Content-Type the server sent with a 2xx body ("" if none)
    QString error;            // a short reason when !ok
};

// Addresses that need no network: this machine and local files. They stay reachable while
// the process is off-line.
inline bool isLocalAddress(const QString& url)
{
    const QUrl u(url);
    if (u.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0)
        return true;
    const QString host = u.host(); // lower-cased by QUrl
    return host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost") ||
           host == QLatin1String("::1");
}

// Downloads over HTTP(S) with bounded waits, and the process's on-line state.
class Internet
{
public:
    virtual ~Internet() = default;

    virtual DownloadResult download(const DownloadRequest& request) = 0;

    virtual bool isOffline() const = 0;
    virtual void setOffline(bool offline) = 0;
    // ConnectionFlag bits; 0 when there is no connection.
    virtual int connectedState() = 0;
    // The agent name sent with every request.
    virtual void setUserAgent(const QString& agent) = 0;
};

} // namespace glasspane
