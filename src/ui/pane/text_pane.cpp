// SPDX-License-Identifier: MIT
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
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
constexpr std::uint64_t kLongLine = std::uint64_t{16} * 1024;
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

std::u16string_view unitsOf(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

// Bytes (and cells) the text takes in CP932 ('?' for a character without a code).
std::uint64_t encodedLength(std::u16string_view text)
{
    std::uint64_t n = 0;
    for (const char16_t u : text) n += cp932::codeOf(u) > 0xFF ? 2 : 1;
    return n;
}

std::uint64_t cellsOfText(const QString& text, int units) { return encodedLength(unitsOf(text.left(units))); }

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
    setAttribute(Qt::WA_InputMethodEnabled, true);
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
    history_.assign(1, Step{doc_, 0, 0, false});
    current_ = 0;
    saved_ = 0;
    merging_ = false;
    if (!preedit_.isEmpty()) {
        preedit_.clear();
        QGuiApplication::inputMethod()->reset();
    }
    anchor_ = caret_ = goalCell_ = 0;
    widestCells_ = 0;
    dragging_ = false;
    scrollTimer_->stop();
    documentChanged();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    emit selectionChanged();
}

void TextPane::setDocumentAsStep(DocumentPtr doc)
{
    Step step{doc ? std::move(doc) : Document::empty(), 0, 0, false};
    pushStep(step, false);
    dragging_ = false;
    showStep(step);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void TextPane::documentChanged()
{
    lineCache_.clear();
    updateScrollBars();
    if (!doc_->indexed()) {
        indexTimer_->start();
    } else {
        indexTimer_->stop();
    }
    viewport()->update();
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
    merging_ = false;
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
    merging_ = false;
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
        std::string scratch;
        const std::string_view bytes = doc_->bytes(from, to, scratch);
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
        s.truncate(static_cast<qsizetype>(first) + static_cast<qsizetype>(second));
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
    const bool selected = anchor_ != caret_;
    menu->addAction(QStringLiteral("元に戻す(&U)"), this, &TextPane::undo)->setEnabled(!readOnly_ && canUndo());
    menu->addAction(QStringLiteral("やり直し(&R)"), this, &TextPane::redo)->setEnabled(!readOnly_ && canRedo());
    menu->addSeparator();
    menu->addAction(QStringLiteral("切り取り(&T)"), this, &TextPane::cut)->setEnabled(!readOnly_ && selected);
    menu->addAction(QStringLiteral("コピー(&C)"), this, &TextPane::copy)->setEnabled(selected);
    menu->addAction(QStringLiteral("貼り付け(&P)"), this, &TextPane::paste)
        ->setEnabled(!readOnly_ && !QGuiApplication::clipboard()->text().isEmpty());
    menu->addAction(QStringLiteral("削除(&D)"), this, &TextPane::removeSelection)->setEnabled(!readOnly_ && selected);
    menu->addSeparator();
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
    std::string scratch;
    const std::string_view v = doc_->bytes(ByteOffset(start), ByteOffset(lineEnd(line)), scratch);
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
    // A character takes at least one cell per byte but a TAB, so the walk never
    // needs more bytes than cells to the target (plus the last character's).
    const std::uint64_t reach =
        by == Seek::ByCell ? (target > p.cell ? target - p.cell : 0) : (target > p.byte ? target - p.byte : 0);
    const std::uint64_t stop = std::min(end, p.byte + reach + 2);
    std::string scratch;
    const std::uint64_t from = p.byte;
    const std::string_view v = doc_->bytes(ByteOffset(from), ByteOffset(stop), scratch);
    while (p.byte < stop) {
        if (stop < end && p.byte + 1 >= stop) break;  // the character may run past the window
        const Glyph g = glyphAt(v, static_cast<std::size_t>(p.byte - from));
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
    std::string scratch;

    for (std::uint64_t r = 0; r < rows && first + r < lines; ++r) {
        const std::uint64_t line = first + r;
        const std::uint64_t start = lineStart(line);
        const std::uint64_t end = lineEnd(line);
        const int y = static_cast<int>(r) * cellH_;
        LinePos pos = seek(line, Seek::ByCell, hcell);
        // Only the bytes that can reach the visible cells are read.
        const std::uint64_t from = pos.byte;
        const std::uint64_t stop = std::min(end, from + (hcell + cols - pos.cell) + 2);
        const std::string_view v = doc_->bytes(ByteOffset(from), ByteOffset(stop), scratch);
        while (pos.byte < stop && pos.cell < hcell + cols) {
            Glyph g = glyphAt(v, static_cast<std::size_t>(pos.byte - from));
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

    if (!preedit_.isEmpty()) {
        // The input method's pre-edit text over the line at the caret, underlined.
        const std::uint64_t line = lineOf(caret_);
        const auto cell = static_cast<std::int64_t>(seek(line, Seek::ByByte, caret_).cell);
        int x = static_cast<int>((cell - static_cast<std::int64_t>(hcell)) * cellW_);
        const int y = static_cast<int>((static_cast<std::int64_t>(line) - static_cast<std::int64_t>(first)) * cellH_);
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
    merging_ = false;
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
    const std::uint64_t end = lineEnd(line);
    if (p.byte < end) {
        std::string scratch;
        const Glyph g = glyphAt(doc_->bytes(ByteOffset(p.byte), ByteOffset(std::min(end, p.byte + 2)), scratch), 0);
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
    std::string scratch;
    const std::string_view v = doc_->bytes(ByteOffset(from), ByteOffset(to), scratch);
    struct Item {
        std::uint64_t byte;
        int cls;
    };
    std::vector<Item> items;
    std::size_t hit = 0;
    for (std::uint64_t b = from; b < to;) {
        const Glyph g = glyphAt(v, static_cast<std::size_t>(b - from));
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
    merging_ = false;
    anchor_ = items[lo].byte;
    caret_ = items[hi].byte;
    goalCell_ = seek(line, Seek::ByByte, caret_).cell;
    ensureVisible(caret_);
    viewport()->update();
    emit selectionChanged();
}

void TextPane::keyPressEvent(QKeyEvent* e)
{
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const int key = e->key();
    if (e->matches(QKeySequence::Copy)) return copy();
    if (e->matches(QKeySequence::SelectAll)) return selectAll();
    if (e->matches(QKeySequence::Undo)) return undo();
    if (e->matches(QKeySequence::Redo) || (ctrl && !shift && key == Qt::Key_Y)) return redo();
    if (e->matches(QKeySequence::Paste)) return paste();
    // Shift+Delete cuts; Ctrl+X stays the window's own command.
    if (key == Qt::Key_Delete && shift && !ctrl) return cut();
    const Select how = shift ? Select::Extend : Select::Move;
    const std::uint64_t line = lineOf(caret_);
    const std::uint64_t lines = doc_->lineCount().value;
    const std::uint64_t selA = std::min(anchor_, caret_);
    const std::uint64_t selB = std::max(anchor_, caret_);
    switch (key) {
        case Qt::Key_Left:
            if (!shift && !ctrl && anchor_ != caret_) return moveCaret(selA, Select::Move);
            return moveCaret(ctrl ? wordLeft(caret_) : previousPosition(caret_), how);
        case Qt::Key_Right:
            if (!shift && !ctrl && anchor_ != caret_) return moveCaret(selB, Select::Move);
            return moveCaret(ctrl ? wordRight(caret_) : nextPosition(caret_), how);
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            const std::uint64_t step =
                (key == Qt::Key_PageUp || key == Qt::Key_PageDown) ? std::max<std::uint64_t>(1, visibleLines() - 1) : 1;
            const bool up = key == Qt::Key_Up || key == Qt::Key_PageUp;
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
        case Qt::Key_Backspace:
            if (ctrl) break;
            if (selA != selB) return edit(selA, selB, u"", EditKind::Backspace);
            return edit(previousPosition(caret_), caret_, u"", EditKind::Backspace);
        case Qt::Key_Delete:
            if (ctrl) break;
            if (selA != selB) return edit(selA, selB, u"", EditKind::Delete);
            return edit(caret_, nextPosition(caret_), u"", EditKind::Delete);
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return edit(selA, selB, u"\r\n", EditKind::LineBreak);
        case Qt::Key_Tab:
            if (ctrl) break;
            return edit(selA, selB, u"\t", EditKind::Typing);
        default: {
            const QString typed = e->text();
            const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(), [](QChar c) {
                return c.unicode() >= 0x20 && c.unicode() != 0x7F;
            });
            if (printable && !ctrl && !(e->modifiers() & (Qt::AltModifier | Qt::MetaModifier))) {
                return edit(selA, selB,
                            std::u16string_view(reinterpret_cast<const char16_t*>(typed.utf16()),
                                                static_cast<std::size_t>(typed.size())),
                            EditKind::Typing);
            }
            break;
        }
    }
    e->accept();
}

// ---- editing -----------------------------------------------------------------

void TextPane::setReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
}

void TextPane::edit(std::uint64_t from, std::uint64_t to, std::u16string_view text, EditKind kind)
{
    if (readOnly_ || (from == to && text.empty())) return;
    const DocumentPtr next = doc_->edited(ByteOffset(from), ByteOffset(to), text);
    // The caret after the text, on a character boundary of the new document
    // (the text's last byte may have joined the character after it).
    std::uint64_t caret = std::min(from + encodedLength(text), next->size().value);
    caret = next->byteOf(next->charOf(ByteOffset(caret))).value;
    const bool mergeable = merging_ && ((kind == lastKind_ && kind != EditKind::Other && kind != EditKind::LineBreak) ||
                                        (kind == EditKind::LineBreak && lastKind_ == EditKind::Typing));
    if (!mergeable) {
        // Undoing this step puts the selection back as it was before it.
        history_[current_].anchor = anchor_;
        history_[current_].caret = caret_;
    }
    pushStep({next, caret, caret, true}, mergeable);
    doc_ = next;
    anchor_ = caret_ = caret;
    documentChanged();
    goalCell_ = seek(lineOf(caret_), Seek::ByByte, caret_).cell;
    ensureVisible(caret_);
    merging_ = kind == EditKind::Typing || kind == EditKind::Backspace || kind == EditKind::Delete;
    lastKind_ = kind;
    emit selectionChanged();
    updateInputMethod();
}

void TextPane::pushStep(Step step, bool mergeable)
{
    if (mergeable && current_ > 0 && current_ != saved_ && current_ + 1 == history_.size()) {
        history_[current_].doc = std::move(step.doc);
        history_[current_].anchor = step.anchor;
        history_[current_].caret = step.caret;
        return;
    }
    history_.resize(current_ + 1);
    if (saved_ != kNoSave && saved_ > current_) saved_ = kNoSave;
    history_.push_back(std::move(step));
    ++current_;
}

void TextPane::showStep(const Step& step)
{
    merging_ = false;
    doc_ = step.doc;
    anchor_ = step.anchor;
    caret_ = step.caret;
    documentChanged();
    goalCell_ = seek(lineOf(caret_), Seek::ByByte, caret_).cell;
    ensureVisible(caret_);
    emit selectionChanged();
    updateInputMethod();
}

void TextPane::undo()
{
    if (readOnly_ || !canUndo()) return;
    --current_;
    showStep(history_[current_]);
}

void TextPane::redo()
{
    if (readOnly_ || !canRedo()) return;
    ++current_;
    showStep(history_[current_]);
}

bool TextPane::hasUnsavedEdits() const
{
    if (saved_ == current_) return false;
    const std::size_t lo = saved_ == kNoSave ? 0 : std::min(saved_, current_);
    const std::size_t hi = saved_ == kNoSave ? history_.size() - 1 : std::max(saved_, current_);
    for (std::size_t i = lo + 1; i <= hi; ++i) {
        if (history_[i].typed) return true;
    }
    return false;
}

void TextPane::markSaved()
{
    saved_ = current_;
    merging_ = false;
}

void TextPane::insertText(const QString& text)
{
    edit(std::min(anchor_, caret_), std::max(anchor_, caret_), unitsOf(text), EditKind::Other);
}

void TextPane::removeSelection() { insertText(QString()); }

void TextPane::cut()
{
    if (readOnly_ || anchor_ == caret_) return;
    copy();
    removeSelection();
}

void TextPane::paste()
{
    if (readOnly_) return;
    QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty()) return;
    if (!text.contains(QLatin1Char('\r'))) text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    insertText(text);
}

std::uint64_t TextPane::previousPosition(std::uint64_t byte) const
{
    const std::uint64_t line = lineOf(byte);
    if (byte == lineStart(line)) return line > 0 ? lineEnd(line - 1) : byte;
    return doc_->byteOf(doc_->charOf(ByteOffset(byte)) - 1).value;
}

std::uint64_t TextPane::nextPosition(std::uint64_t byte) const
{
    const std::uint64_t line = lineOf(byte);
    if (byte >= lineEnd(line)) return line + 1 < doc_->lineCount().value ? lineStart(line + 1) : byte;
    return doc_->byteOf(doc_->charOf(ByteOffset(byte)) + 1).value;
}

namespace {

struct Classed {
    std::uint64_t byte;
    int cls;
};

// The characters of doc's bytes [from, to) (from a character boundary) with
// their word classes.
std::vector<Classed> classesOf(const Document& doc, std::uint64_t from, std::uint64_t to)
{
    std::string scratch;
    const std::string_view v = doc.bytes(ByteOffset(from), ByteOffset(to), scratch);
    std::vector<Classed> out;
    for (std::size_t i = 0; i < v.size();) {
        const Glyph g = glyphAt(v, i);
        out.push_back({from + i, wordClass(g.unit)});
        i += static_cast<std::size_t>(g.bytes);
    }
    return out;
}

}  // namespace

std::uint64_t TextPane::wordRight(std::uint64_t byte) const
{
    const std::uint64_t end = lineEnd(lineOf(byte));
    if (byte >= end) return nextPosition(byte);
    const auto items = classesOf(*doc_, byte, std::min(end, byte + kWordReach));
    std::size_t i = 0;
    const int cls = items[0].cls;
    if (cls == 0 || cls == 1) {
        ++i;
    } else {
        while (i < items.size() && items[i].cls == cls) ++i;
    }
    while (i < items.size() && items[i].cls == 1) ++i;
    return i < items.size() ? items[i].byte : std::min(end, byte + kWordReach) == end ? end : items.back().byte;
}

std::uint64_t TextPane::wordLeft(std::uint64_t byte) const
{
    const std::uint64_t line = lineOf(byte);
    const std::uint64_t start = lineStart(line);
    if (byte <= start) return previousPosition(byte);
    const std::uint64_t from = byte > start + kWordReach ? seek(line, Seek::ByByte, byte - kWordReach).byte : start;
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

// ---- input methods -------------------------------------------------------------

QRect TextPane::caretRect() const
{
    const std::uint64_t line = lineOf(caret_);
    const std::uint64_t cell = seek(line, Seek::ByByte, caret_).cell + cellsOfText(preedit_, preeditCursor_);
    const auto x = (static_cast<std::int64_t>(cell) - static_cast<std::int64_t>(firstCell())) * cellW_;
    const auto y = (static_cast<std::int64_t>(line) - static_cast<std::int64_t>(firstLine())) * cellH_;
    const auto clamp = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, -1000000, 1000000)); };
    return {clamp(x), clamp(y), 2, cellH_};
}

void TextPane::updateInputMethod()
{
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImQueryInput);
}

void TextPane::inputMethodEvent(QInputMethodEvent* e)
{
    if (readOnly_ || !isEnabled()) {
        e->ignore();
        return;
    }
    const QString commit = e->commitString();
    if (!commit.isEmpty() || e->replacementLength() > 0) {
        std::uint64_t from = std::min(anchor_, caret_);
        std::uint64_t to = std::max(anchor_, caret_);
        if (e->replacementLength() > 0) {
            // Characters around the caret that the input method replaces.
            const auto c = static_cast<qint64>(doc_->charOf(ByteOffset(caret_)).value);
            const auto total = static_cast<qint64>(doc_->charCount().value);
            const qint64 start = std::clamp<qint64>(c + e->replacementStart(), 0, total);
            const qint64 stop = std::clamp<qint64>(start + e->replacementLength(), start, total);
            from = doc_->byteOf(CharPos(static_cast<std::uint64_t>(start))).value;
            to = doc_->byteOf(CharPos(static_cast<std::uint64_t>(stop))).value;
        }
        edit(from, to, unitsOf(commit), EditKind::Other);
    }
    preedit_ = e->preeditString();
    preeditCursor_ = static_cast<int>(preedit_.size());
    for (const QInputMethodEvent::Attribute& a : e->attributes()) {
        if (a.type == QInputMethodEvent::Cursor)
            preeditCursor_ = std::clamp(a.start, 0, static_cast<int>(preedit_.size()));
    }
    if (!preedit_.isEmpty()) ensureVisible(caret_);
    viewport()->update();
    e->accept();
}

QVariant TextPane::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // The text around the caret: its line, at most 256 characters each way.
    const auto surrounding = [this](std::uint64_t& first, std::uint64_t& caret) {
        const std::uint64_t line = lineOf(caret_);
        const std::uint64_t lineFirst = doc_->charOf(ByteOffset(lineStart(line))).value;
        const std::uint64_t lineLast = doc_->charOf(ByteOffset(lineEnd(line))).value;
        caret = doc_->charOf(ByteOffset(caret_)).value;
        first = std::max(lineFirst, caret > 256 ? caret - 256 : 0);
        const std::uint64_t last = std::min(lineLast, caret + 256);
        return QString::fromStdU16String(doc_->text(CharPos(first), CharCount(last - first)));
    };
    switch (query) {
        case Qt::ImEnabled:
            return !readOnly_ && isEnabled();
        case Qt::ImCursorRectangle:
        case Qt::ImAnchorRectangle:
            return QRectF(caretRect().translated(viewport()->pos()));
        case Qt::ImFont:
            return font_;
        case Qt::ImHints:
            return static_cast<int>(Qt::ImhMultiLine);
        case Qt::ImSurroundingText: {
            std::uint64_t first = 0, caret = 0;
            return surrounding(first, caret);
        }
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition: {
            std::uint64_t first = 0, caret = 0;
            const QString text = surrounding(first, caret);
            if (query == Qt::ImCursorPosition) return static_cast<int>(caret - first);
            const std::uint64_t anchor = doc_->charOf(ByteOffset(anchor_)).value;
            return static_cast<int>(
                std::clamp<std::uint64_t>(anchor, first, first + static_cast<std::uint64_t>(text.size())) - first);
        }
        case Qt::ImCurrentSelection:
            return std::max(anchor_, caret_) - std::min(anchor_, caret_) <= 4096 ? selectedText() : QString();
        case Qt::ImTextBeforeCursor:
        case Qt::ImTextAfterCursor: {
            std::uint64_t first = 0, caret = 0;
            const QString text = surrounding(first, caret);
            const auto at = static_cast<qsizetype>(caret - first);
            return query == Qt::ImTextBeforeCursor ? text.left(at) : text.mid(at);
        }
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

bool TextPane::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride && !readOnly_) {
        // Keys that edit belong to the pane, not to the window's shortcuts
        // (Delete is also "ファイル削除"); Ctrl+X stays the window's command.
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        const bool plainKey = mods == Qt::NoModifier &&
                              (k->key() == Qt::Key_Delete || k->key() == Qt::Key_Backspace || !k->text().isEmpty());
        const bool editShortcut = k->matches(QKeySequence::Undo) || k->matches(QKeySequence::Redo) ||
                                  k->matches(QKeySequence::Paste) ||
                                  (mods == Qt::ControlModifier && k->key() == Qt::Key_Y);
        if (plainKey || editShortcut) {
            e->accept();
            return true;
        }
    }
    if (e->type() == QEvent::KeyPress && !readOnly_) {
        // Tab types a TAB instead of moving the focus.
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab && !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(k);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void TextPane::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(e);
    if (!preedit_.isEmpty()) QGuiApplication::inputMethod()->commit();
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
