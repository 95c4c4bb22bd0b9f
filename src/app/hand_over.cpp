// SPDX-License-Identifier: MIT
#include "app/hand_over.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace soramie::app {

namespace {

constexpr char kReply[] = "ok\n";
constexpr qsizetype kLengthBytes = 4;
// A sender that neither finishes its message nor goes away is dropped after this.
constexpr int kReceiveMilliseconds = 5000;
// After an accept that failed for want of descriptors or memory, the listener
// rests this long before it tries again, instead of spinning on the waiting
// connection.
constexpr int kRetryMilliseconds = 100;

QByteArray lengthPrefix(qsizetype size)
{
    const auto n = static_cast<quint32>(size);
    const char bytes[kLengthBytes] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                                      static_cast<char>(n)};
    return QByteArray(bytes, kLengthBytes);
}

qsizetype lengthOf(const QByteArray& prefix)
{
    quint32 n = 0;
    for (qsizetype i = 0; i < kLengthBytes; ++i) n = (n << 8) | static_cast<quint8>(prefix[i]);
    return static_cast<qsizetype>(n);
}

}  // namespace

FileReceiver::FileReceiver(QString socketPath, std::function<void(const QByteArray&)> onFile)
    : socketPath_(std::move(socketPath)), onFile_(std::move(onFile))
{}

FileReceiver::~FileReceiver()
{
    if (listener_ < 0) return;
    ::close(listener_);
    ::unlink(QFile::encodeName(socketPath_).constData());
}

bool FileReceiver::listen()
{
    if (listener_ >= 0) return true;
    const QByteArray path = QFile::encodeName(socketPath_);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    ::unlink(path.constData());  // a socket left by a program that died
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), 0600) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    listener_ = fd;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &FileReceiver::acceptPending);
    return true;
}

void FileReceiver::acceptPending()
{
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            // Too many open files, no memory: the connection waits in the queue
            // and the listener stays; try again a little later.
            notifier_->setEnabled(false);
            QTimer::singleShot(kRetryMilliseconds, this, [this] {
                notifier_->setEnabled(true);
                acceptPending();
            });
            return;
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(fd)) {
            ::close(fd);
            delete socket;
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        QTimer::singleShot(kReceiveMilliseconds, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0) read(socket);
    }
}

void FileReceiver::read(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < kLengthBytes) return;
    const qsizetype size = lengthOf(socket->peek(kLengthBytes));
    if (size < 1 || size > kMaxHandOverBytes || socket->bytesAvailable() > kLengthBytes + size) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < kLengthBytes + size) return;
    socket->skip(kLengthBytes);
    const QByteArray path = socket->read(size);
    if (!path.startsWith('/') || path.contains('\0')) {
        socket->abort();
        return;
    }
    socket->write(kReply);
    socket->flush();
    socket->disconnectFromServer();
    QTimer::singleShot(0, this, [this, path] { onFile_(path); });
}

bool sendFile(const QString& socketPath, const QByteArray& path, std::chrono::milliseconds timeout)
{
    if (path.size() > kMaxHandOverBytes) return false;
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
        if (deadline.hasExpired()) return false;
        QThread::msleep(50);  // the running program has its lock but is not listening yet
    }
    socket.write(lengthPrefix(path.size()) + path);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
    QByteArray reply;
    while (!reply.endsWith('\n') && reply.size() < 8) {
        if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
        reply += socket.readAll();
    }
    return reply == kReply;
}

}  // namespace soramie::app
