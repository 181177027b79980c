#include "platform/linux/single_instance.h"

#include "platform/log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <unistd.h>

namespace glasspane {

SingleInstance::SingleInstance(QString folder, QString name, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)),
      m_name(std::move(name) + u'-' + QString::number(::getuid()))
{}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::socketPath() const
{
    return m_folder + u'/' + m_name + QStringLiteral(".sock");
}

bool SingleInstance::askRunningCopy() const
{
    // The running copy may still be starting: try again for a moment.
    QDeadlineTimer deadline(WaitMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 1)))) {
            socket.write("raise\n");
            socket.waitForBytesWritten(WaitMs);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

bool SingleInstance::FindPreviousInstance()
{
    if (m_server)
        return false;
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(m_folder + u'/' + m_name + QStringLiteral(".lock"));
    // A lock left by a copy that crashed is taken over (QLockFile checks its process).
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        if (!askRunningCopy())
            qCWarning(lcGlasspane) << "another copy holds the lock but does not answer";
        return true;
    }

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left behind belongs to a copy that is gone.
    QLocalServer::removeServer(socketPath());
    if (!m_server->listen(socketPath()))
        qCWarning(lcGlasspane) << "cannot listen for later copies:" << m_server->errorString();
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return false;
}

void SingleInstance::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine(64).trimmed() == "raise")
                    Q_EMIT raiseRequested();
            }
            // Nobody talks at length to us: drop what is not a short line.
            if (socket->bytesAvailable() > 64)
                socket->abort();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read();
    }
}

} // namespace glasspane
