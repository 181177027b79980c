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

// The bounds of a download when its caller names none: five minutes, 200 MB.
inline constexpr int kDefaultDownloadSeconds = 300;
inline constexpr qint64 kDefaultDownloadBytes = 200 * 1024 * 1024;

struct DownloadRequest
{
    QString url;
    // Where the body goes; replaced only when the whole body arrived.
    QString targetFile;
    // Sent as If-Modified-Since when valid.
    QDateTime ifModifiedSince;
    // Read and discard the body (a connection test).
    bool discardBody = false;
    // The transfer fails, keeping the old copy, once it has taken this long in all (redirects
    // included) or its body grows beyond maxBytes. 0 or less: the default.
    int maxSeconds = kDefaultDownloadSeconds;
    qint64 maxBytes = kDefaultDownloadBytes;
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
    // The body arrived but could not be written (a full disk): the target keeps what it held.
    bool writeFailed = false;
    // Ended or refused by the program itself (it is ending, or another download is still
    // waiting): this says nothing about the network.
    bool abandoned = false;
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

    // Returns once the transfer has ended. Transfers run one at a time: one asked for while
    // another is still waiting is refused at once (abandoned), and its caller keeps the copy
    // it has. An adapter may let the calling thread handle its events meanwhile.
    virtual DownloadResult download(const DownloadRequest& request) = 0;
    // While closing, the download in progress ends at once and every new one is refused, both
    // as abandoned: the program is ending and waits for no server.
    virtual void setClosing(bool closing) = 0;

    virtual bool isOffline() const = 0;
    virtual void setOffline(bool offline) = 0;
    // ConnectionFlag bits; 0 when there is no connection.
    virtual int connectedState() = 0;
    // The agent name sent with every request.
    virtual void setUserAgent(const QString& agent) = 0;
};

} // namespace glasspane
