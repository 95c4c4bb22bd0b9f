// SPDX-License-Identifier: MIT
#include "core/cp932.h"
#include "support/address_space.h"
#include "ui/common/pane_command.h"
#include "ui/pane/text_pane.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <new>
#include <thread>
#include <vector>

#include <unistd.h>

#include <cstdlib>

namespace soramie {
namespace {

class PaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane.resize(420, 220);
        pane.show();
        pane.setFocus();
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
    void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(&pane, static_cast<Qt::Key>(k), mods); }
    std::pair<qint64, qint64> sel() const { return {pane.selectionStart(), pane.selectionLength()}; }
    std::string bytes() const { return pane.document()->bytesForSave(); }
    QString clipboard() const { return QGuiApplication::clipboard()->text(); }

    // Pixels of the viewport that differ from the background in `width` cells
    // from (column, row), leaving out the top and bottom pixel rows where the focus frame may run.
    int ink(int column, int row, int width) const
    {
        const QImage img = pane.viewport()->grab().toImage();
        const QRgb bg = img.pixel(img.width() - 2, img.height() - 2);
        int n = 0;
        for (int y = row * cell.height() + 1; y < (row + 1) * cell.height() - 1; ++y)
            for (int x = column * cell.width(); x < (column + width) * cell.width(); ++x) n += img.pixel(x, y) != bg;
        return n;
    }

    // Shows an unnamed sparse file of `size` zero bytes.
    void showZeros(off_t size)
    {
        char name[] = "/tmp/soramie-pane-XXXXXX";
        const int fd = ::mkstemp(name);
        ASSERT_GE(fd, 0);
        ::unlink(name);
        ASSERT_EQ(::ftruncate(fd, size), 0);
        const auto doc = Document::fromFile("/proc/self/fd/" + std::to_string(fd));
        ::close(fd);
        ASSERT_TRUE(doc.ok());
        (*doc)->waitIndexed();
        pane.setDocument(*doc);
    }

    TextPane pane;
    QSize cell;
};

// 日本語 = 93FA 967B 8CEA; あ = 82A0.
const std::string kJapanese = "\x93\xFA\x96\x7B\x8C\xEA";

TEST_F(PaneTest, DrawsJapaneseGlyphsHexCellsAndTabsOnTheCellGrid)
{
    show(kJapanese + "\tA\x81\x20\x01\r\n\x82\xA0");
    // Each kanji takes two cells; TAB from cell 6 to 8 is blank; A sits in cell
    // 8, the undecodable 0x81 and the control character in cells 9 and 11 (the
    // space in 10); nothing after the line, and あ on the second line.
    const std::pair<std::array<int, 3>, bool> cells[] = {
        {{0, 0, 2}, true}, {{2, 0, 2}, true},   {{4, 0, 2}, true},  {{6, 0, 2}, false},   {{8, 0, 1}, true},
        {{9, 0, 1}, true}, {{10, 0, 1}, false}, {{11, 0, 1}, true}, {{12, 0, 10}, false}, {{0, 1, 2}, true}};
    for (const auto& [c, inked] : cells) {
        const int n = ink(c[0], c[1], c[2]);
        EXPECT_TRUE(inked ? n > 3 : n == 0) << c[0] << "," << c[1];
    }
}

TEST_F(PaneTest, SelectionCountsCharactersAndCopyGivesUnicodeWholeEvenWhenDecodedInTwoHalves)
{
    show("ab" + kJapanese + "\x81\x20z\r\nxy");
    pane.setSelection(2, 4);  // 日本語 + the raw 0x81
    EXPECT_EQ(pane.selectedText(), QString::fromUtf16(u"日本語") + QChar(0xDC81));
    // Over 4 MB is decoded in two halves at once; a pair or an undecodable byte
    // must not be cut where the halves meet.
    std::string big;
    while (big.size() < (5u << 20)) big += kJapanese + "\x81\x20" + "a\r\n";
    show(big);
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    QString expected = QString::fromStdU16String(cp932::decode(big));
    expected.replace(QChar(cp932::rawByteUnit(0x81)), QChar(0xFFFD));
    EXPECT_TRUE(clipboard() == expected);
}

// A selection too large for the clipboard is refused: nothing is copied, a
// cut removes nothing, and the window hears of it.
TEST_F(PaneTest, ASelectionTooLargeForTheClipboardIsRefusedAndACutOfItRemovesNothing)
{
    showZeros(static_cast<off_t>(TextPane::kCopyMaxBytes + 1));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    std::vector<std::uint64_t> refused;
    QObject::connect(&pane, &TextPane::copyRefused, [&refused](std::uint64_t bytes) { refused.push_back(bytes); });
    pane.selectAll();
    EXPECT_EQ(pane.copy(), TextPane::CopyOutcome::TooLarge);
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(refused, std::vector<std::uint64_t>(2, TextPane::kCopyMaxBytes + 1));
    EXPECT_TRUE(clipboard() == QStringLiteral("before"));
    EXPECT_EQ(pane.sizeInBytes(), TextPane::kCopyMaxBytes + 1);
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

TEST_F(PaneTest, AClickPlacesTheCaretByHalfCellsADoubleClickSelectsAWordAndUpKeepsTheCellColumn)
{
    show("abc " + kJapanese + " def\r\nline two");
    QWidget* view = pane.viewport();
    QTest::mouseClick(view, Qt::LeftButton, {}, at(2, 0));                 // left quarter of cell 2: caret before c
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, at(5, 0));  // the second half of 日: after it
    EXPECT_EQ(sel(), std::make_pair(qint64(2), qint64(3)));
    QTest::mouseDClick(view, Qt::LeftButton, {}, at(6, 0));
    EXPECT_EQ(pane.selectedText(), QString::fromUtf16(u"日本語"));
    // Up keeps the cell column: cell 5 of line 1 lies inside 日 (cells 4-5), so the caret stops before it.
    QTest::mouseClick(view, Qt::LeftButton, {}, at(5, 1));
    key(Qt::Key_Up);
    EXPECT_EQ(pane.selectionStart(), 4);
}

TEST_F(PaneTest, VeryLongLineScrollsToItsEndAndPaints)
{
    std::string line(20u << 20, 'x');
    show(line + kJapanese);
    key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(pane.selectionLength(), static_cast<qint64>((20u << 20) + 3));
    // The kanji at the end are visible left of the caret.
    const int caretCell = static_cast<int>((20u << 20) + 6) - pane.horizontalScrollBar()->value();
    EXPECT_GT(ink(caretCell - 6, 0, 6), 30);
}

TEST_F(PaneTest, EditingKeysChangeBytesAndUndoStepsBackExactly)
{
    // An undecodable 0x81 and the NEC-selected IBM code ED 40 (∵ has a
    // preferred code 81 E6) must survive edits next to them.
    const std::string original = "\x81\x20\xED\x40\r\nab";
    show(original);
    for (int i = 0; i < 3; ++i) key(Qt::Key_Right);  // after ED 40
    QTest::keyClicks(&pane, QStringLiteral("xy"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Tab);
    EXPECT_EQ(bytes(), "\x81\x20\xED\x40x\t\r\nab");
    key(Qt::Key_Delete);  // the line break as a whole
    key(Qt::Key_Return);
    EXPECT_EQ(bytes(), "\x81\x20\xED\x40x\t\r\nab");
    // Steps: typing "xy", the Backspace, Tab with Delete ... Enter: each run is one
    // step; undo returns every earlier state byte for byte.
    std::vector<std::string> states;
    while (pane.canUndo()) {
        pane.undo();
        states.push_back(bytes());
    }
    EXPECT_EQ(states.back(), original);
    EXPECT_FALSE(pane.hasUnsavedEdits());
    EXPECT_EQ(states.size(), 5u);
    // (That a command's output is no edit of the user's, the unsaved-edits table pins after a wrap.)
    pane.setDocument(Document::fromBytes("xabc"));
    pane.setSelection(1, 0);
    // Paste encodes Unicode; lines from another program (LF alone) get CR LF; a
    // character without a code stays in the text as '?' in the bytes.
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"日\n€"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(bytes(), "x\x93\xFA\r\n?abc");
    EXPECT_EQ(pane.text(), QString::fromUtf16(u"x日\r\n€abc"));
    pane.setReadOnly(true);
    key(Qt::Key_Q);
    EXPECT_EQ(bytes(), "x\x93\xFA\r\n?abc");
}

TEST(PaneHistory, APaneNeverGivenADocumentTakesEditsAndUndoesThem)
{
    TextPane fresh;
    fresh.resize(200, 100);
    EXPECT_EQ(fresh.historyStart()->size(), ByteOffset(0));
    QTest::keyClicks(&fresh, QStringLiteral("ab"));
    EXPECT_EQ(fresh.document()->bytesForSave(), "ab");
    EXPECT_TRUE(fresh.hasUnsavedEdits());
    fresh.undo();
    EXPECT_EQ(fresh.document()->bytesForSave(), "");
    EXPECT_FALSE(fresh.hasUnsavedEdits());
}

TEST_F(PaneTest, InputMethodPreEditIsShownCommitIsOneEditCancelChangesNothing)
{
    show("ab\r\ncd");
    pane.setSelection(1, 0);
    const QRect caret = pane.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QInputMethodEvent preedit(QStringLiteral("にほん"), {{QInputMethodEvent::Cursor, 3, 1, {}}});
    QCoreApplication::sendEvent(&pane, &preedit);
    EXPECT_EQ(bytes(), "ab\r\ncd");
    EXPECT_EQ(pane.preeditText(), QStringLiteral("にほん"));
    // The candidate window goes to the pre-edit's cursor, 6 cells on.
    EXPECT_EQ(pane.inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), caret.left() + 6 * cell.width());
    EXPECT_EQ(pane.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("ab"));
    EXPECT_GT(ink(1, 0, 6), 30);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("日本"));
    QCoreApplication::sendEvent(&pane, &commit);
    const std::string committed =
        "a\x93\xFA\x96\x7B"
        "b\r\ncd";
    EXPECT_EQ(bytes(), committed);
    EXPECT_TRUE(pane.preeditText().isEmpty());
    EXPECT_EQ(pane.selectionStart(), 3);
    QInputMethodEvent again(QStringLiteral("ご"), {});
    QCoreApplication::sendEvent(&pane, &again);
    QInputMethodEvent cancel;
    QCoreApplication::sendEvent(&pane, &cancel);
    EXPECT_EQ(bytes(), committed);
    pane.undo();
    EXPECT_EQ(bytes(), "ab\r\ncd");
}

// Copy, cut and paste inside panes carry the exact bytes: a lone undecodable
// byte, the NEC-selected IBM code ED 40 (whose character 纊 is encoded FA 5C) and
// a lone lead byte at the end come back as they were; another program's text
// still pastes as text with CR LF.
TEST_F(PaneTest, CopyCutAndPasteInsideThePaneKeepTheExactBytes)
{
    const std::string raw = std::string("A\x81 B\r\n\xED\x40x", 9) + "\x81";
    show(raw);
    pane.selectAll();
    ASSERT_EQ(pane.copy(), TextPane::CopyOutcome::Copied);
    EXPECT_EQ(clipboard(), QString::fromUtf16(u"A\uFFFD B\r\n\u7E8Ax\uFFFD"));  // what other programs get
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(bytes(), raw + raw);

    pane.setSelection(0, 3);  // "A", the lone 81, " "
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(bytes(), raw.substr(3) + raw);
    key(Qt::Key_End, Qt::ControlModifier);
    pane.paste();
    EXPECT_EQ(bytes(), raw.substr(3) + raw + "A\x81 ");

    // The pane's own format with bytes that do not match its text is not taken.
    auto* foreign = new QMimeData;
    foreign->setText(QStringLiteral("a\nb"));
    foreign->setData(QString::fromLatin1(TextPane::kBytesMimeType), QByteArray("zz"));
    QGuiApplication::clipboard()->setMimeData(foreign);
    show("");
    pane.paste();
    EXPECT_EQ(bytes(), "a\r\nb");

    // A character without a code is kept as its text, not as the '?' it is stored as.
    pane.setText(QString::fromUtf16(u"a\u20ACb"));
    pane.selectAll();
    pane.copy();
    key(Qt::Key_End, Qt::ControlModifier);
    pane.paste();
    EXPECT_EQ(pane.text(), QString::fromUtf16(u"a\u20ACba\u20ACb"));
}

// Ctrl+A, Ctrl+C and a cut of a selection larger than the memory left: told,
// the text and the clipboard as they were (in a child process, whose address
// space is limited).
TEST_F(PaneTest, ACopyOrCutWithoutTheMemoryForItReportsAndKeepsTheText)
{
    if (testing::kSanitized) GTEST_SKIP() << "address space limits do not apply under sanitizers";
    showZeros(off_t{256} << 20);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    EXPECT_EXIT(
        {
            int told = 0;
            QObject::connect(&pane, &TextPane::outOfMemory, [&told] { ++told; });
            testing::limitAddressSpace(std::uint64_t{64} << 20);
            key(Qt::Key_A, Qt::ControlModifier);
            key(Qt::Key_C, Qt::ControlModifier);
            key(Qt::Key_Delete, Qt::ShiftModifier);
            const bool kept = pane.sizeInBytes() == (std::uint64_t{256} << 20) && clipboard() == "before";
            std::_Exit(told == 2 && kept ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// The horizontal range follows the document shown: it narrows when the long
// line is deleted or a command's output has only short lines.
TEST_F(PaneTest, TheHorizontalScrollRangeFollowsTheDocumentAfterAnEditOrACommand)
{
    const std::string longLine(300, 'x');
    show("short\r\n" + longLine + "\r\nend");
    QScrollBar* h = pane.horizontalScrollBar();
    QTRY_VERIFY_WITH_TIMEOUT(h->maximum() > 200, 2000);
    pane.setSelection(7, 300);
    key(Qt::Key_Delete);
    EXPECT_EQ(h->maximum(), 0);
    pane.undo();
    EXPECT_GT(h->maximum(), 200);
    pane.setDocumentAsStep(Document::fromBytes("a\r\nb"));
    EXPECT_EQ(h->maximum(), 0);
}

// A command's output keeps the caret's line and cell column, clamped to the
// new lines: a key typed after it (or held while it ran) lands there, not at
// the top of the text.
TEST_F(PaneTest, ACommandKeepsTheCaretLineAndColumnClampedToTheNewText)
{
    show("abcdef\r\nghijkl\r\nmnopqr");
    pane.setSelection(11, 0);  // line 1, column 3
    const auto outcome = runPaneCommand(
        pane, [](const Document&, const CommandProgress&) { return Document::fromBytes("ABCDEF\r\nGHIJKL\r\nM"); });
    ASSERT_EQ(outcome, CommandOutcome::Done);
    key(Qt::Key_X);
    EXPECT_EQ(bytes(), "ABCDEF\r\nGHIxJKL\r\nM");

    pane.setSelection(14, 0);  // line 1, column 6: the new text has one short line
    pane.setDocumentAsStep(Document::fromBytes("ab"));
    key(Qt::Key_Y);
    EXPECT_EQ(bytes(), "aby");
    pane.undo();
    pane.undo();
    EXPECT_EQ(bytes(), "ABCDEF\r\nGHIxJKL\r\nM");
}

}  // namespace
}  // namespace soramie
