#include "platform/linux/single_instance.h"

#include "platform/log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QThread>
#include <sys/socket.h>
#include <unistd.h>

namespace glasspane {

namespace {

// The user at the other end of a connection; -1 when it cannot be told.
qint64 peerUser(const QLocalSocket* socket)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials,
                     &size) != 0)
        return -1;
    return credentials.uid;
}

} // namespace

SingleInstance::SingleInstance(QString folder, QString name, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_name(std::move(name))
{}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::socketPath(const QString& folder, const QString& name)
{
    return folder + u'/' + name + u'-' + QString::number(::getuid()) + QStringLiteral(".sock");
}

QString SingleInstance::socketPath() const
{
    return socketPath(m_folder, m_name);
}

SingleInstance::Delivery SingleInstance::send(const QString& socketPath,
                                              const ControlRequest& request, ControlAnswer* answer,
                                              int connectMs, int answerMs)
{
    QLocalSocket socket;
    // A copy that is starting may not listen yet: try again for a moment.
    QDeadlineTimer connecting(connectMs);
    while (true) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(
                int(qBound(qint64(1), connecting.remainingTime(), qint64(1000)))))
            break;
        if (connecting.hasExpired())
            return Delivery::NoCopy;
        QThread::msleep(50);
    }
    socket.write(request.encode());
    QByteArray bytes;
    QDeadlineTimer answering(answerMs);
    // The answer ends when the running copy closes the connection.
    while (socket.state() == QLocalSocket::ConnectedState && !answering.hasExpired()) {
        socket.waitForReadyRead(int(qMax<qint64>(1, answering.remainingTime())));
        bytes += socket.readAll();
        if (bytes.size() > 1024 * 1024)
            break;
    }
    bytes += socket.readAll();
    if (socket.state() == QLocalSocket::ConnectedState)
        return Delivery::NoAnswer;
    if (answer)
        *answer = ControlAnswer::decode(bytes);
    return Delivery::Answered;
}

bool SingleInstance::FindPreviousInstance(const ControlRequest& request)
{
    if (m_server)
        return false;
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(m_folder + u'/' + m_name + u'-' +
                                         QString::number(::getuid()) + QStringLiteral(".lock"));
    // A lock left by a copy that crashed is taken over (QLockFile checks its process).
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        switch (send(socketPath(), request, &m_lastAnswer, WaitMs)) {
        case Delivery::Answered:
            break;
        case Delivery::NoCopy:
            qCWarning(lcGlasspane) << "another copy holds the lock but does not listen";
            m_lastAnswer =
                ControlAnswer::error(QStringLiteral("the running copy cannot be reached"));
            break;
        case Delivery::NoAnswer:
            m_lastAnswer = ControlAnswer::error(QStringLiteral("the running copy did not answer"));
            break;
        }
        return true;
    }

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left behind belongs to a copy that is gone.
    QLocalServer::removeServer(socketPath());
    if (!m_server->listen(socketPath()))
        qCWarning(lcGlasspane) << "cannot listen for later copies:" << m_server->errorString();
    else
        QFile::setPermissions(socketPath(), QFile::ReadOwner | QFile::WriteOwner);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return false;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Only the user who runs the show may steer it.
        if (peerUser(socket) != qint64(::getuid())) {
            qCWarning(lcGlasspane) << "a connection from another user was refused";
            socket->abort();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
        serve(socket);
    }
}

void SingleInstance::serve(QLocalSocket* socket)
{
    if (socket->property("answered").toBool())
        return;
    if (!socket->canReadLine()) {
        // Nobody talks at length to us: drop what cannot be a request.
        if (socket->bytesAvailable() > kMaxControlRequest)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(kMaxControlRequest + 1);
    const std::optional<ControlRequest> request = ControlRequest::decode(line);
    socket->setProperty("answered", true);
    // The answer may come later (the show answers once it has carried a command out); the
    // asker may have gone by then.
    const QPointer<QLocalSocket> asker(socket);
    auto reply = [asker](const ControlAnswer& answer) {
        if (!asker)
            return;
        asker->write(answer.encode());
        // The pending answer is written before the connection closes.
        asker->disconnectFromServer();
    };
    if (!request)
        reply(ControlAnswer::error(QStringLiteral("not a request")));
    else
        answer(*request, reply);
}

void SingleInstance::answer(const ControlRequest& request, const Reply& reply)
{
    if (request.command == u"raise") {
        Q_EMIT raiseRequested();
        reply(ControlAnswer::ok());
    } else if (m_asyncHandler) {
        m_asyncHandler(request, reply);
    } else if (m_handler) {
        reply(m_handler(request));
    } else {
        reply(ControlAnswer::error(QStringLiteral("this copy takes no commands")));
    }
}

} // namespace glasspane
