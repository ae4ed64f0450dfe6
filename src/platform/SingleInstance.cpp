#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace fumibako::platform {

namespace {
constexpr int kTimeoutMs = 2000;
}

QString singleInstanceSocketName()
{
    return QStringLiteral("fumibako-") + QString::number(::getuid());
}

SingleInstance::SingleInstance(const QString& socketName, QObject* parent)
    : QObject(parent), m_socketName(socketName)
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(const QString& message)
{
    if (sendToRunning(message))
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nobody answered: a socket file left by a crashed instance may still be there.
    QLocalServer::removeServer(m_socketName);
    if (!m_server->listen(m_socketName))
        return true; // run anyway: refusing to start would be worse than a second instance
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::readConnection);
    return true;
}

bool SingleInstance::sendToRunning(const QString& message)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(message.toUtf8() + '\n');
    socket.waitForBytesWritten(kTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::readConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine())
                Q_EMIT messageReceived(QString::fromUtf8(socket->readLine()).chopped(1));
        });
    }
}

} // namespace fumibako::platform
