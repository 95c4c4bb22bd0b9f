// SPDX-License-Identifier: MIT
// The pane's input: keys, the mouse and input methods.
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "ui/pane/private/cells.h"
#include "ui/pane/text_pane.h"

namespace soramie {

using pane_detail::clampInt;
using pane_detail::unitsOf;

void TextPane::keyPressEvent(QKeyEvent* e)
{
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const int key = e->key();
    if (e->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) return selectAll();
    if (e->matches(QKeySequence::Undo)) return undo();
    if (e->matches(QKeySequence::Redo) || (ctrl && !shift && key == Qt::Key_Y)) return redo();
    if (e->matches(QKeySequence::Paste)) return paste();
    // Shift+Delete cuts; Ctrl+X stays the window's own command.
    if (key == Qt::Key_Delete && shift && !ctrl) return cut();
    const Select how = shift ? Select::Extend : Select::Move;
    const LineNo line = lineOf(caret_);
    const std::uint64_t lines = doc_->lineCount().value;
    const ByteOffset selA = selectionFrom();
    const ByteOffset selB = selectionTo();
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
            const LineNo target(up ? (line.value > step ? line.value - step : 0)
                                   : std::min(lines - 1, line.value + step));
            if (step > 1) {
                const auto v = static_cast<std::uint64_t>(verticalScrollBar()->value());
                verticalScrollBar()->setValue(clampInt(up ? (v > step ? v - step : 0) : v + step));
            }
            return moveCaret(atCell(target, goalCell_).byte, how, Column::Keep);
        }
        case Qt::Key_Home:
            if (ctrl) return moveCaret(ByteOffset(0), how);
            return moveCaret(lineStart(line), how);
        case Qt::Key_End:
            if (ctrl) {
                doc_->waitIndexed();
                updateScrollBars();
                return moveCaret(doc_->size(), how);
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
                return edit(selA, selB, unitsOf(typed), EditKind::Typing);
            }
            break;
        }
    }
    e->accept();
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

// ---- mouse -------------------------------------------------------------------

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

// ---- input methods -------------------------------------------------------------

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
        ByteOffset from = selectionFrom();
        ByteOffset to = selectionTo();
        if (e->replacementLength() > 0) {
            // Characters around the caret that the input method replaces.
            const auto c = static_cast<qint64>(doc_->charOf(caret_).value);
            const auto total = static_cast<qint64>(doc_->charCount().value);
            const qint64 start = std::clamp<qint64>(c + e->replacementStart(), 0, total);
            const qint64 stop = std::clamp<qint64>(start + e->replacementLength(), start, total);
            from = doc_->byteOf(CharPos(static_cast<std::uint64_t>(start)));
            to = doc_->byteOf(CharPos(static_cast<std::uint64_t>(stop)));
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
        const LineNo line = lineOf(caret_);
        const std::uint64_t lineFirst = doc_->charOf(lineStart(line)).value;
        const std::uint64_t lineLast = doc_->charOf(lineEnd(line)).value;
        caret = doc_->charOf(caret_).value;
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
            const std::uint64_t anchor = doc_->charOf(anchor_).value;
            return static_cast<int>(
                std::clamp<std::uint64_t>(anchor, first, first + static_cast<std::uint64_t>(text.size())) - first);
        }
        case Qt::ImCurrentSelection:
            return selectionTo() - selectionFrom() <= 4096 ? selectedText() : QString();
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

}  // namespace soramie
