// SPDX-License-Identifier: MIT
#include "platform/file_watcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cerrno>
#include <cstring>

namespace soramie::platform {

namespace {

constexpr std::uint32_t kFileEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVE_SELF | IN_DELETE_SELF;
constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr int kPollMs = 1000;

}  // namespace

FileWatcher::FileWatcher(QObject* parent) : QObject(parent)
{
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &FileWatcher::readEvents);
    }
    poll_ = new QTimer(this);
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &FileWatcher::changed);
}

FileWatcher::~FileWatcher()
{
    if (notifier_) notifier_->setEnabled(false);
    if (fd_ >= 0) ::close(fd_);
}

bool FileWatcher::polling() const { return poll_->isActive(); }

void FileWatcher::unwatch()
{
    if (fd_ >= 0) {
        if (fileWatch_ >= 0) ::inotify_rm_watch(fd_, fileWatch_);
        if (folderWatch_ >= 0) ::inotify_rm_watch(fd_, folderWatch_);
    }
    fileWatch_ = folderWatch_ = -1;
    poll_->stop();
}

void FileWatcher::watch(const std::string& path)
{
    unwatch();
    path_ = path;
    if (path.empty()) return;
    const auto slash = path.rfind('/');
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string folder =
        slash == std::string::npos ? std::string(".") : (slash == 0 ? std::string("/") : path.substr(0, slash));
    if (fd_ >= 0) folderWatch_ = ::inotify_add_watch(fd_, folder.c_str(), kFolderEvents | IN_ONLYDIR);
    watchFile();
}

void FileWatcher::watchFile()
{
    if (fd_ >= 0 && fileWatch_ >= 0) ::inotify_rm_watch(fd_, fileWatch_);
    fileWatch_ = fd_ >= 0 ? ::inotify_add_watch(fd_, path_.c_str(), kFileEvents) : -1;
    // Without a folder watch a new file at the path would go unseen; without
    // a file watch (and no file yet) the folder watch finds it when it comes.
    const bool blind = folderWatch_ < 0 || (fileWatch_ < 0 && errno != ENOENT);
    if (blind && !poll_->isActive()) poll_->start();
    if (!blind) poll_->stop();
}

void FileWatcher::readEvents()
{
    alignas(inotify_event) std::array<char, 16384> buffer{};
    bool relevant = false;
    bool rewatch = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const char* name = buffer.data() + at + sizeof event;
            at += static_cast<ssize_t>(sizeof event + event.len);
            if (event.wd == fileWatch_) {
                relevant = true;
                if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) rewatch = true;
            } else if (event.wd == folderWatch_ && event.len > 0 && name_ == name) {
                relevant = true;
                rewatch = true;
            } else if (event.mask & IN_Q_OVERFLOW) {
                relevant = rewatch = true;
            }
        }
    }
    if (path_.empty()) return;
    if (rewatch) watchFile();
    if (relevant) emit changed();
}

}  // namespace soramie::platform
