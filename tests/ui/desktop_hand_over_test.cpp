// SPDX-License-Identifier: MIT
#include "app/hand_over.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

using soramie::app::FileReceiver;
using soramie::app::sendFile;
using namespace std::chrono_literals;

namespace {

// A receiver on a socket in a temporary folder that records what it gets.
struct Receiving {
    QTemporaryDir dir;
    QString socket = dir.path() + "/soramie.socket";
    QStringList received;
    FileReceiver receiver{socket, [this](const QString& path) { received << path; }};
};

// Sends from another thread while this one runs the receiver's event loop.
bool sendWhileReceiving(const QString& socket, const QString& path)
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

TEST(HandOver, a_path_from_a_second_start_reaches_the_running_program_and_the_sender_is_told)
{
    Receiving r;
    ASSERT_TRUE(r.receiver.listen());
    EXPECT_TRUE(sendWhileReceiving(r.socket, "/data/ログ 1.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !r.received.isEmpty(); }));
    EXPECT_EQ(r.received, QStringList{"/data/ログ 1.txt"});
    // Nobody but the owner may connect.
    const QFileInfo info(r.socket);
    EXPECT_FALSE(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
}

TEST(HandOver, without_a_running_program_the_sender_gives_up)
{
    QTemporaryDir dir;
    EXPECT_FALSE(sendFile(dir.path() + "/soramie.socket", "/a.txt", 200ms));
}

TEST(HandOver, a_socket_left_by_a_program_that_died_is_taken_over)
{
    Receiving r;
    {
        QFile stale(r.socket);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(r.receiver.listen());
    EXPECT_TRUE(sendWhileReceiving(r.socket, "/b.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !r.received.isEmpty(); }));
}

TEST(HandOver, malformed_messages_never_reach_the_window_and_the_receiver_keeps_serving)
{
    Receiving r;
    ASSERT_TRUE(r.receiver.listen());
    sendRaw(r.socket, "relative/a.txt\n");
    sendRaw(r.socket, "/unfinished");
    sendRaw(r.socket, QByteArray("/nul\0.txt\n", 10));
    sendRaw(r.socket, "/" + QByteArray(soramie::app::kMaxHandOverBytes + 10, 'x'));
    EXPECT_TRUE(sendWhileReceiving(r.socket, "/good.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !r.received.isEmpty(); }));
    EXPECT_EQ(r.received, QStringList{"/good.txt"});
}
