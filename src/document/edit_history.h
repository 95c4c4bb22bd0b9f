// SPDX-License-Identifier: MIT
// EditHistory: the undo history of an editor — the documents it has shown since
// its history started, each with the selection to put back. Documents share
// their bytes, so keeping every step costs only what the edits added.
//
// Merging: consecutive edits of the same run make one undo step. A run is
// typing (a LineBreak right after typing joins it), Backspace presses or Delete
// presses; an edit of another kind, a LineBreak or Other edit, endRun(), undo,
// redo, a command step and markSaved() end the run, so the next edit starts a
// step of its own. An edit never merges into the step that matches the file.
//
// Saved state: markSaved() marks the current step as the file's content.
// Undoing or redoing back to it reads as unmodified; a new edit made while the
// saved step lies ahead (after undoing past it) drops the steps ahead, so the
// saved state can no longer be reached and every state reads as modified when
// it holds an edit of the user's own. Steps ahead are always dropped by a new
// edit or command: there is no redo after one.
//
// Window-free; the owner uses it from one thread.
#pragma once

#include <cstddef>
#include <vector>

#include "core/types.h"
#include "document/document.h"

namespace soramie {

// What an edit was, for merging undo steps.
enum class EditKind { Typing, LineBreak, Backspace, Delete, Other };

// A selection as byte offsets on character boundaries: the anchor stays, the caret moves.
struct Selection {
    ByteOffset anchor;
    ByteOffset caret;
    bool operator==(const Selection&) const = default;
};

class EditHistory {
public:
    struct Step {
        DocumentPtr doc;
        Selection selection;
        bool typed = false;  // an edit of the user's own, not a command's output
    };

    // A history that starts at doc (see reset).
    explicit EditHistory(DocumentPtr doc);

    // Starts a new history at doc with the selection at 0: nothing to undo or
    // redo, and doc is the saved state.
    void reset(DocumentPtr doc);
    // Records the user's edit that made `next`, leaving an empty selection at
    // `caret`. `before` is the selection before the edit: undoing to the step
    // the edit leaves puts it back (unless the edit merged into the step).
    void recordEdit(DocumentPtr next, ByteOffset caret, EditKind kind, Selection before);
    // Records a command's output (wrap, replace) as a step of its own with the
    // given selection (at 0 by default); it is no edit of the user's. Returns
    // the new step.
    const Step& recordCommand(DocumentPtr doc, Selection selection = {});
    // The file grew: the current step becomes grown (made by appended from
    // the current step's document) and every other step gains the same bytes
    // where it held the same part of the file (Document::appendedAlike).
    // Selections, the saved state and the run are kept.
    void growAll(const DocumentPtr& grown);
    // The current step reads doc from now on: doc holds the current step's
    // bytes (then possibly more at its end), read from another source, such as
    // the file a save just put in place. Other steps, selections, the saved
    // state and the run are kept.
    void replaceCurrent(DocumentPtr doc);
    // The next edit starts a step of its own (the caret or selection moved).
    void endRun();

    bool canUndo() const { return current_ > 0; }
    bool canRedo() const { return current_ + 1 < steps_.size(); }
    // Steps back / forward and returns the step now current. Only when
    // canUndo() / canRedo().
    const Step& undo();
    const Step& redo();
    const Step& current() const { return steps_[current_]; }
    // The document the history started at: every step was made from it.
    const DocumentPtr& start() const { return steps_.front().doc; }

    // Whether a step between the saved state and the current one (or any step,
    // when the saved state is unreachable) is an edit of the user's own.
    bool hasUnsavedEdits() const;
    // The current step is what the file now holds.
    void markSaved();

private:
    void push(Step step, bool mergeable);

    std::vector<Step> steps_;
    std::size_t current_ = 0;
    static constexpr std::size_t kNoSave = static_cast<std::size_t>(-1);
    std::size_t saved_ = 0;  // the step that matches the file, or kNoSave
    // The last edit, while the next one may merge into its step.
    bool merging_ = false;
    EditKind lastKind_ = EditKind::Other;
};

}  // namespace soramie
