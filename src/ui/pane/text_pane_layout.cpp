// SPDX-License-Identifier: MIT
// The pane's cell layout: where characters sit on the cell grid, the scroll
// range and the view's position.
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/pane/private/cells.h"
#include "ui/pane/text_pane.h"

namespace soramie {

using pane_detail::cellsOf;
using pane_detail::clampInt;
using pane_detail::Glyph;
using pane_detail::glyphAt;
using pane_detail::kLongLine;

namespace {

// A long line has a cell checkpoint every this many bytes.
constexpr std::uint64_t kMarkBytes = 4096;
// Long lines whose checkpoints are kept.
constexpr std::size_t kCachedLines = 4;

// Length of the run of printable ASCII (one cell per byte) at line[i], counted
// in whole 8-byte words and at most about limit bytes.
std::size_t printableRun(std::string_view line, std::size_t i, std::size_t limit)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    constexpr std::uint64_t kSpaces = 0x2020202020202020ull;
    std::size_t n = 0;
    while (n < limit && i + n + 8 <= line.size()) {
        std::uint64_t w;
        std::memcpy(&w, line.data() + i + n, 8);
        if (((w | ((w - kSpaces) & ~w)) & kHighBits) != 0) break;
        n += 8;
    }
    return n;
}

}  // namespace

LineNo TextPane::firstLine() const { return LineNo(static_cast<std::uint64_t>(verticalScrollBar()->value())); }
std::uint64_t TextPane::firstCell() const { return static_cast<std::uint64_t>(horizontalScrollBar()->value()); }
std::uint64_t TextPane::visibleLines() const
{
    return static_cast<std::uint64_t>(std::max(1, viewport()->height() / cellH_));
}
std::uint64_t TextPane::visibleCells() const
{
    return static_cast<std::uint64_t>(std::max(1, viewport()->width() / cellW_));
}

void TextPane::updateScrollBars()
{
    const std::uint64_t lines = doc_->lineCount().value;
    const std::uint64_t rows = visibleLines();
    verticalScrollBar()->setRange(0, clampInt(lines > rows ? lines - rows : 0));
    verticalScrollBar()->setPageStep(clampInt(rows));
    const std::uint64_t cols = visibleCells();
    const std::uint64_t wide = widestCells_ + 1;  // room for the caret after the last character
    horizontalScrollBar()->setRange(0, clampInt(wide > cols ? wide - cols : 0));
    horizontalScrollBar()->setPageStep(clampInt(cols));
}

std::uint64_t TextPane::widestVisibleCells() const
{
    const std::uint64_t lines = doc_->lineCount().value;
    std::uint64_t widest = 0;
    for (std::uint64_t n = firstLine().value; n < lines && n <= firstLine().value + visibleLines(); ++n) {
        const LineNo line(n);
        const ByteOffset start = lineStart(line);
        const ByteOffset end = lineEnd(line);
        // A long line counts its bytes, as painting does, until its cells are known.
        widest = std::max(widest, end - start > kLongLine ? end - start : lineCells(line));
    }
    return widest;
}

void TextPane::pollIndex()
{
    if (indexTimer_->interval() == kIntegrityPollMs) {
        checkIntegrity();
        if (!watchesFile()) indexTimer_->stop();
        return;
    }
    const bool done = doc_->indexed();
    const auto before = static_cast<std::uint64_t>(verticalScrollBar()->maximum());
    updateScrollBars();
    // Lines near the index's end may have grown; others are final.
    if (before < firstLine().value + visibleLines() + 1 || done) viewport()->update();
    emit indexProgress(done ? doc_->size().value : doc_->indexedBytes().value, doc_->size().value);
    checkIntegrity();
    if (done) {
        // From now on only the file's integrity is watched.
        if (watchesFile()) {
            indexTimer_->start(kIntegrityPollMs);
        } else {
            indexTimer_->stop();
        }
    }
}

const TextPane::LineCells* TextPane::longLine(LineNo line) const
{
    for (const auto& c : lineCache_) {
        if (c.line == line) return &c;
    }
    // The last line may still grow while the document is indexed.
    if (!doc_->indexed() && line.value + 1 >= doc_->lineCount().value) return nullptr;
    const ByteOffset start = lineStart(line);
    std::string scratch;
    const std::string_view v = doc_->bytes(start, lineEnd(line), scratch);
    LineCells lc;
    lc.line = line;
    LinePos p{start, 0};
    lc.marks.push_back(p);
    std::size_t i = 0;
    while (i < v.size()) {
        if (p.byte >= lc.marks.back().byte + kMarkBytes) lc.marks.push_back(p);
        const std::size_t run = printableRun(v, i, static_cast<std::size_t>(kMarkBytes));
        if (run > 0) {
            i += run;
            p.byte = p.byte + run;
            p.cell += run;
            continue;
        }
        const Glyph g = glyphAt(v, i);
        p.cell += cellsOf(g, p.cell);
        p.byte = p.byte + static_cast<std::uint64_t>(g.bytes);
        i += static_cast<std::size_t>(g.bytes);
    }
    lc.cells = p.cell;
    if (lineCache_.size() >= kCachedLines) lineCache_.erase(lineCache_.begin());
    lineCache_.push_back(std::move(lc));
    return &lineCache_.back();
}

TextPane::LinePos TextPane::seek(LineNo line, Seek by, std::uint64_t target) const
{
    const ByteOffset start = lineStart(line);
    const ByteOffset end = lineEnd(line);
    LinePos p{start, 0};
    // Checkpoints pay off only for targets far into a long line.
    if (end - start > kLongLine && (by == Seek::ByCell ? target : target - start.value) > kLongLine) {
        if (const LineCells* lc = longLine(line)) {
            auto it = std::upper_bound(
                lc->marks.begin(), lc->marks.end(), target,
                [by](std::uint64_t t, const LinePos& m) { return t < (by == Seek::ByCell ? m.cell : m.byte.value); });
            if (it != lc->marks.begin()) p = *std::prev(it);
        }
    }
    // A character takes at least one cell per byte but a TAB, so the walk never
    // needs more bytes than cells to the target (plus the last character's).
    const std::uint64_t at = by == Seek::ByCell ? p.cell : p.byte.value;
    const std::uint64_t reach = target > at ? target - at : 0;
    const ByteOffset stop = std::min(end, p.byte + (reach + 2));
    std::string scratch;
    const ByteOffset from = p.byte;
    const std::string_view v = doc_->bytes(from, stop, scratch);
    while (p.byte < stop) {
        if (stop < end && p.byte + 1 >= stop) break;  // the character may run past the window
        const Glyph g = glyphAt(v, static_cast<std::size_t>(p.byte - from));
        const std::uint64_t w = cellsOf(g, p.cell);
        const auto bytes = static_cast<std::uint64_t>(g.bytes);
        if (by == Seek::ByCell ? p.cell + w > target : p.byte.value + bytes > target) break;
        p.byte = p.byte + bytes;
        p.cell += w;
    }
    return p;
}

std::uint64_t TextPane::lineCells(LineNo line) const
{
    const ByteOffset start = lineStart(line);
    const ByteOffset end = lineEnd(line);
    if (end - start > kLongLine) {
        if (const LineCells* lc = longLine(line)) return lc->cells;
    }
    return atByte(line, end).cell;
}

ByteOffset TextPane::caretAt(QPoint pt) const
{
    const std::uint64_t lines = doc_->lineCount().value;
    const std::uint64_t row = pt.y() < 0 ? 0 : static_cast<std::uint64_t>(pt.y() / cellH_);
    const LineNo line(std::min(firstLine().value + row, lines - 1));
    const double x = static_cast<double>(firstCell()) + std::max(0, pt.x()) / static_cast<double>(cellW_);
    LinePos p = atCell(line, static_cast<std::uint64_t>(std::floor(x)));
    const ByteOffset end = lineEnd(line);
    if (p.byte < end) {
        std::string scratch;
        const Glyph g = glyphAt(doc_->bytes(p.byte, std::min(end, p.byte + 2), scratch), 0);
        if (x - static_cast<double>(p.cell) > static_cast<double>(cellsOf(g, p.cell)) / 2.0)
            p.byte = p.byte + static_cast<std::uint64_t>(g.bytes);
    }
    return p.byte;
}

void TextPane::ensureVisible(ByteOffset byte)
{
    const LineNo line = lineOf(byte);
    const std::uint64_t rows = visibleLines();
    updateScrollBars();
    if (line < firstLine()) {
        verticalScrollBar()->setValue(clampInt(line.value));
    } else if (line >= firstLine() + rows) {
        verticalScrollBar()->setValue(clampInt(line.value - rows + 1));
    }
    const std::uint64_t cell = atByte(line, byte).cell;
    if (cell + 1 > widestCells_) {
        widestCells_ = std::max(cell + 1, lineCells(line));
        updateScrollBars();
    }
    const std::uint64_t cols = visibleCells();
    const std::uint64_t margin = std::min<std::uint64_t>(8, cols / 4);
    if (cell < firstCell()) {
        horizontalScrollBar()->setValue(clampInt(cell > margin ? cell - margin : 0));
    } else if (cell + 1 > firstCell() + cols) {
        horizontalScrollBar()->setValue(clampInt(cell + 1 + margin - cols));
    }
}

void TextPane::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TextPane::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace soramie
