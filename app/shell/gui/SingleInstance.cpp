#include "app/shell/gui/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <memory>

#include <unistd.h>

namespace {

// Arguments travel as UTF-8 lines after a first line "activate"; the reply is "ok".
QByteArray Encode(const QStringList& arguments)
{
    QByteArray data = "activate\n";
    for (const QString& a : arguments) {
        QString line = a;
        line.replace(QLatin1Char('\n'), QLatin1Char(' '));
        data += line.toUtf8() + '\n';
    }
    data += '\n';
    return data;
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder))
{
    if (m_folder.isEmpty()) {
        m_folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (m_folder.isEmpty())
            m_folder = QDir::tempPath();
    }
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::LockPath() const
{
    return m_folder + QStringLiteral("/VQXMutex-%1.lock").arg(getuid());
}

QString SingleInstance::SocketPath() const
{
    return m_folder + QStringLiteral("/VQXMutex-%1.socket").arg(getuid());
}

bool SingleInstance::Acquire()
{
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(LockPath());
    // A lock whose process is gone is stale: tryLock takes it over at once.
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    // The socket of a crashed instance may still be there; this process owns the name now.
    QLocalServer::removeServer(SocketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(SocketPath());
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    return true;
}

bool SingleInstance::SendToRunning(const QStringList& arguments, int timeoutMs)
{
    // The first instance may hold the lock before it listens: try again for a while.
    const int step = 100;
    for (int waited = 0; waited <= timeoutMs; waited += step) {
        QLocalSocket socket;
        socket.connectToServer(SocketPath());
        if (socket.waitForConnected(step)) {
            socket.write(Encode(arguments));
            if (!socket.waitForBytesWritten(timeoutMs))
                return false;
            // The message is delivered once written; the reply only confirms it was read.
            if (socket.waitForReadyRead(std::min(timeoutMs, 1000)))
                return socket.readAll().startsWith("ok");
            return false;
        }
        QThread::msleep(step);
    }
    return false;
}

void SingleInstance::OnConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto pending = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, pending] {
            // A message ends with an empty line; anything else (a stray client) is ignored.
            QByteArray& buffer = *pending;
            buffer += socket->readAll();
            if (buffer.size() > 64 * 1024) {
                socket->abort();
                return;
            }
            if (!buffer.endsWith("\n\n") && buffer != "activate\n")
                return;
            QList<QByteArray> lines = buffer.split('\n');
            if (lines.isEmpty() || lines.front() != "activate") {
                socket->abort();
                return;
            }
            QStringList arguments;
            for (int i = 1; i < lines.size(); ++i)
                if (!lines[i].isEmpty())
                    arguments << QString::fromUtf8(lines[i]);
            buffer.clear();
            socket->write("ok\n");
            socket->flush();
            Q_EMIT activated(arguments);
        });
    }
}
