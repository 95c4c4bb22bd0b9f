// SPDX-License-Identifier: MIT
// The pane's caret steps: by character or line break, by word (Ctrl+Left /
// Ctrl+Right) and the word under a double-click. Words never cross a line
// break, and no step reads more than kWordReach bytes to either side.
#include <QWidget>
#include <string>
#include <vector>

#include "ui/pane/private/cells.h"
#include "ui/pane/text_pane.h"

namespace soramie {

using pane_detail::Glyph;
using pane_detail::glyphAt;

namespace {

// Word steps and double-click look this many bytes to each side.
constexpr std::uint64_t kWordReach = 1024;

// Word classes: runs of one class make a word; 0 never joins its neighbours
// and 1 (blanks) is skipped after a word.
int wordClass(char16_t u)
{
    if (u == u' ' || u == u'\t' || u == 0x3000) return 1;
    if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'_' ||
        (u >= 0xFF10 && u <= 0xFF19) || (u >= 0xFF21 && u <= 0xFF3A) || (u >= 0xFF41 && u <= 0xFF5A))
        return 2;
    if (u >= 0x3041 && u <= 0x309F) return 3;
    if ((u >= 0x30A0 && u <= 0x30FF) || (u >= 0xFF66 && u <= 0xFF9F)) return 4;
    if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0xF900 && u <= 0xFAFF) || u == 0x3005)
        return 5;
    return 0;
}

struct Classed {
    ByteOffset byte;
    int cls;
};

// The characters of doc's bytes [from, to) (from a character boundary) with
// their word classes.
std::vector<Classed> classesOf(const Document& doc, ByteOffset from, ByteOffset to)
{
    std::string scratch;
    const std::string_view v = doc.bytes(from, to, scratch);
    std::vector<Classed> out;
    for (std::size_t i = 0; i < v.size();) {
        const Glyph g = glyphAt(v, i);
        out.push_back({from + i, wordClass(g.unit)});
        i += static_cast<std::size_t>(g.bytes);
    }
    return out;
}

}  // namespace

ByteOffset TextPane::previousPosition(ByteOffset byte) const
{
    const LineNo line = lineOf(byte);
    if (byte == lineStart(line)) return line.value > 0 ? lineEnd(line - 1) : byte;
    return doc_->byteOf(doc_->charOf(byte) - 1);
}

ByteOffset TextPane::nextPosition(ByteOffset byte) const
{
    const LineNo line = lineOf(byte);
    if (byte >= lineEnd(line)) return line.value + 1 < doc_->lineCount().value ? lineStart(line + 1) : byte;
    return doc_->byteOf(doc_->charOf(byte) + 1);
}

ByteOffset TextPane::wordRight(ByteOffset byte) const
{
    const ByteOffset end = lineEnd(lineOf(byte));
    if (byte >= end) return nextPosition(byte);
    const ByteOffset reach = std::min(end, byte + kWordReach);
    const auto items = classesOf(*doc_, byte, reach);
    std::size_t i = 0;
    const int cls = items[0].cls;
    if (cls == 0 || cls == 1) {
        ++i;
    } else {
        while (i < items.size() && items[i].cls == cls) ++i;
    }
    while (i < items.size() && items[i].cls == 1) ++i;
    return i < items.size() ? items[i].byte : reach == end ? end : items.back().byte;
}

ByteOffset TextPane::wordLeft(ByteOffset byte) const
{
    const LineNo line = lineOf(byte);
    const ByteOffset start = lineStart(line);
    if (byte <= start) return previousPosition(byte);
    const ByteOffset from = byte > start + kWordReach ? atByte(line, byte - kWordReach).byte : start;
    const auto items = classesOf(*doc_, from, byte);
    std::size_t i = items.size();
    while (i > 0 && items[i - 1].cls == 1) --i;
    if (i > 0) {
        const int cls = items[i - 1].cls;
        if (cls == 0) {
            --i;
        } else {
            while (i > 0 && items[i - 1].cls == cls) --i;
        }
    }
    return i < items.size() ? items[i].byte : byte;
}

void TextPane::selectWordAt(ByteOffset byte)
{
    const LineNo line = lineOf(byte);
    const ByteOffset start = lineStart(line);
    const ByteOffset end = lineEnd(line);
    if (byte >= end) {
        moveCaret(byte, Select::Move);
        return;
    }
    const ByteOffset from = atByte(line, byte > start + kWordReach ? byte - kWordReach : start).byte;
    const ByteOffset to = std::min(end, byte + kWordReach);
    std::vector<Classed> items = classesOf(*doc_, from, to);
    std::size_t hit = 0;
    while (hit + 1 < items.size() && items[hit + 1].byte <= byte) ++hit;
    items.push_back({to, -1});
    std::size_t lo = hit;
    std::size_t hi = hit + 1;
    const int cls = items[hit].cls;
    if (cls != 0) {
        while (lo > 0 && items[lo - 1].cls == cls) --lo;
        while (hi + 1 < items.size() && items[hi].cls == cls) ++hi;
    }
    history_.endRun();
    anchor_ = items[lo].byte;
    caret_ = items[hi].byte;
    goalCell_ = atByte(line, caret_).cell;
    ensureVisible(caret_);
    viewport()->update();
    emit selectionChanged();
}

}  // namespace soramie
