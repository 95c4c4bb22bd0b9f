// SPDX-License-Identifier: MIT
// Runs long work of a window (wrap, replace, range replace, save, the search
// hit's keyword) without freezing it: the work runs on a worker thread while
// the GUI thread runs a local event loop that keeps painting but takes no user
// input (keys, mouse, close requests wait until the work ends). After 150 ms
// the wait cursor shows; after 1 s a progress bar appears in the window's
// status bar. One command at a time: a second start while one runs is refused.
// Every call happens on the GUI thread; message boxes belong before or after
// the work, never in it.
#pragma once

#include "document/document.h"

#include <functional>

class QWidget;

namespace soramie {

class TextPane;

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

// Runs work with a command's feedback over `window` (its top-level window's
// status bar shows the progress). Done when the work returned, OutOfMemory when
// it threw std::bad_alloc, Busy (work not run) while another command runs.
// Events posted to the GUI thread before the call are delivered while the work
// runs, however short it is.
CommandOutcome runCommand(QWidget& window, const BackgroundWork& work);

// While a command runs: the progress its work last reported, in thousandths
// (0 until it reports); -1 while none runs. GUI thread.
int runningCommandProgress();
inline bool commandRunning() { return runningCommandProgress() >= 0; }

// The pane's work: reads the document, reports progress, returns the new
// document or nullptr to keep the document. Runs on a worker thread; may throw
// std::bad_alloc.
using CommandWork = std::function<DocumentPtr(const Document&, const CommandProgress&)>;

// What the pane's history makes of the work's output: one undo step (wrap,
// replace), or a new history (a document that replaces the text, such as the
// HTML page).
enum class CommandHistory { Step, Fresh };

// Runs work over the pane's document (an empty document when it shows none) as
// a command; Done when its output became the pane's document.
CommandOutcome runPaneCommand(TextPane& pane, const CommandWork& work, CommandHistory history = CommandHistory::Step);

}  // namespace soramie
