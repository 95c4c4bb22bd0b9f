// SPDX-License-Identifier: MIT
// FileWatcher: tells when the file a path names may have changed — bytes
// written to it, its name moved or removed, or a file created or moved in
// under its name — without polling: the file and its folder are watched with
// inotify, read through a socket notifier on the GUI thread's event loop. Only
// where inotify cannot watch (no instance, or the watch limit reached) is the
// path checked once a second instead. Lives and signals on the thread that
// made it.
#pragma once

#include <QObject>
#include <string>

class QSocketNotifier;
class QTimer;

namespace soramie::platform {

class FileWatcher : public QObject {
    Q_OBJECT
public:
    explicit FileWatcher(QObject* parent = nullptr);
    ~FileWatcher() override;
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Watches path (replacing what was watched); an empty path stops watching.
    void watch(const std::string& path);
    const std::string& path() const { return path_; }
    // Whether the watch falls back to checking once a second.
    bool polling() const;

signals:
    // Something about the watched path may have changed; the receiver looks
    // (one signal for each batch of events read together).
    void changed();

private:
    void readEvents();
    // (Re)watches the file the path names now; falls back to polling when it
    // cannot.
    void watchFile();
    void unwatch();

    std::string path_;
    std::string name_;  // the last component of path_
    int fd_ = -1;
    int fileWatch_ = -1;
    int folderWatch_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* poll_ = nullptr;
};

}  // namespace soramie::platform
