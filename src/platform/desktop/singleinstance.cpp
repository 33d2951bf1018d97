#include "singleinstance.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {
constexpr int timeoutMs = 3000;

QString runtimeFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}
} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , m_socketPath(QDir(runtimeFolder()).filePath(u"%1-%2.socket"_s.arg(name).arg(::getuid())))
{}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::forwardToRunningCopy(const QStringList &files)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (socket.waitForConnected(timeoutMs)) {
        QByteArray message;
        QDataStream stream(&message, QIODevice::WriteOnly);
        stream << files;
        socket.write(message);
        if (socket.waitForBytesWritten(timeoutMs)) {
            socket.disconnectFromServer();
            return true;
        }
    }
    // Nobody answers: this is the first copy (a socket left by one that crashed is taken over). Should
    // even that fail, this copy runs on its own rather than not at all.
    listen();
    return false;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        QLocalServer::removeServer(m_socketPath);
        if (!m_server->listen(m_socketPath))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, client, [this, client] {
                QDataStream stream(client);
                stream.startTransaction();
                QStringList files;
                stream >> files;
                if (!stream.commitTransaction())
                    return; // not all of it has arrived yet
                Q_EMIT activationRequested(files);
            });
        }
    });
    return true;
}

} // namespace kernwick
