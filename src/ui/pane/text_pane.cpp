// SPDX-License-Identifier: MIT
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <thread>

#include "core/cp932.h"
#include "core/memory.h"

namespace soramie {

namespace {

// Lines longer than this get cell checkpoints so that seeks stay cheap.
constexpr std::uint64_t kLongLine = 16 * 1024;
constexpr std::uint64_t kMarkBytes = 4096;
constexpr std::size_t kCachedLines = 4;
constexpr std::uint64_t kTabCells = 8;
// Double-click word search looks this many bytes to each side.
constexpr std::uint64_t kWordReach = 1024;

struct Glyph {
    char16_t unit = 0;
    int bytes = 1;
};

Glyph glyphAt(std::string_view line, std::size_t i)
{
    std::size_t n = 1;
    const char16_t u = cp932::decodeOne(line.substr(i), n);
    return {u, static_cast<int>(n)};
}

std::uint64_t cellsOf(const Glyph& g, std::uint64_t cell)
{
    if (g.unit == u'\t') return kTabCells - cell % kTabCells;
    return static_cast<std::uint64_t>(g.bytes);
}

bool isControl(char16_t u) { return (u < 0x20 && u != u'\t') || u == 0x7F; }

// Units with no glyph of their own: undecodable bytes and the single bytes
// 0x80, 0xA0, 0xFD..0xFF; drawn as the byte's hex digits.
bool isHexCell(char16_t u) { return cp932::isRawByte(u) || u == 0x80 || (u >= 0xF8F0 && u <= 0xF8F3); }

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

int clampInt(std::uint64_t v) { return static_cast<int>(std::min<std::uint64_t>(v, INT_MAX)); }

// Word classes for double-click; 0 never joins its neighbours.
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

}  // namespace

TextPane::TextPane(QWidget* parent) : QAbstractScrollArea(parent), doc_(Document::empty())
{
    font_ = QFont(QStringLiteral("ＭＳ ゴシック"), 9);
    font_.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"),
                       QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    font_.setStyleHint(QFont::Monospace);
    font_.setFixedPitch(true);
    const QFontMetrics fm(font_);
    cellW_ = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    cellH_ = std::max(1, fm.height());
    ascent_ = fm.ascent();
    setFont(font_);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(2);

    indexTimer_ = new QTimer(this);
    indexTimer_->setInterval(50);
    connect(indexTimer_, &QTimer::timeout, this, &TextPane::pollIndex);
    scrollTimer_ = new QTimer(this);
    scrollTimer_->setInterval(40);
    connect(scrollTimer_, &QTimer::timeout, this, &TextPane::autoScroll);
    updateScrollBars();
}

TextPane::~TextPane() = default;

void TextPane::setDocument(DocumentPtr doc)
{
    doc_ = doc ? std::move(doc) : Document::empty();
    anchor_ = caret_ = goalCell_ = 0;
    widestCells_ = 0;
    lineCache_.clear();
    dragging_ = false;
    scrollTimer_->stop();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    if (!doc_->indexed()) {
        indexTimer_->start();
    } else {
        indexTimer_->stop();
    }
    viewport()->update();
    emit selectionChanged();
}

QString TextPane::text() const { return QString::fromStdU16String(doc_->text()); }

TextDocument TextPane::setText(const QString& text)
{
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<std::size_t>(text.size()));
    TextDocument r = doc_->size().value == 0 ? Document::fromText(units) : doc_->withText(units);
    setDocument(r.document);
    return r;
}

void TextPane::clear() { setDocument(nullptr); }

std::uint64_t TextPane::sizeInBytes() const { return doc_->size().value; }

qint64 TextPane::selectionStart() const
{
    return static_cast<qint64>(doc_->charOf(ByteOffset(std::min(anchor_, caret_))).value);
}

qint64 TextPane::selectionLength() const
{
    const auto a = doc_->charOf(ByteOffset(std::min(anchor_, caret_)));
    const auto b = doc_->charOf(ByteOffset(std::max(anchor_, caret_)));
    return static_cast<qint64>(b - a);
}

QString TextPane::selectedText() const
{
    const auto s = doc_->textOfBytes(ByteOffset(std::min(anchor_, caret_)), ByteOffset(std::max(anchor_, caret_)));
    return QString::fromStdU16String(s);
}

void TextPane::setSelection(qint64 start, qint64 length)
{
    const auto s = static_cast<std::uint64_t>(std::max<qint64>(0, start));
    const auto e = s + static_cast<std::uint64_t>(std::max<qint64>(0, length));
    if (e > doc_->charCount().value) doc_->waitIndexed();
    const std::uint64_t total = doc_->charCount().value;
    anchor_ = doc_->byteOf(CharPos(std::min(s, total))).value;
    caret_ = doc_->byteOf(CharPos(std::min(e, total))).value;
    goalCell_ = seek(lineOf(caret_), Seek::ByByte, caret_).cell;
    ensureVisible(caret_);
    ensureVisible(anchor_);
    viewport()->update();
    emit selectionChanged();
}

void TextPane::selectAll()
{
    doc_->waitIndexed();
    anchor_ = 0;
    caret_ = doc_->size().value;
    viewport()->update();
    emit selectionChanged();
}

namespace {

// Decodes bytes into out (room for bytes.size() units), undecodable bytes as
// U+FFFD, the clipboard's form; returns the units written.
std::size_t decodeForClipboard(std::string_view bytes, char16_t* out)
{
    return cp932::decodeTo(bytes, out, cp932::RawBytes::AsReplacement);
}

}  // namespace

void TextPane::copy() const
{
    if (anchor_ == caret_) return;
    const ByteOffset from(std::min(anchor_, caret_));
    const ByteOffset to(std::max(anchor_, caret_));
    QString s;
    if (doc_->substitutions().empty()) {
        // Decoded straight into the clipboard's string (no second copy of a
        // selection that may be hundreds of MB), its memory in huge pages; a
        // large selection in two halves at once, the second from a byte below
        // 0x40 (never a trail byte, so it starts a character).
        const std::string_view bytes = doc_->bytes(from, to);
        s.resize(static_cast<qsizetype>(bytes.size()));
        adviseHugePages(s.data(), bytes.size() * sizeof(QChar));
        auto* out = reinterpret_cast<char16_t*>(s.data());
        std::size_t mid = bytes.size() < (4u << 20) ? bytes.size() : bytes.size() / 2;
        while (mid < bytes.size() && static_cast<unsigned char>(bytes[mid]) >= 0x40) ++mid;
        std::size_t first = 0;
        std::thread half([&] { first = decodeForClipboard(bytes.substr(0, mid), out); });
        const std::size_t second = decodeForClipboard(bytes.substr(mid), out + mid);
        half.join();
        std::memmove(out + first, out + mid, second * sizeof(char16_t));
        s.truncate(static_cast<qsizetype>(first + second));
    } else {
        s = QString::fromStdU16String(doc_->textOfBytes(from, to));
        for (QChar& c : s) {
            if (cp932::isRawByte(c.unicode())) c = QChar(0xFFFD);
        }
    }
    QGuiApplication::clipboard()->setText(s);
}

void TextPane::refresh() { viewport()->update(); }

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

QSize TextPane::cellSize() const { return {cellW_, cellH_}; }

QMenu* TextPane::createContextMenu()
{
    auto* menu = new QMenu(this);
    QAction* copyAction = menu->addAction(QStringLiteral("コピー(&C)"), this, &TextPane::copy);
    copyAction->setEnabled(anchor_ != caret_);
    menu->addAction(QStringLiteral("すべて選択(&A)"), this, &TextPane::selectAll);
    return menu;
}

// ---- geometry --------------------------------------------------------------

std::uint64_t TextPane::firstLine() const { return static_cast<std::uint64_t>(verticalScrollBar()->value()); }
std::uint64_t TextPane::firstCell() const { return static_cast<std::uint64_t>(horizontalScrollBar()->value()); }
std::uint64_t TextPane::visibleLines() const
{
    return static_cast<std::uint64_t>(std::max(1, viewport()->height() / cellH_));
}
std::uint64_t TextPane::visibleCells() const
{
    return static_cast<std::uint64_t>(std::max(1, viewport()->width() / cellW_));
}
std::uint64_t TextPane::lineOf(std::uint64_t byte) const { return doc_->lineOf(ByteOffset(byte)).value; }
std::uint64_t TextPane::lineStart(std::uint64_t line) const { return doc_->lineStart(LineNo(line)).value; }
std::uint64_t TextPane::lineEnd(std::uint64_t line) const { return doc_->lineEnd(LineNo(line)).value; }

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

void TextPane::pollIndex()
{
    const bool done = doc_->indexed();
    const std::uint64_t before = static_cast<std::uint64_t>(verticalScrollBar()->maximum());
    updateScrollBars();
    // Lines near the index's end may have grown; others are final.
    if (before < firstLine() + visibleLines() + 1 || done) viewport()->update();
    if (done) indexTimer_->stop();
}

const TextPane::LineCells* TextPane::longLine(std::uint64_t line) const
{
    for (const auto& c : lineCache_) {
        if (c.line == line) return &c;
    }
    // The last line may still grow while the document is indexed.
    if (!doc_->indexed() && line + 1 >= doc_->lineCount().value) return nullptr;
    const std::uint64_t start = lineStart(line);
    const std::string_view v = doc_->bytes(ByteOffset(start), ByteOffset(lineEnd(line)));
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
            p.byte += run;
            p.cell += run;
            continue;
        }
        const Glyph g = glyphAt(v, i);
        p.cell += cellsOf(g, p.cell);
        p.byte += static_cast<std::uint64_t>(g.bytes);
        i += static_cast<std::size_t>(g.bytes);
    }
    lc.cells = p.cell;
    if (lineCache_.size() >= kCachedLines) lineCache_.erase(lineCache_.begin());
    lineCache_.push_back(std::move(lc));
    return &lineCache_.back();
}

TextPane::LinePos TextPane::seek(std::uint64_t line, Seek by, std::uint64_t target) const
{
    const std::uint64_t start = lineStart(line);
    const std::uint64_t end = lineEnd(line);
    LinePos p{start, 0};
    // Checkpoints pay off only for targets far into a long line.
    if (end - start > kLongLine && (by == Seek::ByCell ? target : target - start) > kLongLine) {
        if (const LineCells* lc = longLine(line)) {
            auto it = std::upper_bound(
                lc->marks.begin(), lc->marks.end(), target,
                [by](std::uint64_t t, const LinePos& m) { return t < (by == Seek::ByCell ? m.cell : m.byte); });
            if (it != lc->marks.begin()) p = *std::prev(it);
        }
    }
    const std::string_view v = doc_->bytes(ByteOffset(start), ByteOffset(end));
    while (p.byte < end) {
        const Glyph g = glyphAt(v, static_cast<std::size_t>(p.byte - start));
        const std::uint64_t w = cellsOf(g, p.cell);
        if (by == Seek::ByCell ? p.cell + w > target : p.byte + static_cast<std::uint64_t>(g.bytes) > target) break;
        p.byte += static_cast<std::uint64_t>(g.bytes);
        p.cell += w;
    }
    return p;
}

std::uint64_t TextPane::lineCells(std::uint64_t line) const
{
    const std::uint64_t start = lineStart(line);
    const std::uint64_t end = lineEnd(line);
    if (end - start > kLongLine) {
        if (const LineCells* lc = longLine(line)) return lc->cells;
    }
    return seek(line, Seek::ByByte, end).cell;
}

// ---- painting --------------------------------------------------------------

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
    QColor dim = text;
    dim.setAlphaF(0.45f);
    QColor dimBack = text;
    dimBack.setAlphaF(0.08f);

    const std::uint64_t first = firstLine();
    const std::uint64_t hcell = firstCell();
    const std::uint64_t rows = visibleLines() + 1;
    const std::uint64_t cols = visibleCells() + 1;
    const std::uint64_t lines = doc_->lineCount().value;
    const std::uint64_t selA = std::min(anchor_, caret_);
    const std::uint64_t selB = std::max(anchor_, caret_);
    const bool showSel = isEnabled() && selA != selB;
    const auto& subs = doc_->substitutions();
    std::uint64_t widest = widestCells_;

    for (std::uint64_t r = 0; r < rows && first + r < lines; ++r) {
        const std::uint64_t line = first + r;
        const std::uint64_t start = lineStart(line);
        const std::uint64_t end = lineEnd(line);
        const int y = static_cast<int>(r) * cellH_;
        const std::string_view v = doc_->bytes(ByteOffset(start), ByteOffset(end));
        LinePos pos = seek(line, Seek::ByCell, hcell);
        while (pos.byte < end && pos.cell < hcell + cols) {
            Glyph g = glyphAt(v, static_cast<std::size_t>(pos.byte - start));
            const std::uint64_t w = cellsOf(g, pos.cell);
            if (g.unit == u'?' && !subs.empty()) {
                auto it = std::lower_bound(subs.begin(), subs.end(), pos.byte,
                                           [](const Substitution& s, std::uint64_t b) { return s.at.value < b; });
                if (it != subs.end() && it->at.value == pos.byte) g.unit = it->unit;
            }
            const int x =
                static_cast<int>((static_cast<std::int64_t>(pos.cell) - static_cast<std::int64_t>(hcell)) * cellW_);
            const int width = static_cast<int>(w) * cellW_;
            const bool selected = showSel && pos.byte >= selA && pos.byte < selB;
            if (selected) p.fillRect(x, y, width, cellH_, selBack);
            if (isHexCell(g.unit)) {
                const auto byte = static_cast<unsigned char>(v[static_cast<std::size_t>(pos.byte - start)]);
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
            pos.byte += static_cast<std::uint64_t>(g.bytes);
            pos.cell += w;
        }
        // A selected line break shows as one selected cell after the line.
        if (showSel && pos.byte == end && line + 1 < lines && end >= selA && end < selB) {
            const int x =
                static_cast<int>((static_cast<std::int64_t>(pos.cell) - static_cast<std::int64_t>(hcell)) * cellW_);
            p.fillRect(x, y, cellW_, cellH_, selBack);
        }
        // A line's cells are at least its bytes; long lines are measured exactly
        // only once something needs their end.
        widest = std::max(widest, pos.byte == end ? pos.cell : end - start > kLongLine ? end - start : lineCells(line));
    }

    if (hasFocus() && isEnabled()) {
        const std::uint64_t line = lineOf(caret_);
        if (line >= first && line < first + rows) {
            const std::uint64_t cell = seek(line, Seek::ByByte, caret_).cell;
            if (cell >= hcell && cell <= hcell + cols) {
                const int x = static_cast<int>(cell - hcell) * cellW_;
                const int y = static_cast<int>(line - first) * cellH_;
                p.fillRect(x, y, 2, cellH_, text);
            }
        }
        p.setPen(QPen(pal.color(QPalette::Active, QPalette::Highlight), 1));
        p.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
    }
    p.end();

    if (widest > widestCells_) {
        widestCells_ = widest;
        updateScrollBars();
    }
}

void TextPane::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TextPane::scrollContentsBy(int, int) { viewport()->update(); }

void TextPane::ensureVisible(std::uint64_t byte)
{
    const std::uint64_t line = lineOf(byte);
    const std::uint64_t rows = visibleLines();
    updateScrollBars();
    if (line < firstLine()) {
        verticalScrollBar()->setValue(clampInt(line));
    } else if (line >= firstLine() + rows) {
        verticalScrollBar()->setValue(clampInt(line - rows + 1));
    }
    const std::uint64_t cell = seek(line, Seek::ByByte, byte).cell;
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

// ---- caret and selection ---------------------------------------------------

void TextPane::moveCaret(std::uint64_t byte, Select select, Column column)
{
    caret_ = byte;
    if (select == Select::Move) anchor_ = byte;
    if (column == Column::Reset) goalCell_ = seek(lineOf(byte), Seek::ByByte, byte).cell;
    ensureVisible(caret_);
    viewport()->update();
    emit selectionChanged();
}

std::uint64_t TextPane::caretAt(QPoint pt) const
{
    const std::uint64_t lines = doc_->lineCount().value;
    const std::uint64_t row = pt.y() < 0 ? 0 : static_cast<std::uint64_t>(pt.y() / cellH_);
    const std::uint64_t line = std::min(firstLine() + row, lines - 1);
    const double x = static_cast<double>(firstCell()) + std::max(0, pt.x()) / static_cast<double>(cellW_);
    LinePos p = seek(line, Seek::ByCell, static_cast<std::uint64_t>(std::floor(x)));
    const std::uint64_t start = lineStart(line);
    const std::uint64_t end = lineEnd(line);
    if (p.byte < end) {
        const Glyph g =
            glyphAt(doc_->bytes(ByteOffset(start), ByteOffset(end)), static_cast<std::size_t>(p.byte - start));
        if (x - static_cast<double>(p.cell) > static_cast<double>(cellsOf(g, p.cell)) / 2.0)
            p.byte += static_cast<std::uint64_t>(g.bytes);
    }
    return p.byte;
}

void TextPane::selectWordAt(std::uint64_t byte)
{
    const std::uint64_t line = lineOf(byte);
    const std::uint64_t start = lineStart(line);
    const std::uint64_t end = lineEnd(line);
    if (byte >= end) {
        moveCaret(byte, Select::Move);
        return;
    }
    const std::uint64_t from = seek(line, Seek::ByByte, byte > start + kWordReach ? byte - kWordReach : start).byte;
    const std::uint64_t to = std::min(end, byte + kWordReach);
    const std::string_view v = doc_->bytes(ByteOffset(start), ByteOffset(end));
    struct Item {
        std::uint64_t byte;
        int cls;
    };
    std::vector<Item> items;
    std::size_t hit = 0;
    for (std::uint64_t b = from; b < to;) {
        const Glyph g = glyphAt(v, static_cast<std::size_t>(b - start));
        if (b <= byte) hit = items.size();
        items.push_back({b, wordClass(g.unit)});
        b += static_cast<std::uint64_t>(g.bytes);
    }
    items.push_back({to, -1});
    std::size_t lo = hit;
    std::size_t hi = hit + 1;
    const int cls = items[hit].cls;
    if (cls != 0) {
        while (lo > 0 && items[lo - 1].cls == cls) --lo;
        while (hi + 1 < items.size() && items[hi].cls == cls) ++hi;
    }
    anchor_ = items[lo].byte;
    caret_ = items[hi].byte;
    goalCell_ = seek(line, Seek::ByByte, caret_).cell;
    ensureVisible(caret_);
    viewport()->update();
    emit selectionChanged();
}

void TextPane::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const Select how = shift ? Select::Extend : Select::Move;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const std::uint64_t line = lineOf(caret_);
    const std::uint64_t lines = doc_->lineCount().value;
    switch (e->key()) {
        case Qt::Key_Left: {
            if (!shift && anchor_ != caret_) return moveCaret(std::min(anchor_, caret_), Select::Move);
            std::uint64_t b = caret_;
            if (b == lineStart(line)) {
                if (line > 0) b = lineEnd(line - 1);
            } else {
                b = doc_->byteOf(doc_->charOf(ByteOffset(b)) - 1).value;
            }
            return moveCaret(b, how);
        }
        case Qt::Key_Right: {
            if (!shift && anchor_ != caret_) return moveCaret(std::max(anchor_, caret_), Select::Move);
            std::uint64_t b = caret_;
            if (b >= lineEnd(line)) {
                if (line + 1 < lines) b = lineStart(line + 1);
            } else {
                b = doc_->byteOf(doc_->charOf(ByteOffset(b)) + 1).value;
            }
            return moveCaret(b, how);
        }
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            const std::uint64_t step = (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown)
                                           ? std::max<std::uint64_t>(1, visibleLines() - 1)
                                           : 1;
            const bool up = e->key() == Qt::Key_Up || e->key() == Qt::Key_PageUp;
            const std::uint64_t target = up ? (line > step ? line - step : 0) : std::min(lines - 1, line + step);
            if (step > 1) {
                const auto v = static_cast<std::uint64_t>(verticalScrollBar()->value());
                verticalScrollBar()->setValue(clampInt(up ? (v > step ? v - step : 0) : v + step));
            }
            return moveCaret(seek(target, Seek::ByCell, goalCell_).byte, how, Column::Keep);
        }
        case Qt::Key_Home:
            if (ctrl) return moveCaret(0, how);
            return moveCaret(lineStart(line), how);
        case Qt::Key_End:
            if (ctrl) {
                doc_->waitIndexed();
                updateScrollBars();
                return moveCaret(doc_->size().value, how);
            }
            return moveCaret(lineEnd(line), how);
        default:
            // The pane is read-only: keys that would edit do nothing.
            e->accept();
            return;
    }
}

void TextPane::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(e);
    setFocus(Qt::MouseFocusReason);
    lastMouse_ = e->position().toPoint();
    moveCaret(caretAt(lastMouse_), (e->modifiers() & Qt::ShiftModifier) ? Select::Extend : Select::Move);
    dragging_ = true;
}

void TextPane::mouseMoveEvent(QMouseEvent* e)
{
    if (!dragging_) return;
    lastMouse_ = e->position().toPoint();
    if (viewport()->rect().contains(lastMouse_)) {
        scrollTimer_->stop();
        moveCaret(caretAt(lastMouse_), Select::Extend);
    } else {
        autoScroll();
        scrollTimer_->start();
    }
}

void TextPane::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        dragging_ = false;
        scrollTimer_->stop();
    }
}

void TextPane::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    selectWordAt(caretAt(e->position().toPoint()));
}

void TextPane::autoScroll()
{
    if (!dragging_) {
        scrollTimer_->stop();
        return;
    }
    const QRect r = viewport()->rect();
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    if (lastMouse_.y() < r.top()) v->setValue(v->value() - 1);
    if (lastMouse_.y() > r.bottom()) v->setValue(v->value() + 1);
    if (lastMouse_.x() < r.left()) h->setValue(h->value() - 2);
    if (lastMouse_.x() > r.right()) h->setValue(h->value() + 2);
    const QPoint inside(std::clamp(lastMouse_.x(), r.left(), r.right() + 1),
                        std::clamp(lastMouse_.y(), r.top(), r.bottom()));
    moveCaret(caretAt(inside), Select::Extend);
}

void TextPane::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

void TextPane::focusInEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void TextPane::focusOutEvent(QFocusEvent* e)
{
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

void TextPane::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::EnabledChange) {
        dragging_ = false;
        scrollTimer_->stop();
        viewport()->update();
    }
}

}  // namespace soramie
