// SPDX-License-Identifier: MIT
#include "ui/pane/pane_command.h"

#include "ui/pane/text_pane.h"

#include <QApplication>
#include <QEventLoop>
#include <QMainWindow>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>

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

}  // namespace

CommandOutcome runPaneCommand(TextPane& pane, const CommandWork& work, CommandHistory history)
{
    if (running) return CommandOutcome::Busy;
    running = true;
    const DocumentPtr doc = pane.document();

    // Written by the worker, read by the GUI thread's timers.
    std::atomic<int> permille{0};
    std::atomic<bool> finished{false};
    DocumentPtr result;
    CommandOutcome outcome = CommandOutcome::Unchanged;

    QEventLoop loop;
    std::thread worker([&] {
        try {
            const CommandProgress progress = [&](ByteOffset done, ByteOffset total) {
                if (total.value > 0) permille.store(static_cast<int>(1000 * done.value / total.value));
            };
            result = work(*doc, progress);
            if (result) outcome = CommandOutcome::Done;
        } catch (const std::bad_alloc&) {
            result.reset();
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
    cursorTimer.start(kCursorDelayMs);

    QProgressBar* bar = nullptr;
    QStatusBar* status = nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(pane.window())) status = main->statusBar();
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
    progressTimer.start(kProgressDelayMs);

    while (!finished.load()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();

    cursorTimer.stop();
    progressTimer.stop();
    if (bar) {
        status->removeWidget(bar);
        delete bar;
    }
    if (cursorShown) QApplication::restoreOverrideCursor();
    if (outcome == CommandOutcome::Done) {
        if (history == CommandHistory::Step) {
            pane.setDocumentAsStep(result);
        } else {
            pane.setDocument(result);
        }
    }
    running = false;
    return outcome;
}

}  // namespace soramie
