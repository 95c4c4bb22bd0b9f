// SPDX-License-Identifier: MIT
#include "document/edit_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace soramie {
namespace {

DocumentPtr doc(std::string bytes) { return Document::fromBytes(std::move(bytes)); }

// The bytes of the current step.
std::string now(const EditHistory& h) { return h.current().doc->bytesForSave(); }

// Undoes every step and returns the bytes seen on the way, newest first.
std::vector<std::string> undoAll(EditHistory& h)
{
    std::vector<std::string> seen;
    while (h.canUndo()) seen.push_back(h.undo().doc->bytesForSave());
    return seen;
}

// Records an edit that leaves `bytes`, with the caret at their end.
void edit(EditHistory& h, const std::string& bytes, EditKind kind)
{
    h.recordEdit(doc(bytes), ByteOffset(bytes.size()), kind, h.current().selection);
}

using States = std::vector<std::string>;

// Each row: the edits made, one after the other from an empty document, and
// the bytes that undoing every step shows, newest first.
TEST(EditHistory, RunsOfTypingBackspaceOrDeleteMergeAndOtherEditsOrKindChangesStartAStep)
{
    using K = EditKind;
    const struct {
        std::vector<std::pair<std::string, EditKind>> edits;
        States undone;
    } cases[] = {
        // A line break joins the typing before it.
        {{{"a", K::Typing},
          {"ab", K::Typing},
          {"ab\r\n", K::LineBreak},
          {"ab\r", K::Backspace},
          {"ab", K::Backspace},
          {"a", K::Delete},
          {"", K::Delete}},
         {"ab", "ab\r\n", ""}},
        // A paste never merges, nor does the next edit into it; typing after a line break starts anew.
        {{{"x", K::Other},
          {"xy", K::Other},
          {"xy\r\n", K::LineBreak},
          {"xy\r\nz", K::Typing},
          {"xy\r\n", K::Backspace},
          {"xy\r\nw", K::Typing}},
         {"xy\r\n", "xy\r\nz", "xy\r\n", "xy", "x", ""}},
    };
    for (const auto& c : cases) {
        EditHistory h(doc(""));
        for (const auto& [bytes, kind] : c.edits) edit(h, bytes, kind);
        EXPECT_EQ(undoAll(h), c.undone);
    }
}

TEST(EditHistory, EndingTheRunUndoRedoAndCommandsKeepTheNextEditApart)
{
    EditHistory h(doc(""));
    edit(h, "a", EditKind::Typing);
    h.endRun();  // the caret moved
    edit(h, "ab", EditKind::Typing);
    h.recordCommand(doc("AB"));
    edit(h, "ABc", EditKind::Typing);
    h.undo();
    h.redo();
    edit(h, "ABcd", EditKind::Typing);
    EXPECT_EQ(undoAll(h), (States{"ABc", "AB", "ab", "a", ""}));
}

TEST(EditHistory, UndoPutsBackTheSelectionBeforeTheStepAndRedoTheCaretAfterIt)
{
    EditHistory h(doc("hello"));
    const Selection word{ByteOffset(1), ByteOffset(4)};
    h.recordEdit(doc("hXo"), ByteOffset(2), EditKind::Typing, word);
    h.recordEdit(doc("hXYo"), ByteOffset(3), EditKind::Typing, {ByteOffset(2), ByteOffset(2)});
    EXPECT_EQ(h.undo().selection, word);
    EXPECT_EQ(h.redo().selection, (Selection{ByteOffset(3), ByteOffset(3)}));
}

TEST(EditHistory, OnlyTheSavedStepReadsUnmodifiedAndANewEditAfterUndoingPastItMakesItUnreachable)
{
    EditHistory h(doc("a"));
    EXPECT_FALSE(h.hasUnsavedEdits());
    edit(h, "ab", EditKind::Typing);
    h.markSaved();
    edit(h, "abc", EditKind::Typing);  // no merge into the saved step
    EXPECT_TRUE(h.hasUnsavedEdits());
    h.undo();
    EXPECT_EQ(now(h), "ab");
    EXPECT_FALSE(h.hasUnsavedEdits());
    h.undo();  // before the saved state: modified as well
    EXPECT_TRUE(h.hasUnsavedEdits());
    h.redo();
    EXPECT_FALSE(h.hasUnsavedEdits());
    h.undo();
    edit(h, "aX", EditKind::Other);
    EXPECT_FALSE(h.canRedo());
    h.undo();  // the start, which is not what the file holds
    EXPECT_EQ(now(h), "a");
    EXPECT_TRUE(h.hasUnsavedEdits());
}

// A new edit after an undo drops the steps to redo as well (the saved-step test).
TEST(EditHistory, ACommandStepAloneIsNoUnsavedEditAndDropsTheStepsToRedo)
{
    EditHistory h(doc("a b"));
    edit(h, "a bc", EditKind::Typing);
    h.undo();
    h.recordCommand(doc("a\r\nb"));
    EXPECT_FALSE(h.canRedo());
    EXPECT_FALSE(h.hasUnsavedEdits());
    EXPECT_EQ(h.current().selection, Selection{});
    edit(h, "a\r\nbc", EditKind::Typing);
    EXPECT_TRUE(h.hasUnsavedEdits());
    h.undo();
    EXPECT_FALSE(h.hasUnsavedEdits());
    EXPECT_EQ(undoAll(h), (States{"a b"}));
}

TEST(EditHistory, ResetStartsANewSavedHistory)
{
    EditHistory h(doc("a"));
    edit(h, "ab", EditKind::Typing);
    const DocumentPtr next = doc("new");
    h.reset(next);
    EXPECT_EQ(h.start(), next);
    EXPECT_FALSE(h.canUndo());
    EXPECT_FALSE(h.canRedo());
    EXPECT_FALSE(h.hasUnsavedEdits());
    edit(h, "newer", EditKind::Typing);
    edit(h, "newest", EditKind::Typing);
    EXPECT_EQ(undoAll(h), (States{"new"}));
}

}  // namespace
}  // namespace soramie
