// SPDX-License-Identifier: MIT
// Time to list a folder of many files in the main window's file browser:
// the window-free listing, the file list widget, and a whole folder change of the
// main window (list + count + folder list). Offscreen platform.
//
// Usage: file_list_bench [FILES] (default 100000). Creates the files in a
// temporary folder, prints one line per measurement in milliseconds.
#include "core/folder_listing.h"
#include "platform/services.h"
#include "support/main_window_probe.h"
#include "ui/main/file_browser.h"
#include "ui/main/main_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>

namespace {

class NoPrompts final : public soramie::platform::Prompts {
public:
    soramie::platform::Answer message(QWidget*, const soramie::platform::MessageRequest&) override
    {
        return soramie::platform::Answer::Ok;
    }
    QAction* popup(QMenu&, QPoint) override { return nullptr; }
};

class NoPickers final : public soramie::platform::Pickers {
protected:
    QString askOpen(QWidget*, const soramie::platform::Filter&, const QString&) override { return {}; }
    QString askSave(QWidget*, const soramie::platform::Filter&, const QString&) override { return {}; }
    QString askFolder(QWidget*) override { return {}; }
    bool applyTopmost(QWidget*, bool) override { return true; }
};

class NoLauncher final : public soramie::platform::Launcher {
public:
    bool start(const QString&, const QString&) override { return false; }
};

class OnlyInstance final : public soramie::platform::SingleInstance {
public:
    bool anotherIsRunning() override { return false; }
};

class RootOnly final : public soramie::platform::Drives {
public:
    QStringList roots() const override { return {QStringLiteral("/")}; }
};

class NoTray final : public soramie::platform::Tray {
public:
    bool available() const override { return false; }
    void add(const QString&) override {}
    void remove() override {}
    bool shown() const override { return false; }
    void setHandler(std::function<void(soramie::platform::TrayEvent)>) override {}
};

void report(const char* what, const QElapsedTimer& timer, long long count)
{
    std::printf("%-40s %8.1f ms  (%lld entries)\n", what, timer.nsecsElapsed() / 1e6, count);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long files = argc > 1 ? std::atol(argv[1]) : 100000;
    QTemporaryDir dir;
    const QByteArray folder = dir.path().toLocal8Bit() + "/many";
    QDir().mkpath(QString::fromLocal8Bit(folder));
    for (long i = 0; i < files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/server-%06ld.%s", (i * 7919) % files, i % 4 == 0 ? "log" : "txt");
        const int fd = ::open(QByteArray(folder + name).constData(), O_CREAT | O_WRONLY, 0644);
        if (fd >= 0) ::close(fd);
    }
    const QString path = QString::fromLocal8Bit(folder);

    QElapsedTimer timer;
    timer.start();
    const auto listed = soramie::listMatchingFiles(folder.toStdString(), "*.txt");
    report("listMatchingFiles *.txt", timer, listed ? static_cast<long long>(listed->size()) : -1);

    soramie::FileList list;
    timer.restart();
    list.setPath(path);
    report("FileList::setPath *.txt", timer, list.count());

    NoPrompts prompts;
    NoPickers pickers;
    NoLauncher launcher;
    OnlyInstance instance;
    RootOnly drives;
    NoTray tray;
    soramie::platform::AppInfo info;
    info.executableDir = info.defaultStartFolder = info.homeFolder = dir.path();
    info.baseName = QStringLiteral("soramie");
    soramie::MainWindow form(soramie::platform::Services{prompts, pickers, launcher, instance, drives, tray, info});
    form.show();
    QApplication::processEvents();
    timer.restart();
    soramie::testing::ui(form).folderList->setPath(path);
    QApplication::processEvents();
    report("MainWindow folder change (list, count, show)", timer, soramie::testing::ui(form).fileList->count());
    std::printf("panel 1: %s\n", form.panel(1).toUtf8().constData());
    return 0;
}
