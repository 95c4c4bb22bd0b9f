// SPDX-License-Identifier: MIT
// Runs a command over the pane's document (wrap, replace, range replace): the
// work runs on a worker thread while the GUI thread runs a local event loop that
// keeps painting but takes no user input (keys, mouse, close requests wait until
// the command ends). After 150 ms the wait cursor shows; after 1 s a progress bar
// appears in the window's status bar. One command at a time: a second start while
// one runs is refused. Every call happens on the GUI thread.
#pragma once

#include "document/document.h"

#include <functional>

namespace soramie {

class TextPane;

enum class CommandOutcome {
    Done,         // the work's output is the pane's new document
    Unchanged,    // the work kept the document
    Busy,         // another command is running; nothing was done
    OutOfMemory,  // an allocation failed; the pane keeps its document
};

// Progress of the work: bytes done of a total (any scale), from the worker thread.
using CommandProgress = std::function<void(ByteOffset done, ByteOffset total)>;
// The work: reads the document, reports progress, returns the new document or
// nullptr to keep the document. Runs on a worker thread; may throw std::bad_alloc.
using CommandWork = std::function<DocumentPtr(const Document&, const CommandProgress&)>;

// What the pane's history makes of the work's output: one undo step (wrap,
// replace), or a new history (a document that replaces the text, such as the
// HTML page).
enum class CommandHistory { Step, Fresh };

CommandOutcome runPaneCommand(TextPane& pane, const CommandWork& work, CommandHistory history = CommandHistory::Step);

}  // namespace soramie
