// SPDX-License-Identifier: MIT
// The pane's commands: work over the pane's document that runs as a command
// (ui/common/command.h) and whose output becomes the pane's document.
#pragma once

#include "core/file_io.h"
#include "core/text_stream.h"
#include "document/document.h"
#include "platform/services.h"
#include "ui/common/command.h"

#include <functional>
#include <optional>

namespace soramie {

class TextPane;

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

// A command's rewrite of doc (Document::rewritten): the new document, which
// keeps doc's file stamp; or nullptr with `failure` set when doc's file changed
// under it (IoStep::Verify) or its spill file could not be written. For use
// inside a CommandWork.
DocumentPtr rewriteForCommand(const Document& doc, ByteRewriter& rewriter, const CommandProgress& progress,
                              std::optional<IoError>& failure);

// The box that tells why a command could not rewrite the pane's text; the text
// stays as it was.
platform::MessageRequest rewriteFailureMessage(const IoError& failure);

}  // namespace soramie
