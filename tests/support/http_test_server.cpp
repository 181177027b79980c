#include "http_test_server.h"

#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimeZone>
#include <QTimer>

namespace glasspane {

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

constexpr qint64 ChunkSize = 256 * 1024;

} // namespace

// Everything here runs in the server's thread, except what the mutex guards.
class HttpTestServerWorker : public QObject
{
public:
    mutable QMutex mutex;
    QHash<QString, HttpTestServer::Route> routes; // guarded
    QList<HttpTestServer::Request> requests;      // guarded

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        QObject::connect(m_server, &QTcpServer::newConnection, this, [this] { accept(); });
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            return 0;
        return m_server->serverPort();
    }

    void shutdown()
    {
        for (QTcpSocket* socket : m_connections.keys())
            socket->abort();
        qDeleteAll(m_connections.keys());
        m_connections.clear();
        delete m_server;
        m_server = nullptr;
    }

private:
    struct Connection
    {
        QByteArray buffer;
        bool busy = false;      // a response is on its way
        bool streaming = false; // its body is being fed
        bool closeAfter = false;
        QByteArray body; // what is left to send
        qint64 sent = 0;
        bool endless = false; // the body is sent over and over
    };

    void accept()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            m_connections.insert(socket, Connection());
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                auto it = m_connections.find(socket);
                if (it == m_connections.end())
                    return;
                it->buffer += socket->readAll();
                next(socket);
            });
            QObject::connect(socket, &QTcpSocket::bytesWritten, this,
                             [this, socket] { pump(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_connections.remove(socket);
                socket->deleteLater();
            });
        }
    }

    // Starts the next request of a connection when it is complete and nothing is pending.
    void next(QTcpSocket* socket)
    {
        auto it = m_connections.find(socket);
        if (it == m_connections.end() || it->busy)
            return;
        const qsizetype end = it->buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = it->buffer.left(end).split('\n');
        HttpTestServer::Request request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        qint64 contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed();
            const QByteArray value = line.mid(colon + 1).trimmed();
            request.headers.append({name, value});
            if (name.compare("content-length", Qt::CaseInsensitive) == 0)
                contentLength = value.toLongLong();
        }
        if (it->buffer.size() < end + 4 + contentLength)
            return; // the request body is still coming
        it->buffer.remove(0, end + 4 + contentLength);
        it->busy = true;
        it->closeAfter = request.header("connection").compare("close", Qt::CaseInsensitive) == 0;

        HttpTestServer::Route route;
        bool found = false;
        {
            QMutexLocker lock(&mutex);
            requests.append(request);
            const QString target = QString::fromUtf8(request.target);
            auto r = routes.constFind(target);
            if (r == routes.cend())
                r = routes.constFind(target.section(QLatin1Char('?'), 0, 0));
            if (r != routes.cend()) {
                route = *r;
                found = true;
            }
        }
        if (!found) {
            route.status = 404;
            route.body = "Not Found";
        }
        if (route.delayMs > 0) {
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(route.delayMs, this, [this, guard, route, request] {
                if (guard)
                    respond(guard, route, request);
            });
        } else {
            respond(socket, route, request);
        }
    }

    void respond(QTcpSocket* socket, const HttpTestServer::Route& route,
                 const HttpTestServer::Request& request)
    {
        auto it = m_connections.find(socket);
        if (it == m_connections.end())
            return;
        int status = route.status;
        if (route.honourIfModifiedSince && route.lastModified.isValid()) {
            const QDateTime since =
                HttpTestServer::parseHttpDate(request.header("if-modified-since"));
            if (since.isValid() &&
                route.lastModified.toSecsSinceEpoch() <= since.toSecsSinceEpoch())
                status = 304;
        }
        const bool withBody = status != 304 && status != 204 && request.method != "HEAD";
        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
        if (route.lastModified.isValid())
            head += "Last-Modified: " + HttpTestServer::httpDate(route.lastModified) + "\r\n";
        for (const auto& h : route.headers)
            head += h.first + ": " + h.second + "\r\n";
        const bool endless = route.mode == HttpTestServer::Mode::Endless && withBody;
        if (status != 304 && status != 204 && !endless)
            head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
        // Without a length the body ends only with the connection.
        it->closeAfter = it->closeAfter || endless;
        head += it->closeAfter ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
        head += "\r\n";
        socket->write(head);

        switch (route.mode) {
        case HttpTestServer::Mode::Stall:
            return; // busy for good: the client has to give up
        case HttpTestServer::Mode::CloseMidBody:
            socket->write(route.body.left(route.body.size() / 2));
            socket->disconnectFromHost();
            return;
        case HttpTestServer::Mode::Drip: {
            // Fast enough to pass any "no byte for a while" bound, never done in practice.
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket,
                             [socket, body = route.body, sent = qsizetype(0)]() mutable {
                                 if (sent < body.size())
                                     socket->write(body.constData() + sent++, 1);
                             });
            timer->start(qMax(1, route.dripMs));
            return;
        }
        case HttpTestServer::Mode::Endless:
        case HttpTestServer::Mode::Normal:
            break;
        }
        it->endless = endless && !route.body.isEmpty();
        it->body = withBody ? route.body : QByteArray();
        it->sent = 0;
        it->streaming = true;
        pump(socket);
    }

    // Feeds the body in chunks so a large one does not sit in memory twice.
    void pump(QTcpSocket* socket)
    {
        auto it = m_connections.find(socket);
        if (it == m_connections.end() || !it->streaming)
            return;
        if (it->endless) {
            while (socket->bytesToWrite() < 4 * ChunkSize)
                socket->write(it->body);
            return;
        }
        while (it->sent < it->body.size() && socket->bytesToWrite() < 4 * ChunkSize) {
            const qint64 n = qMin(ChunkSize, it->body.size() - it->sent);
            socket->write(it->body.constData() + it->sent, n);
            it->sent += n;
        }
        if (it->sent < it->body.size())
            return;
        it->busy = false;
        it->streaming = false;
        it->body.clear();
        it->sent = 0;
        if (it->closeAfter) {
            socket->disconnectFromHost();
            return;
        }
        next(socket);
    }

    QTcpServer* m_server = nullptr;
    QHash<QTcpSocket*, Connection> m_connections;
};

QByteArray HttpTestServer::Request::header(const QByteArray& name) const
{
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

HttpTestServer::HttpTestServer() : m_thread(std::make_unique<QThread>())
{
    m_worker = new HttpTestServerWorker;
    m_worker->moveToThread(m_thread.get());
    m_thread->start();
    QMetaObject::invokeMethod(
        m_worker, [this] { m_port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
}

HttpTestServer::~HttpTestServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { m_worker->shutdown(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
}

QString HttpTestServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

void HttpTestServer::setRoute(const QString& target, const Route& route)
{
    QMutexLocker lock(&m_worker->mutex);
    m_worker->routes.insert(target, route);
}

void HttpTestServer::setPage(const QString& target, const QByteArray& body,
                             const QDateTime& lastModified)
{
    Route route;
    route.body = body;
    route.lastModified = lastModified;
    setRoute(target, route);
}

void HttpTestServer::removeRoute(const QString& target)
{
    QMutexLocker lock(&m_worker->mutex);
    m_worker->routes.remove(target);
}

QList<HttpTestServer::Request> HttpTestServer::requests() const
{
    QMutexLocker lock(&m_worker->mutex);
    return m_worker->requests;
}

int HttpTestServer::requestCount(const QString& target) const
{
    QMutexLocker lock(&m_worker->mutex);
    const QByteArray t = target.toUtf8();
    return int(std::count_if(m_worker->requests.cbegin(), m_worker->requests.cend(),
                             [&](const Request& r) { return r.target == t; }));
}

void HttpTestServer::clearRequests()
{
    QMutexLocker lock(&m_worker->mutex);
    m_worker->requests.clear();
}

QByteArray HttpTestServer::httpDate(const QDateTime& when)
{
    return QLocale::c()
        .toString(when.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toLatin1();
}

QDateTime HttpTestServer::parseHttpDate(const QByteArray& text)
{
    QDateTime when = QLocale::c().toDateTime(QString::fromLatin1(text).trimmed(),
                                             QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    if (!when.isValid())
        return {};
    when.setTimeZone(QTimeZone::utc());
    return when;
}

} // namespace glasspane
