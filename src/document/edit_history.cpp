// SPDX-License-Identifier: MIT
#include "document/edit_history.h"

#include <algorithm>
#include <utility>

namespace soramie {

EditHistory::EditHistory(DocumentPtr doc) { reset(std::move(doc)); }

void EditHistory::reset(DocumentPtr doc)
{
    steps_.assign(1, Step{std::move(doc), {}, false});
    current_ = 0;
    saved_ = 0;
    merging_ = false;
}

void EditHistory::recordEdit(DocumentPtr next, ByteOffset caret, EditKind kind, Selection before)
{
    const bool mergeable = merging_ && ((kind == lastKind_ && kind != EditKind::Other && kind != EditKind::LineBreak) ||
                                        (kind == EditKind::LineBreak && lastKind_ == EditKind::Typing));
    // Undoing a step of its own puts the selection back as it was before it.
    if (!mergeable) steps_[current_].selection = before;
    push({std::move(next), {caret, caret}, true}, mergeable);
    merging_ = kind == EditKind::Typing || kind == EditKind::Backspace || kind == EditKind::Delete;
    lastKind_ = kind;
}

const EditHistory::Step& EditHistory::recordCommand(DocumentPtr doc, Selection selection)
{
    push({std::move(doc), selection, false}, false);
    merging_ = false;
    return steps_[current_];
}

void EditHistory::endRun() { merging_ = false; }

void EditHistory::push(Step step, bool mergeable)
{
    if (mergeable && current_ > 0 && current_ != saved_ && current_ + 1 == steps_.size()) {
        steps_[current_].doc = std::move(step.doc);
        steps_[current_].selection = step.selection;
        return;
    }
    steps_.resize(current_ + 1);
    if (saved_ != kNoSave && saved_ > current_) saved_ = kNoSave;
    steps_.push_back(std::move(step));
    ++current_;
}

const EditHistory::Step& EditHistory::undo()
{
    merging_ = false;
    --current_;
    return steps_[current_];
}

const EditHistory::Step& EditHistory::redo()
{
    merging_ = false;
    ++current_;
    return steps_[current_];
}

bool EditHistory::hasUnsavedEdits() const
{
    if (saved_ == current_) return false;
    const std::size_t lo = saved_ == kNoSave ? 0 : std::min(saved_, current_);
    const std::size_t hi = saved_ == kNoSave ? steps_.size() - 1 : std::max(saved_, current_);
    for (std::size_t i = lo + 1; i <= hi; ++i) {
        if (steps_[i].typed) return true;
    }
    return false;
}

void EditHistory::markSaved()
{
    saved_ = current_;
    merging_ = false;
}

void EditHistory::replaceCurrent(DocumentPtr doc) { steps_[current_].doc = std::move(doc); }

void EditHistory::growAll(const DocumentPtr& grown)
{
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (i == current_) {
            steps_[i].doc = grown;
        } else if (DocumentPtr alike = steps_[i].doc->appendedAlike(*grown)) {
            steps_[i].doc = std::move(alike);
        }
    }
}

}  // namespace soramie
