// SPDX-License-Identifier: MIT
// The pane's document, selection, clipboard and edits.
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputMethod>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <thread>

#include "core/cp932.h"
#include "core/memory.h"
#include "ui/pane/private/cells.h"

namespace soramie {

using pane_detail::encodedLength;
using pane_detail::unitsOf;

TextPane::TextPane(QWidget* parent) : QAbstractScrollArea(parent), doc_(Document::empty()), history_(doc_)
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
    history_.reset(doc_);
    changeReported_ = false;
    if (!preedit_.isEmpty()) {
        preedit_.clear();
        QGuiApplication::inputMethod()->reset();
    }
    anchor_ = caret_ = ByteOffset(0);
    goalCell_ = 0;
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
    // The caret keeps its line and cell column, clamped to the new text (keys
    // held while the command ran land there).
    const LineNo line = lineOf(caret_);
    const std::uint64_t cell = atByte(line, caret_).cell;
    doc_ = doc ? std::move(doc) : Document::empty();
    lineCache_.clear();
    const ByteOffset caret = atCell(LineNo(std::min(line.value, doc_->lineCount().value - 1)), cell).byte;
    const EditHistory::Step& step = history_.recordCommand(doc_, {caret, caret});
    dragging_ = false;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    showStep(step);
}

void TextPane::takeGrowth(DocumentPtr grown)
{
    history_.growAll(grown);
    doc_ = std::move(grown);
    documentChanged();
}

void TextPane::adoptSavedFile(DocumentPtr file)
{
    history_.replaceCurrent(file);
    doc_ = std::move(file);
    changeReported_ = false;
    anchor_ = std::min(anchor_, doc_->size());
    caret_ = std::min(caret_, doc_->size());
    const int top = verticalScrollBar()->value();
    const int left = horizontalScrollBar()->value();
    documentChanged();
    verticalScrollBar()->setValue(top);
    horizontalScrollBar()->setValue(left);
}

void TextPane::documentChanged()
{
    lineCache_.clear();
    // The scroll range follows the new document's lines, not the widest line
    // an earlier document had (painting widens it as lines come into view).
    widestCells_ = widestVisibleCells();
    updateScrollBars();
    checkIntegrity();
    if (!doc_->indexed()) {
        indexTimer_->start(kIndexPollMs);
    } else if (watchesFile()) {
        indexTimer_->start(kIntegrityPollMs);
    } else {
        indexTimer_->stop();
    }
    viewport()->update();
}

bool TextPane::watchesFile() const { return !changeReported_ && doc_->fileStamp().has_value(); }

void TextPane::checkIntegrity()
{
    if (changeReported_ || doc_->integrity() == Integrity::Intact) return;
    changeReported_ = true;
    // Queued: it may be found while painting, where no box belongs.
    QMetaObject::invokeMethod(
        this, [this] { emit fileChangedOnDisk(); }, Qt::QueuedConnection);
}

QString TextPane::text() const { return QString::fromStdU16String(doc_->text()); }

TextDocument TextPane::setText(const QString& text)
{
    const std::u16string_view units = unitsOf(text);
    TextDocument r = doc_->size().value == 0 ? Document::fromText(units) : doc_->withText(units);
    setDocument(r.document);
    return r;
}

void TextPane::clear() { setDocument(nullptr); }

std::uint64_t TextPane::sizeInBytes() const { return doc_->size().value; }

qint64 TextPane::selectionStart() const { return static_cast<qint64>(doc_->charOf(selectionFrom()).value); }

qint64 TextPane::selectionLength() const
{
    return static_cast<qint64>(doc_->charOf(selectionTo()) - doc_->charOf(selectionFrom()));
}

QString TextPane::selectedText() const
{
    return QString::fromStdU16String(doc_->textOfBytes(selectionFrom(), selectionTo()));
}

void TextPane::setSelection(qint64 start, qint64 length)
{
    const auto s = static_cast<std::uint64_t>(std::max<qint64>(0, start));
    const auto e = s + static_cast<std::uint64_t>(std::max<qint64>(0, length));
    if (e > doc_->charCount().value) doc_->waitIndexed();
    const std::uint64_t total = doc_->charCount().value;
    history_.endRun();
    anchor_ = doc_->byteOf(CharPos(std::min(s, total)));
    caret_ = doc_->byteOf(CharPos(std::min(e, total)));
    goalCell_ = atByte(lineOf(caret_), caret_).cell;
    ensureVisible(caret_);
    ensureVisible(anchor_);
    viewport()->update();
    emit selectionChanged();
}

void TextPane::selectAll()
{
    doc_->waitIndexed();
    history_.endRun();
    anchor_ = ByteOffset(0);
    caret_ = doc_->size();
    viewport()->update();
    emit selectionChanged();
}

void TextPane::moveCaret(ByteOffset byte, Select select, Column column)
{
    history_.endRun();
    caret_ = byte;
    if (select == Select::Move) anchor_ = byte;
    if (column == Column::Reset) goalCell_ = atByte(lineOf(byte), byte).cell;
    ensureVisible(caret_);
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

TextPane::CopyOutcome TextPane::copy() const
{
    if (anchor_ == caret_) return CopyOutcome::NothingSelected;
    const ByteOffset from = selectionFrom();
    const ByteOffset to = selectionTo();
    if (to - from > kCopyMaxBytes) {
        emit const_cast<TextPane*>(this)->copyRefused(to - from);
        return CopyOutcome::TooLarge;
    }
    try {
        putOnClipboard(from, to);
    } catch (const std::bad_alloc&) {
        emit const_cast<TextPane*>(this)->outOfMemory();
        return CopyOutcome::OutOfMemory;
    }
    return CopyOutcome::Copied;
}

void TextPane::putOnClipboard(ByteOffset from, ByteOffset to) const
{
    QString s;
    std::string scratch;
    const std::string_view bytes = doc_->bytes(from, to, scratch);
    const auto& subs = doc_->substitutions();
    const auto firstSub = std::lower_bound(subs.begin(), subs.end(), from,
                                           [](const Substitution& sub, ByteOffset b) { return sub.at < b; });
    // Characters without a code are stored as '?': only their text keeps them.
    const bool exactBytes = firstSub == subs.end() || !(firstSub->at < to);
    if (subs.empty()) {
        // Decoded straight into the clipboard's string (no second copy of a
        // selection that may be hundreds of MB), its memory in huge pages; a
        // large selection in two halves at once, the second from a byte below
        // 0x40 (never a trail byte, so it starts a character).
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
    auto mime = std::make_unique<QMimeData>();
    mime->setText(s);
    if (exactBytes) {
        mime->setData(QString::fromLatin1(kBytesMimeType),
                      QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    QGuiApplication::clipboard()->setMimeData(mime.release());
}

void TextPane::refresh() { viewport()->update(); }

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

// ---- editing -----------------------------------------------------------------

void TextPane::setReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
}

void TextPane::edit(ByteOffset from, ByteOffset to, std::u16string_view text, EditKind kind)
{
    if (readOnly_ || (from == to && text.empty())) return;
    showEdit(doc_->edited(from, to, text), from, encodedLength(text), kind);
}

void TextPane::showEdit(const DocumentPtr& next, ByteOffset from, std::uint64_t length, EditKind kind)
{
    // The caret after the new bytes, on a character boundary of the new
    // document (their last byte may have joined the character after them).
    ByteOffset caret = std::min(from + length, next->size());
    caret = next->byteOf(next->charOf(caret));
    history_.recordEdit(next, caret, kind, {anchor_, caret_});
    doc_ = next;
    anchor_ = caret_ = caret;
    documentChanged();
    goalCell_ = atByte(lineOf(caret_), caret_).cell;
    ensureVisible(caret_);
    emit selectionChanged();
    updateInputMethod();
}

void TextPane::showStep(const EditHistory::Step& step)
{
    doc_ = step.doc;
    anchor_ = step.selection.anchor;
    caret_ = step.selection.caret;
    documentChanged();
    goalCell_ = atByte(lineOf(caret_), caret_).cell;
    ensureVisible(caret_);
    emit selectionChanged();
    updateInputMethod();
}

void TextPane::undo()
{
    if (readOnly_ || !canUndo()) return;
    showStep(history_.undo());
}

void TextPane::redo()
{
    if (readOnly_ || !canRedo()) return;
    showStep(history_.redo());
}

bool TextPane::hasUnsavedEdits() const { return history_.hasUnsavedEdits(); }

void TextPane::markSaved() { history_.markSaved(); }

void TextPane::insertText(const QString& text) { edit(selectionFrom(), selectionTo(), unitsOf(text), EditKind::Other); }

void TextPane::removeSelection() { insertText(QString()); }

void TextPane::cut()
{
    if (readOnly_ || anchor_ == caret_) return;
    if (copy() != CopyOutcome::Copied) return;
    try {
        removeSelection();
    } catch (const std::bad_alloc&) {
        emit outOfMemory();
    }
}

namespace {

// The exact bytes of a copy from a pane, when the clipboard holds one whose
// bytes still decode to its text (so another program's data in the format is
// never taken over its text).
std::optional<QByteArray> copiedBytes(const QMimeData* mime)
{
    const QString format = QString::fromLatin1(TextPane::kBytesMimeType);
    if (mime == nullptr || !mime->hasFormat(format)) return std::nullopt;
    QByteArray bytes = mime->data(format);
    const QString text = mime->text();
    std::u16string decoded(static_cast<std::size_t>(bytes.size()), u'\0');
    decoded.resize(decodeForClipboard({bytes.constData(), static_cast<std::size_t>(bytes.size())}, decoded.data()));
    if (decoded !=
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()))) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

void TextPane::paste()
{
    if (readOnly_) return;
    try {
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        if (const std::optional<QByteArray> bytes = copiedBytes(mime); bytes && !bytes->isEmpty()) {
            const ByteOffset from = selectionFrom();
            const std::string_view view(bytes->constData(), static_cast<std::size_t>(bytes->size()));
            showEdit(doc_->editedBytes(from, selectionTo(), view), from, view.size(), EditKind::Other);
            return;
        }
        QString text = mime != nullptr ? mime->text() : QString();
        if (text.isEmpty()) return;
        if (!text.contains(QLatin1Char('\r'))) text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        insertText(text);
    } catch (const std::bad_alloc&) {
        emit outOfMemory();
    }
}

}  // namespace soramie
