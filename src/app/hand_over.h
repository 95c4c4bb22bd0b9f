// SPDX-License-Identifier: MIT
// Handing a file from a second start of the program to the running one.
//
// The running program listens on a local (Unix domain) socket in the user's
// runtime folder, beside the single-instance lock; only the owning user can
// connect. A second start sends one absolute path, UTF-8, ended by "\n", and
// waits for "ok\n". Everything runs on the GUI thread of each process.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace soramie::app {

// <runtime folder>/soramie.socket for the current user.
QString defaultHandOverPath();

// Longest message the receiver reads; a longer one is dropped.
inline constexpr qsizetype kMaxHandOverBytes = 64 * 1024;

// The running program's end. Paths reach `onFile` from the event loop, after
// the sender has had its answer, so a slow display never keeps it waiting.
class FileReceiver final : public QObject {
public:
    FileReceiver(QString socketPath, std::function<void(const QString&)> onFile);
    ~FileReceiver() override;

    // Starts listening. A socket file left by a program that ended without
    // removing it is replaced; call this only while holding the single-instance
    // lock. False when the socket cannot be created.
    bool listen();

private:
    void accept();
    void read(QLocalSocket* socket);

    QString socketPath_;
    std::function<void(const QString&)> onFile_;
    QLocalServer* server_ = nullptr;
};

// A second start's end: hands `path` (absolute) to the program listening at
// socketPath. Keeps trying to connect until `timeout` has passed, since the
// running program may still be starting. True once the receiver confirmed.
bool sendFile(const QString& socketPath, const QString& path, std::chrono::milliseconds timeout);

}  // namespace soramie::app
