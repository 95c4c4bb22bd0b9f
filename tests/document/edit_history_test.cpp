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

TEST(EditHistory, RunsOfTypingBackspaceOrDeleteMergeAndALineBreakJoinsTheTypingBeforeIt)
{
    EditHistory h(doc(""));
    edit(h, "a", EditKind::Typing);
    edit(h, "ab", EditKind::Typing);
    edit(h, "ab\r\n", EditKind::LineBreak);
    edit(h, "ab\r", EditKind::Backspace);
    edit(h, "ab", EditKind::Backspace);
    edit(h, "a", EditKind::Delete);
    edit(h, "", EditKind::Delete);
    EXPECT_EQ(undoAll(h), (States{"ab", "ab\r\n", ""}));
}

TEST(EditHistory, OtherEditsLineBreaksAndKindChangesStartAStepOfTheirOwn)
{
    EditHistory h(doc(""));
    edit(h, "x", EditKind::Other);   // a paste: never merges
    edit(h, "xy", EditKind::Other);  // nor does the next one into it
    edit(h, "xy\r\n", EditKind::LineBreak);
    edit(h, "xy\r\nz", EditKind::Typing);  // typing after a line break starts anew
    edit(h, "xy\r\n", EditKind::Backspace);
    edit(h, "xy\r\nw", EditKind::Typing);
    EXPECT_EQ(undoAll(h), (States{"xy\r\n", "xy\r\nz", "xy\r\n", "xy", "x", ""}));
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

TEST(EditHistory, UndoingBackToTheSavedStateReadsUnmodified)
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
}

TEST(EditHistory, ANewEditAfterUndoingPastTheSavedStateMakesItUnreachable)
{
    EditHistory h(doc("a"));
    edit(h, "ab", EditKind::Typing);
    h.markSaved();
    h.undo();
    edit(h, "aX", EditKind::Other);
    EXPECT_FALSE(h.canRedo());
    EXPECT_TRUE(h.hasUnsavedEdits());
    h.undo();  // the start, which is not what the file holds
    EXPECT_EQ(now(h), "a");
    EXPECT_TRUE(h.hasUnsavedEdits());
}

TEST(EditHistory, ACommandStepAloneIsNoUnsavedEdit)
{
    EditHistory h(doc("a b"));
    h.recordCommand(doc("a\r\nb"));
    EXPECT_FALSE(h.hasUnsavedEdits());
    EXPECT_EQ(h.current().selection, Selection{});
    edit(h, "a\r\nbc", EditKind::Typing);
    EXPECT_TRUE(h.hasUnsavedEdits());
    h.undo();
    EXPECT_FALSE(h.hasUnsavedEdits());
}

TEST(EditHistory, ANewEditOrCommandDropsTheStepsToRedo)
{
    EditHistory h(doc(""));
    edit(h, "a", EditKind::Other);
    edit(h, "ab", EditKind::Other);
    h.undo();
    ASSERT_TRUE(h.canRedo());
    edit(h, "aZ", EditKind::Other);
    EXPECT_FALSE(h.canRedo());
    h.undo();
    h.recordCommand(doc("A"));
    EXPECT_FALSE(h.canRedo());
    EXPECT_EQ(undoAll(h), (States{"a", ""}));
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
