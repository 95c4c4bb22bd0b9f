// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "core/cp932.h"
#include "ui/pane/pane_command.h"
#include "ui/pane/text_pane.h"

#include <atomic>
#include <new>
#include <thread>

namespace soramie {
namespace {

class PaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane.resize(420, 220);
        pane.show();
        cell = pane.cellSize();
    }
    // Shows CP932 bytes.
    void show(std::string bytes)
    {
        auto doc = Document::fromBytes(std::move(bytes));
        doc->waitIndexed();
        pane.setDocument(doc);
    }
    // Middle of cell (column, row) of the viewport.
    QPoint at(int column, int row) const
    {
        return {column * cell.width() + cell.width() / 4, row * cell.height() + cell.height() / 2};
    }
    void click(int column, int row, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(pane.viewport(), Qt::LeftButton, mods, at(column, row));
    }
    void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(&pane, static_cast<Qt::Key>(k), mods); }
    std::pair<qint64, qint64> sel() const { return {pane.selectionStart(), pane.selectionLength()}; }

    // Pixels that differ from the background in a viewport rectangle.
    static int ink(const QImage& img, QRect r)
    {
        const QRgb bg = img.pixel(img.width() - 2, img.height() - 2);
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += img.pixel(x, y) != bg;
        return n;
    }
    QRect cells(int column, int row, int width) const
    {
        // Leaves out the top and bottom pixel rows, where the focus frame may run.
        return {column * cell.width(), row * cell.height() + 1, width * cell.width(), cell.height() - 2};
    }

    TextPane pane;
    QSize cell;
};

// 日本語 = 93FA 967B 8CEA; あ = 82A0.
const std::string kJapanese = "\x93\xFA\x96\x7B\x8C\xEA";

TEST_F(PaneTest, DrawsJapaneseGlyphsHexCellsAndTabsOnTheCellGrid)
{
    show(kJapanese + "\tA\x81\x20\x01\r\n\x82\xA0");
    const QImage img = pane.viewport()->grab().toImage();
    // Each kanji takes two cells and has ink.
    for (int k = 0; k < 3; ++k) EXPECT_GT(ink(img, cells(2 * k, 0, 2)), 10) << "kanji " << k;
    // TAB from cell 6 to 8 is blank; A sits in cell 8, the undecodable 0x81 and
    // the control character in cells 9 and 11 (the space in 10).
    EXPECT_EQ(ink(img, cells(6, 0, 2)), 0);
    EXPECT_GT(ink(img, cells(8, 0, 1)), 3);
    EXPECT_GT(ink(img, cells(9, 0, 1)), 3);
    EXPECT_EQ(ink(img, cells(10, 0, 1)), 0);
    EXPECT_GT(ink(img, cells(11, 0, 1)), 3);
    // Nothing after the line, and あ on the second line.
    EXPECT_EQ(ink(img, cells(12, 0, 10)), 0);
    EXPECT_GT(ink(img, cells(0, 1, 2)), 10);
}

TEST_F(PaneTest, SelectionApiCountsCharactersIncludingUndecodableBytes)
{
    show("ab" + kJapanese + "\x81\x20z\r\nxy");
    pane.setSelection(2, 4);  // 日本語 + the raw 0x81
    EXPECT_EQ(sel(), std::make_pair(qint64(2), qint64(4)));
    EXPECT_EQ(pane.selectedText(), QString::fromUtf16(u"日本語") + QChar(0xDC81));
    pane.setSelection(8, 2);  // CR LF are two characters
    EXPECT_EQ(pane.selectedText(), QStringLiteral("\r\n"));
    pane.setSelection(100, 5);  // past the end: clamped
    EXPECT_EQ(sel(), std::make_pair(qint64(12), qint64(0)));
}

TEST_F(PaneTest, KeyboardMovesAndExtendsBySelectionRules)
{
    pane.setFocus();
    show("abc" + kJapanese + "\r\n0123456789\r\nxy");
    key(Qt::Key_Right);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(sel(), std::make_pair(qint64(1), qint64(2)));
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(sel(), std::make_pair(qint64(1), qint64(5)));
    // Right from the line end steps over CR LF as one move.
    key(Qt::Key_Right);
    EXPECT_EQ(sel(), std::make_pair(qint64(6), qint64(0)));  // collapses to the end
    key(Qt::Key_Right);
    EXPECT_EQ(sel(), std::make_pair(qint64(8), qint64(0)));
    // Up/Down keep the cell column: cell 4 of line 1 is the middle of 本 in line 0.
    for (int i = 0; i < 4; ++i) key(Qt::Key_Right);
    key(Qt::Key_Up);
    EXPECT_EQ(pane.selectionStart(), 3);  // cell 4 lies inside 日 (cells 3-4): before it
    key(Qt::Key_Down);
    EXPECT_EQ(pane.selectionStart(), 12);
    key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sel(), std::make_pair(qint64(12), qint64(10)));
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(sel(), std::make_pair(qint64(0), qint64(0)));
    // Ctrl+Right / Ctrl+Left stop where the word class changes (ASCII, kanji,
    // kana) and skip the spaces after a word.
    pane.setDocument(Document::fromText(u"ab 日本語かなカナ  x.y\r\nz").document);
    std::vector<qint64> stops;
    for (int i = 0; i < 8; ++i) {
        key(Qt::Key_Right, Qt::ControlModifier);
        stops.push_back(pane.selectionStart());
    }
    EXPECT_EQ(stops, (std::vector<qint64>{3, 6, 8, 12, 13, 14, 15, 17}));
    for (int i = 0; i < 3; ++i) key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(pane.selectionStart(), 13);
    key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(sel(), std::make_pair(qint64(8), qint64(5)));
}

TEST_F(PaneTest, CtrlACtrlCCopiesUnicodeAndContextMenuOffersBoth)
{
    pane.setFocus();
    show(kJapanese + "\x81\x20!");
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf16(u"日本語\uFFFD !"));
    pane.setSelection(0, 0);
    std::unique_ptr<QMenu> menu(pane.createContextMenu());
    QStringList enabled;
    for (QAction* a : menu->actions()) {
        if (a->isEnabled() && !a->isSeparator()) enabled << a->text();
    }
    // Nothing selected and nothing done: no undo, cut, copy or delete.
    EXPECT_EQ(enabled, (QStringList{QStringLiteral("貼り付け(&P)"), QStringLiteral("すべて選択(&A)")}));
    menu->actions().last()->trigger();
    EXPECT_EQ(sel(), std::make_pair(qint64(0), qint64(6)));
}

TEST_F(PaneTest, CopyOfASelectionDecodedInTwoHalvesIsWhole)
{
    // Over 4 MB is decoded in two halves at once; a pair or an undecodable byte
    // must not be cut where the halves meet.
    std::string bytes;
    while (bytes.size() < (5u << 20))
        bytes += kJapanese +
                 "\x81\x20"
                 "a\r\n";
    show(bytes);
    pane.setFocus();
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    QString expected = QString::fromStdU16String(cp932::decode(bytes));
    expected.replace(QChar(cp932::rawByteUnit(0x81)), QChar(0xFFFD));
    EXPECT_TRUE(QGuiApplication::clipboard()->text() == expected);
}

TEST_F(PaneTest, ACommandOutOfMemoryKeepsTheDocumentAndASecondCommandIsRefused)
{
    show("abc");
    const DocumentPtr before = pane.document();
    std::atomic<bool> asked{false};
    CommandOutcome second = CommandOutcome::Done;
    const CommandOutcome first = runPaneCommand(pane, [&](const Document&, const CommandProgress&) -> DocumentPtr {
        // While this one runs, the window's event loop gets another command.
        QMetaObject::invokeMethod(
            &pane,
            [&] {
                second = runPaneCommand(pane, [](const Document&, const CommandProgress&) { return DocumentPtr(); });
                asked = true;
            },
            Qt::QueuedConnection);
        while (!asked) std::this_thread::yield();
        throw std::bad_alloc();
    });
    EXPECT_EQ(second, CommandOutcome::Busy);
    EXPECT_EQ(first, CommandOutcome::OutOfMemory);
    EXPECT_EQ(pane.document(), before);
}

TEST_F(PaneTest, MouseClickDragShiftClickAndDoubleClickSelectUnlessDisabled)
{
    show("abc " + kJapanese + " def\r\nline two");
    pane.setEnabled(false);
    click(3, 0);
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(sel(), std::make_pair(qint64(0), qint64(0)));
    pane.setEnabled(true);
    click(2, 0);  // left quarter of cell 2: caret before c
    EXPECT_EQ(sel(), std::make_pair(qint64(2), qint64(0)));
    click(5, 0, Qt::ShiftModifier);  // cell 5 is the second half of 日: after it
    EXPECT_EQ(sel(), std::make_pair(qint64(2), qint64(3)));
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, at(0, 0));
    QTest::mouseMove(pane.viewport(), at(3, 1));
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, at(3, 1));
    EXPECT_EQ(sel(), std::make_pair(qint64(0), qint64(16)));  // before the e of line
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, at(6, 0));
    EXPECT_EQ(pane.selectedText(), QString::fromUtf16(u"日本語"));
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, at(12, 0));
    EXPECT_EQ(pane.selectedText(), QStringLiteral("def"));
}

TEST_F(PaneTest, DraggingBelowThePaneScrollsAndExtends)
{
    std::string many;
    for (int i = 0; i < 200; ++i) many += "line " + std::to_string(i) + "\r\n";
    show(many);
    QTest::mousePress(pane.viewport(), Qt::LeftButton, {}, at(0, 0));
    QTest::mouseMove(pane.viewport(), QPoint(5, pane.viewport()->height() + 20));
    EXPECT_GT(pane.verticalScrollBar()->value(), 0);
    EXPECT_GT(pane.selectionLength(), 0);
    QTest::mouseRelease(pane.viewport(), Qt::LeftButton, {}, QPoint(5, pane.viewport()->height() + 20));
}

TEST_F(PaneTest, VeryLongLineScrollsToItsEndAndPaints)
{
    std::string line(20u << 20, 'x');
    line += kJapanese;
    show(line);
    pane.setFocus();
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(pane.selectionLength(), static_cast<qint64>((20u << 20) + 3));
    EXPECT_GT(pane.horizontalScrollBar()->value(), (20 << 20) - 200);
    const QImage img = pane.viewport()->grab().toImage();
    // The kanji at the end are visible left of the caret.
    const int caretCell = static_cast<int>((20u << 20) + 6) - pane.horizontalScrollBar()->value();
    EXPECT_GT(ink(img, cells(caretCell - 6, 0, 6)), 30);
    // Home goes back to the start.
    key(Qt::Key_Home);
    EXPECT_EQ(pane.horizontalScrollBar()->value(), 0);
}

// The pane's bytes (the document's, exactly).
std::string bytesOf(const TextPane& pane) { return pane.document()->bytesForSave(); }

TEST_F(PaneTest, EditingKeysChangeBytesAndUndoStepsBackExactly)
{
    // An undecodable 0x81 and the NEC-selected IBM code ED 40 (∵ has a
    // preferred code 81 E6) must survive edits next to them.
    const std::string original = "\x81\x20\xED\x40\r\nab";
    show(original);
    pane.setFocus();
    for (int i = 0; i < 3; ++i) key(Qt::Key_Right);  // after ED 40
    QTest::keyClicks(&pane, QStringLiteral("xy"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Tab);
    EXPECT_EQ(bytesOf(pane), "\x81\x20\xED\x40x\t\r\nab");
    key(Qt::Key_Delete);  // the line break as a whole
    key(Qt::Key_Return);
    EXPECT_EQ(bytesOf(pane), "\x81\x20\xED\x40x\t\r\nab");
    EXPECT_TRUE(pane.hasUnsavedEdits());
    // Steps: typing "xy", the Backspace, Tab with Delete ... Enter: each run is one
    // step; undo returns every earlier state byte for byte, redo the later ones.
    std::vector<std::string> states;
    while (pane.canUndo()) {
        pane.undo();
        states.push_back(bytesOf(pane));
    }
    EXPECT_EQ(states.back(), original);
    EXPECT_FALSE(pane.hasUnsavedEdits());
    EXPECT_EQ(states.size(), 5u);
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(bytesOf(pane), states[states.size() - 2]);
    // A command's output alone is a step to undo but no edit of the user's.
    pane.setDocument(Document::fromBytes("abc"));
    pane.setDocumentAsStep(Document::fromBytes("ABC"));
    EXPECT_FALSE(pane.hasUnsavedEdits());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(bytesOf(pane), "abc");
    key(Qt::Key_X);
    EXPECT_TRUE(pane.hasUnsavedEdits());
    pane.markSaved();
    EXPECT_FALSE(pane.hasUnsavedEdits());
    // Paste encodes Unicode; lines from another program (LF alone) get CR LF; a
    // character without a code stays in the text as '?' in the bytes.
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"日\n€"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(bytesOf(pane), "x\x93\xFA\r\n?abc");
    EXPECT_EQ(pane.text(), QString::fromUtf16(u"x日\r\n€abc"));
    pane.setSelection(0, 2);
    key(Qt::Key_Delete, Qt::ShiftModifier);  // cut
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf16(u"x日"));
    pane.setReadOnly(true);
    key(Qt::Key_Q);
    EXPECT_EQ(bytesOf(pane), "\r\n?abc");
}

TEST_F(PaneTest, InputMethodPreEditIsShownCommitIsOneEditCancelChangesNothing)
{
    show("ab\r\ncd");
    pane.setFocus();
    pane.setSelection(1, 0);
    const QRect caret = pane.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QInputMethodEvent preedit(QStringLiteral("にほん"), {{QInputMethodEvent::Cursor, 3, 1, {}}});
    QCoreApplication::sendEvent(&pane, &preedit);
    EXPECT_EQ(bytesOf(pane), "ab\r\ncd");
    EXPECT_EQ(pane.preeditText(), QStringLiteral("にほん"));
    // The candidate window goes to the pre-edit's cursor, 6 cells on.
    EXPECT_EQ(pane.inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), caret.left() + 6 * cell.width());
    EXPECT_EQ(pane.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("ab"));
    EXPECT_GT(ink(pane.viewport()->grab().toImage(), cells(1, 0, 6)), 30);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("日本"));
    QCoreApplication::sendEvent(&pane, &commit);
    EXPECT_EQ(bytesOf(pane),
              "a\x93\xFA\x96\x7B"
              "b\r\ncd");
    EXPECT_TRUE(pane.preeditText().isEmpty());
    EXPECT_EQ(pane.selectionStart(), 3);
    QInputMethodEvent again(QStringLiteral("ご"), {});
    QCoreApplication::sendEvent(&pane, &again);
    QInputMethodEvent cancel;
    QCoreApplication::sendEvent(&pane, &cancel);
    EXPECT_EQ(bytesOf(pane),
              "a\x93\xFA\x96\x7B"
              "b\r\ncd");
    pane.undo();
    EXPECT_EQ(bytesOf(pane), "ab\r\ncd");
}

TEST_F(PaneTest, EmptyTextShowsNothing)
{
    show("\xED\x40 keep \x81\x20 " + kJapanese);
    pane.setText(QString());
    EXPECT_EQ(pane.sizeInBytes(), 0u);
    EXPECT_TRUE(pane.text().isEmpty());
    const QImage img = pane.viewport()->grab().toImage();
    EXPECT_EQ(ink(img, QRect(2, 2, img.width() - 4, img.height() - 4)), 0);
}

}  // namespace
}  // namespace soramie
