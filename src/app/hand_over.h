// SPDX-License-Identifier: MIT
// Handing a file from a second start of the program to the running one.
//
// The running program listens on a local (Unix domain) socket in the user's
// private runtime folder, beside the single-instance lock; only the owning
// user can connect. A second start sends one absolute path as its bytes, any
// bytes but NUL (line breaks and names that are not UTF-8 included), preceded
// by their count as 4 bytes, most significant first, and waits for "ok\n".
// Everything runs on the GUI thread of each process.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QLocalSocket;
class QSocketNotifier;

namespace soramie::app {

// Longest path the receiver takes; a longer one is dropped.
inline constexpr qsizetype kMaxHandOverBytes = qsizetype{64} * 1024;

// The running program's end. Paths reach `onFile` from the event loop, after
// the sender has had its answer, so a slow display never keeps it waiting.
class FileReceiver final : public QObject {
public:
    FileReceiver(QString socketPath, std::function<void(const QByteArray&)> onFile);
    ~FileReceiver() override;

    // Starts listening. A socket file left by a program that ended without
    // removing it is replaced; call this only while holding the single-instance
    // lock. False when the socket cannot be created.
    bool listen();

private:
    void acceptPending();
    void read(QLocalSocket* socket);

    QString socketPath_;
    std::function<void(const QByteArray&)> onFile_;
    int listener_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

// A second start's end: hands `path` (absolute, as bytes) to the program
// listening at socketPath. Keeps trying to connect until `timeout` has passed,
// since the running program may still be starting. True once the receiver
// confirmed.
bool sendFile(const QString& socketPath, const QByteArray& path, std::chrono::milliseconds timeout);

}  // namespace soramie::app
