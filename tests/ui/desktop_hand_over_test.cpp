// SPDX-License-Identifier: MIT
#include "app/hand_over.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <chrono>
#include <cstring>
#include <future>
#include <vector>

using soramie::app::FileReceiver;
using soramie::app::sendFile;
using namespace std::chrono_literals;

namespace {

// A receiver on a socket in a temporary folder that records what it gets.
struct Receiving {
    QTemporaryDir dir;
    QString socket = dir.path() + "/soramie.socket";
    QList<QByteArray> received;
    FileReceiver receiver{socket, [this](const QByteArray& path) { received << path; }};
};

// Sends from another thread while this one runs the receiver's event loop.
bool sendWhileReceiving(const QString& socket, const QByteArray& path)
{
    auto sent = std::async(std::launch::async, [&] { return sendFile(socket, path, 5s); });
    while (sent.wait_for(0ms) != std::future_status::ready) QTest::qWait(5);
    return sent.get();
}

// Writes raw bytes as a misbehaving client would and closes.
void sendRaw(const QString& socket, const QByteArray& bytes)
{
    auto done = std::async(std::launch::async, [&] {
        QLocalSocket client;
        client.connectToServer(socket);
        if (!client.waitForConnected(2000)) return;
        client.write(bytes);
        client.waitForBytesWritten(2000);
        client.disconnectFromServer();
    });
    while (done.wait_for(0ms) != std::future_status::ready) QTest::qWait(5);
}

}  // namespace

TEST(HandOver, AnyPathFromASecondStartReachesTheRunningProgramByteForByte)
{
    Receiving r;
    EXPECT_FALSE(sendFile(r.socket, "/a.txt", 200ms)) << "nobody listens yet";
    QFile stale(r.socket);  // left by a program that died
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    ASSERT_TRUE(r.receiver.listen());
    const QList<QByteArray> paths = {"/data/ログ 1.txt", "/data/a\nb.txt", "/data/\x82\xa0\xff.log"};
    for (const QByteArray& path : paths) EXPECT_TRUE(sendWhileReceiving(r.socket, path)) << path.constData();
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.received.size() == paths.size(); }));
    EXPECT_EQ(r.received, paths);
    // Nobody but the owner may connect.
    const QFileInfo info(r.socket);
    EXPECT_FALSE(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
}

TEST(HandOver, TheReceiverKeepsListeningAfterAnAcceptFailsForWantOfDescriptors)
{
    Receiving r;
    ASSERT_TRUE(r.receiver.listen());
    const int waiting = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(r.socket);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    ASSERT_EQ(::connect(waiting, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const QByteArray message = QByteArray("\0\0\0\x06/a.txt", 10);
    ASSERT_EQ(::write(waiting, message.constData(), 10), 10);

    rlimit old{};
    ::getrlimit(RLIMIT_NOFILE, &old);
    rlimit low = old;
    low.rlim_cur = 256;
    ::setrlimit(RLIMIT_NOFILE, &low);
    std::vector<int> filler;
    for (int fd; (fd = ::dup(waiting)) >= 0;) filler.push_back(fd);
    QCoreApplication::processEvents();  // the accept fails: no descriptor left
    QCoreApplication::processEvents();
    for (int fd : filler) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);

    EXPECT_TRUE(QTest::qWaitFor([&] { return r.received.size() == 1; })) << "the waiting sender is served later";
    EXPECT_TRUE(sendWhileReceiving(r.socket, "/b.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.received.size() == 2; }));
    ::close(waiting);
}

TEST(HandOver, MalformedMessagesNeverReachTheWindowAndTheReceiverKeepsServing)
{
    Receiving r;
    ASSERT_TRUE(r.receiver.listen());
    const auto framed = [](const QByteArray& path) {
        const auto n = static_cast<quint32>(path.size());
        const char prefix[4] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
        return QByteArray(prefix, 4) + path;
    };
    for (const QByteArray& bad :
         {framed("relative/a.txt"), framed("/unfinished").chopped(2), framed(QByteArray("/nul\0.txt", 9)),
          framed("/a.txt") + "trailing", framed("/" + QByteArray(soramie::app::kMaxHandOverBytes + 10, 'x'))})
        sendRaw(r.socket, bad);
    EXPECT_TRUE(sendWhileReceiving(r.socket, "/good.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !r.received.isEmpty(); }));
    EXPECT_EQ(r.received, QList<QByteArray>{"/good.txt"});
}
