#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

class QThread;

namespace glasspane {

class HttpTestServerWorker;

// A small HTTP/1.1 server on 127.0.0.1 for tests. It runs in a thread of its own, so a test
// may call blocking clients (libcurl) from its own thread, and it answers scripted routes:
//
//   HttpTestServer server;                       // listening once constructed
//   HttpTestServer::Route page;
//   page.body = "<html>hello</html>";
//   page.lastModified = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), QTimeZone::utc());
//   server.setRoute("/a.html", page);
//   download(server.url("/a.html"));
//   QCOMPARE(server.requests().size(), 1);
//   QCOMPARE(server.requests().first().header("user-agent"), "Glasspane ...");
//
// A route is found by the request's whole target ("/p?x=1"), else by its path alone. Unknown
// targets get 404. Connections are kept alive unless the client asks to close them.
class HttpTestServer
{
public:
    enum class Mode {
        Normal,       // the whole response
        CloseMidBody, // headers with the full Content-Length, half the body, then close
        Stall,        // headers, then nothing at all until the client gives up
        Drip,         // headers with the full Content-Length, then one byte every dripMs
        Endless,      // headers without a length, then the body over and over, for good
    };

    struct Route
    {
        int status = 200;
        QByteArray body;
        QDateTime lastModified;                       // sent as Last-Modified when valid
        QList<QPair<QByteArray, QByteArray>> headers; // further headers, sent as given
        // Answer 304 when If-Modified-Since is not older than lastModified.
        bool honourIfModifiedSince = true;
        Mode mode = Mode::Normal;
        int delayMs = 0;  // wait this long before answering
        int dripMs = 200; // Drip: the pause between two bytes
    };

    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query as sent
        QList<QPair<QByteArray, QByteArray>> headers;
        // The first header of that name (compared without regard to case), or empty.
        QByteArray header(const QByteArray& name) const;
    };

    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path.
    QString url(const QString& path = QStringLiteral("/")) const;

    void setRoute(const QString& target, const Route& route);
    // A 200 route with this body.
    void setPage(const QString& target, const QByteArray& body, const QDateTime& lastModified = {});
    void removeRoute(const QString& target);

    // Requests seen so far, in order of arrival.
    QList<Request> requests() const;
    int requestCount(const QString& target) const;
    void clearRequests();

    // The HTTP date form ("Tue, 02 Jan 2024 03:04:05 GMT") and back; invalid on bad text.
    static QByteArray httpDate(const QDateTime& when);
    static QDateTime parseHttpDate(const QByteArray& text);

private:
    std::unique_ptr<QThread> m_thread;
    HttpTestServerWorker* m_worker = nullptr; // lives in m_thread
    quint16 m_port = 0;
};

} // namespace glasspane
