#include "samples/common/gui/SuiteBroadcast.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace vqxclient {

QString SuiteBroadcast::Folder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QDir(base).exists())
        base = QDir::tempPath();
    const QString folder = base + QStringLiteral("/vqx-suite-%1").arg(getuid());
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

int SuiteBroadcast::Send(const QString& message, int timeoutMs)
{
    const QDir folder(Folder());
    int heard = 0;
    const QByteArray line = message.toUtf8() + '\n';
    for (const QString& name : folder.entryList(QDir::System | QDir::Files)) {
        const QString path = folder.filePath(name);
        QLocalSocket socket;
        socket.connectToServer(path);
        if (!socket.waitForConnected(500)) {
            if (socket.error() == QLocalSocket::ConnectionRefusedError || socket.error() == QLocalSocket::ServerNotFoundError)
                QFile::remove(path); // a program that ended without removing its socket
            continue;
        }
        socket.write(line);
        socket.waitForBytesWritten(500);
        if (timeoutMs > 0) {
            // Answered once the listener's program has taken the message.
            QElapsedTimer clock;
            clock.start();
            while (!socket.canReadLine() && clock.elapsed() < timeoutMs)
                socket.waitForReadyRead(int(timeoutMs - clock.elapsed()));
            if (socket.canReadLine())
                ++heard;
        } else {
            ++heard;
        }
        socket.disconnectFromServer();
    }
    return heard;
}

SuiteListener::SuiteListener(const QString& program, QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    const QString path = SuiteBroadcast::Folder() + QStringLiteral("/%1-%2-%3")
                                                        .arg(program)
                                                        .arg(QCoreApplication::applicationPid())
                                                        .arg(quintptr(this), 0, 16);
    QLocalServer::removeServer(path);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(path);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    const QString message = QString::fromUtf8(socket->readLine()).trimmed();
                    Q_EMIT received(message);
                    socket->write("ok\n");
                    socket->flush();
                }
            });
        }
    });
}

SuiteListener::~SuiteListener()
{
    m_server->close();
}

bool SuiteListener::Listening() const
{
    return m_server->isListening();
}

} // namespace vqxclient
