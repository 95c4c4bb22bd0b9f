// SPDX-License-Identifier: MIT
// Painting the pane: only the visible cells of the visible lines are decoded
// and drawn. Control characters show as a dim caret form (^A as a dim "A"),
// bytes without a glyph as their two hex digits, one cell per byte.
#include <QPainter>
#include <algorithm>

#include "document/finder.h"
#include "ui/pane/private/cells.h"
#include "ui/pane/text_pane.h"

namespace soramie {

using pane_detail::cellsOf;
using pane_detail::cellsOfText;
using pane_detail::encodedLength;
using pane_detail::Glyph;
using pane_detail::glyphAt;
using pane_detail::kLongLine;

namespace {

bool isControl(char16_t u) { return (u < 0x20 && u != u'\t') || u == 0x7F; }

// Units with no glyph of their own: undecodable bytes and the single bytes
// 0x80, 0xA0, 0xFD..0xFF; drawn as the byte's hex digits.
bool isHexCell(char16_t u) { return cp932::isRawByte(u) || u == 0x80 || (u >= 0xF8F0 && u <= 0xF8F3); }

}  // namespace

void TextPane::setHighlights(std::shared_ptr<const Matcher> matcher)
{
    highlights_ = std::move(matcher);
    viewport()->update();
}

const QStaticText& TextPane::glyph(char16_t unit) const
{
    auto it = glyphs_.find(unit);
    if (it == glyphs_.end()) {
        QStaticText st{QString(QChar(unit))};
        st.setTextFormat(Qt::PlainText);
        st.prepare(QTransform(), font_);
        it = glyphs_.insert(unit, st);
    }
    return *it;
}

QRect TextPane::caretRect() const
{
    const LineNo line = lineOf(caret_);
    const std::uint64_t cell = atByte(line, caret_).cell + cellsOfText(preedit_, preeditCursor_);
    const auto x = (static_cast<std::int64_t>(cell) - static_cast<std::int64_t>(firstCell())) * cellW_;
    const auto y = (static_cast<std::int64_t>(line.value) - static_cast<std::int64_t>(firstLine().value)) * cellH_;
    const auto clamp = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, -1000000, 1000000)); };
    return {clamp(x), clamp(y), 2, cellH_};
}

void TextPane::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QPalette& pal = palette();
    p.fillRect(viewport()->rect(), pal.color(group, QPalette::Base));
    p.setFont(font_);
    QFont small = font_;
    small.setPixelSize(std::max(5, cellH_ / 2));
    const QColor text = pal.color(group, QPalette::Text);
    const QColor selBack = pal.color(group, QPalette::Highlight);
    const QColor selText = pal.color(group, QPalette::HighlightedText);
    const QColor matchBack(255, 214, 0, 150);
    std::vector<FindMatch> matches;  // on the row being drawn
    QColor dim = text;
    dim.setAlphaF(0.45f);
    QColor dimBack = text;
    dimBack.setAlphaF(0.08f);

    const LineNo first = firstLine();
    const std::uint64_t hcell = firstCell();
    const std::uint64_t rows = visibleLines() + 1;
    const std::uint64_t cols = visibleCells() + 1;
    const std::uint64_t lines = doc_->lineCount().value;
    const ByteOffset selA = selectionFrom();
    const ByteOffset selB = selectionTo();
    const bool showSel = isEnabled() && selA != selB;
    const auto& subs = doc_->substitutions();
    std::uint64_t widest = widestCells_;
    std::string scratch;
    const auto xOf = [&](std::uint64_t cell) {
        return static_cast<int>((static_cast<std::int64_t>(cell) - static_cast<std::int64_t>(hcell)) * cellW_);
    };

    for (std::uint64_t r = 0; r < rows && first.value + r < lines; ++r) {
        const LineNo line = first + r;
        const ByteOffset start = lineStart(line);
        const ByteOffset end = lineEnd(line);
        const int y = static_cast<int>(r) * cellH_;
        LinePos pos = atCell(line, hcell);
        // Only the bytes that can reach the visible cells are read.
        const ByteOffset from = pos.byte;
        const ByteOffset stop = std::min(end, from + (hcell + cols - pos.cell + 2));
        const std::string_view v = doc_->bytes(from, stop, scratch);
        matches.clear();
        if (highlights_) {
            // Matches that reach the visible cells, also one that starts left of them.
            const std::uint64_t back = std::min(highlights_->maxMatchBytes() - 1, from - start);
            const ByteOffset scanFrom = doc_->byteOf(doc_->charOf(from - back));
            const ByteOffset scanTo = std::min(end, stop + (highlights_->maxMatchBytes() - 1));
            highlights_->scan(
                *doc_, scanFrom, scanTo, stop,
                [&](FindMatch m) {
                    if (m.to > from) matches.push_back(m);
                    return true;
                },
                nullptr);
        }
        auto match = matches.begin();
        while (pos.byte < stop && pos.cell < hcell + cols) {
            Glyph g = glyphAt(v, static_cast<std::size_t>(pos.byte - from));
            const std::uint64_t w = cellsOf(g, pos.cell);
            if (g.unit == u'?' && !subs.empty()) {
                auto it = std::lower_bound(subs.begin(), subs.end(), pos.byte,
                                           [](const Substitution& s, ByteOffset b) { return s.at < b; });
                if (it != subs.end() && it->at == pos.byte) g.unit = it->unit;
            }
            const int x = xOf(pos.cell);
            const int width = static_cast<int>(w) * cellW_;
            const bool selected = showSel && pos.byte >= selA && pos.byte < selB;
            while (match != matches.end() && match->to <= pos.byte) ++match;
            if (selected) p.fillRect(x, y, width, cellH_, selBack);
            else if (match != matches.end() && match->from <= pos.byte) p.fillRect(x, y, width, cellH_, matchBack);
            if (isHexCell(g.unit)) {
                const auto byte = static_cast<unsigned char>(v[static_cast<std::size_t>(pos.byte - from)]);
                const QString hex = QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
                p.fillRect(x, y + 1, width, cellH_ - 2, dimBack);
                p.setFont(small);
                p.setPen(selected ? selText : dim);
                p.drawText(QRect(x, y, width, cellH_ / 2), Qt::AlignCenter, hex.left(1));
                p.drawText(QRect(x, y + cellH_ / 2, width, cellH_ - cellH_ / 2), Qt::AlignCenter, hex.mid(1));
                p.setFont(font_);
            } else if (isControl(g.unit)) {
                p.fillRect(x, y + 1, width, cellH_ - 2, dimBack);
                p.setPen(selected ? selText : dim);
                p.drawText(x, y + ascent_, QChar(g.unit == 0x7F ? u'?' : static_cast<char16_t>(u'@' + g.unit)));
            } else if (g.unit != u'\t' && g.unit != u' ') {
                p.setPen(selected ? selText : text);
                p.drawStaticText(x, y, glyph(g.unit));
            }
            pos.byte = pos.byte + static_cast<std::uint64_t>(g.bytes);
            pos.cell += w;
        }
        // A selected line break shows as one selected cell after the line.
        if (showSel && pos.byte == end && line.value + 1 < lines && end >= selA && end < selB) {
            p.fillRect(xOf(pos.cell), y, cellW_, cellH_, selBack);
        }
        // A line's cells are at least its bytes; long lines are measured exactly
        // only once something needs their end.
        widest = std::max(widest, pos.byte == end ? pos.cell : end - start > kLongLine ? end - start : lineCells(line));
    }

    if (!preedit_.isEmpty()) {
        // The input method's pre-edit text over the line at the caret, underlined.
        const LineNo line = lineOf(caret_);
        int x = xOf(atByte(line, caret_).cell);
        const int y =
            static_cast<int>((static_cast<std::int64_t>(line.value) - static_cast<std::int64_t>(first.value)) * cellH_);
        const int width = static_cast<int>(cellsOfText(preedit_, static_cast<int>(preedit_.size()))) * cellW_;
        p.fillRect(x, y, width, cellH_, pal.color(group, QPalette::Base));
        p.setPen(text);
        for (const QChar c : preedit_) {
            p.drawStaticText(x, y, glyph(c.unicode()));
            x +=
                static_cast<int>(encodedLength(std::u16string_view(reinterpret_cast<const char16_t*>(&c), 1))) * cellW_;
        }
        p.drawLine(x - width, y + cellH_ - 1, x, y + cellH_ - 1);
    }
    if (hasFocus() && isEnabled()) {
        const QRect caret = caretRect();
        if (viewport()->rect().adjusted(-2, 0, 2, 0).intersects(caret)) p.fillRect(caret, text);
        p.setPen(QPen(pal.color(QPalette::Active, QPalette::Highlight), 1));
        p.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
    }
    p.end();

    if (widest > widestCells_) {
        widestCells_ = widest;
        updateScrollBars();
    }
    // The lines just drawn were checked as they were read.
    checkIntegrity();
}

}  // namespace soramie
