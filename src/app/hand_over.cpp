// SPDX-License-Identifier: MIT
#include "app/hand_over.h"

#include "platform/file_names.h"
#include "platform/qt_services.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

namespace soramie::app {

namespace {

constexpr char kReply[] = "ok\n";
// A sender that neither finishes its line nor goes away is dropped after this.
constexpr int kReceiveMilliseconds = 5000;

}  // namespace

QString defaultHandOverPath()
{
    return QFileInfo(platform::LockFileInstance::defaultLockPath()).absolutePath() + QStringLiteral("/soramie.socket");
}

FileReceiver::FileReceiver(QString socketPath, std::function<void(const QString&)> onFile)
    : socketPath_(std::move(socketPath)), onFile_(std::move(onFile))
{}

FileReceiver::~FileReceiver()
{
    if (server_ != nullptr) server_->close();  // removes the socket file
}

bool FileReceiver::listen()
{
    if (server_ != nullptr) return server_->isListening();
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) return false;
    connect(server_, &QLocalServer::newConnection, this, &FileReceiver::accept);
    return true;
}

void FileReceiver::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        QTimer::singleShot(kReceiveMilliseconds, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0) read(socket);
    }
}

void FileReceiver::read(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxHandOverBytes) socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(kMaxHandOverBytes + 1);
    if (!line.endsWith('\n') || line.contains('\0')) {
        socket->abort();
        return;
    }
    const QByteArray bytes = line.chopped(1);
    const QString path = fromNativePath(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!path.startsWith(QLatin1Char('/'))) {
        socket->abort();
        return;
    }
    socket->write(kReply);
    socket->flush();
    socket->disconnectFromServer();
    QTimer::singleShot(0, this, [this, path] { onFile_(path); });
}

bool sendFile(const QString& socketPath, const QString& path, std::chrono::milliseconds timeout)
{
    const QByteArray message = QByteArray::fromStdString(toNativePath(path)) + '\n';
    if (message.size() > kMaxHandOverBytes) return false;
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(50);  // the running program has its lock but is not listening yet
    }
    socket.write(message);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
    QByteArray reply;
    while (!reply.endsWith('\n') && reply.size() < 8) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
        reply += socket.readAll();
    }
    return reply == kReply;
}

}  // namespace soramie::app
