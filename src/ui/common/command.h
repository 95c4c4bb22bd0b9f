// SPDX-License-Identifier: MIT
// Runs long work of a window (wrap, replace, range replace, save, the search
// hit's keyword, the keyword search) without freezing it: the work runs on a
// worker thread while the GUI thread runs a local event loop that keeps
// painting but takes no user input (keys, mouse, close requests wait until the
// work ends). After 150 ms the wait cursor shows; after 1 s a progress bar
// appears in the window's status bar. One command at a time: a second start
// while one runs is refused. Every call happens on the GUI thread; message
// boxes belong before or after the work, never in it.
#pragma once

#include "core/types.h"

#include <atomic>
#include <functional>

class QWidget;

namespace soramie {

enum class CommandOutcome {
    Done,         // the work ran to its end (a pane command: its output is the new document)
    Unchanged,    // a pane command's work kept the document
    Busy,         // another command is running; nothing was done
    OutOfMemory,  // an allocation failed; a pane command leaves the pane's document
};

// Progress of the work: bytes done of a total (any scale), from the worker thread.
using CommandProgress = std::function<void(ByteOffset done, ByteOffset total)>;

// Work of any kind: runs on a worker thread, reports progress, may throw
// std::bad_alloc. What it produces it leaves in the caller's variables, which
// the caller reads once runCommand has returned.
using BackgroundWork = std::function<void(const CommandProgress&)>;

// How a command treats the user while its work runs. The default: input waits
// until the work ends, the wait cursor and the progress bar show, and an
// application quit meanwhile waits for the work.
struct CommandStyle {
    // Held: keys, mouse and close requests wait. Delivered: they reach the
    // windows (the caller has disabled those that must take none).
    enum class Input { Held, Delivered } input = Input::Held;
    // Shown: the wait cursor after 150 ms, the progress bar after 1 s. Own: the
    // window shows its own progress.
    enum class Feedback { Shown, Own } feedback = Feedback::Shown;
    // When set: an application quit while the work runs sets it (the work is
    // to stop soon) and the command waits for the worker without turning the
    // event loop any more.
    std::atomic<bool>* cancelOnQuit = nullptr;
};

// Runs work with a command's feedback over `window` (its top-level window's
// status bar shows the progress). Done when the work returned, OutOfMemory when
// it threw std::bad_alloc, Busy (work not run) while another command runs.
// Events posted to the GUI thread before the call are delivered while the work
// runs, however short it is.
CommandOutcome runCommand(QWidget& window, const BackgroundWork& work, const CommandStyle& style = {});

// While a command runs: the progress its work last reported, in thousandths
// (0 until it reports); -1 while none runs. GUI thread.
int runningCommandProgress();
inline bool commandRunning() { return runningCommandProgress() >= 0; }

}  // namespace soramie
