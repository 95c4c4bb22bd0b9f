// SPDX-License-Identifier: MIT
#include "ui/common/command.h"

#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <new>
#include <thread>

namespace soramie {
namespace {

constexpr int kCursorDelayMs = 150;
constexpr int kProgressDelayMs = 1000;
constexpr int kProgressTickMs = 100;

// Set while a command runs (GUI thread only).
bool running = false;
// The running command's progress in thousandths: written by its worker, read
// by the GUI thread.
std::atomic<int> permille{0};

}  // namespace

int runningCommandProgress() { return running ? permille.load() : -1; }

CommandOutcome runCommand(QWidget& window, const BackgroundWork& work, const CommandStyle& style)
{
    if (running) return CommandOutcome::Busy;
    running = true;
    permille.store(0);

    std::atomic<bool> finished{false};
    CommandOutcome outcome = CommandOutcome::Done;

    QEventLoop loop;
    std::thread worker([&] {
        try {
            work([](ByteOffset done, ByteOffset total) {
                if (total.value > 0)
                    permille.store(static_cast<int>(1000 * std::min(done.value, total.value) / total.value));
            });
        } catch (const std::bad_alloc&) {
            outcome = CommandOutcome::OutOfMemory;
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    bool cursorShown = false;
    QTimer cursorTimer;
    cursorTimer.setSingleShot(true);
    QObject::connect(&cursorTimer, &QTimer::timeout, [&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        cursorShown = true;
    });
    if (style.feedback == CommandStyle::Feedback::Shown) cursorTimer.start(kCursorDelayMs);

    QProgressBar* bar = nullptr;
    QStatusBar* status = nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(window.window())) status = main->statusBar();
    QTimer progressTimer;
    QObject::connect(&progressTimer, &QTimer::timeout, [&] {
        if (!bar && status) {
            bar = new QProgressBar(status);
            bar->setRange(0, 1000);
            bar->setTextVisible(false);
            bar->setMaximumWidth(200);
            // No taller than a line of the status bar's text, so the bar never
            // grows the status bar (and with it the window).
            bar->setFixedHeight(status->fontMetrics().height());
            status->addPermanentWidget(bar);
            bar->show();
        }
        if (bar) bar->setValue(permille.load());
        progressTimer.start(kProgressTickMs);
    });
    progressTimer.setSingleShot(true);
    if (style.feedback == CommandStyle::Feedback::Shown) progressTimer.start(kProgressDelayMs);

    // At least one pass: the quit the worker posts ends it, after the events
    // posted before.
    const auto flags =
        style.input == CommandStyle::Input::Held ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents;
    do {
        loop.exec(flags);
        // Left early: the application quits.
        if (!finished.load() && style.cancelOnQuit != nullptr) {
            style.cancelOnQuit->store(true);
            break;
        }
    } while (!finished.load());
    worker.join();

    cursorTimer.stop();
    progressTimer.stop();
    if (bar) {
        status->removeWidget(bar);
        delete bar;
    }
    if (cursorShown) QApplication::restoreOverrideCursor();
    running = false;
    return outcome;
}

}  // namespace soramie
