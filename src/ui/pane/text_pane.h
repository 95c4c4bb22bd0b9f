// SPDX-License-Identifier: MIT
// TextPane: a plain-text editor pane that shows a Document. Only the visible
// lines are decoded and drawn, so files of any size open at once and lines of any
// length stay responsive. Characters sit on a cell grid: a character takes as many
// cells as it has CP932 bytes, TAB advances to the next multiple of 8 cells, and
// control characters and undecodable bytes are drawn in a dim caret or hex form,
// one cell per byte.
//
// Positions and lengths in this API count characters (UTF-16 units of the text,
// 0-based). Selection works with mouse and keyboard; Ctrl+C copies the selection
// as Unicode and, for the pane's own paste, as its exact CP932 bytes. Typing, input methods, Backspace/Delete, Enter (CR LF), Tab, paste
// and cut edit the document: each edit makes a new Document that shares the old
// one's bytes, so an edit costs the same anywhere in any size, and bytes the user
// did not touch stay exactly as read. Undo and redo step through the documents
// the pane has shown since the last display; typing is merged into one step per
// run. A disabled pane is greyed and does not select. All methods run on the GUI
// thread.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/types.h"
#include "document/document.h"
#include "document/edit_history.h"

class QMenu;
class QTimer;

namespace soramie {

class Matcher;

class TextPane : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TextPane(QWidget* parent = nullptr);
    ~TextPane() override;

    // Shows doc from its first line with an empty selection at 0, as a new
    // history (nothing to undo, nothing unsaved). A null pointer shows an empty
    // pane.
    void setDocument(DocumentPtr doc);
    // Shows the output of a command over the pane's document (wrap, replace)
    // as one undo step, not an edit of the user's own. The caret keeps its line
    // and cell column (clamped to the new lines and line end); the view shows
    // the first line unless the caret lies below it.
    void setDocumentAsStep(DocumentPtr doc);
    DocumentPtr document() const { return doc_; }
    // The file grew: grown (Document::appended of document()) replaces the
    // document and every undo step gains the same bytes; the view, the
    // selection and the saved state stay.
    void takeGrowth(DocumentPtr grown);
    // The pane reads `file` from now on: it holds the shown bytes, then possibly
    // more at its end (the file this pane's text was just saved to). The caret,
    // the selection, the view and the undo history stay.
    void adoptSavedFile(DocumentPtr file);
    // The document that started the history (the last setDocument's): every
    // document the history holds was made from it by edits and steps.
    DocumentPtr historyStart() const { return history_.start(); }

    // The whole text (waits until the document is indexed).
    QString text() const;
    // Replaces the whole text. Bytes of the common prefix and suffix with the
    // current text are kept exactly; returns what could not be encoded.
    TextDocument setText(const QString& text);
    void clear();

    // Size of the document in bytes.
    std::uint64_t sizeInBytes() const;

    qint64 selectionStart() const;
    qint64 selectionLength() const;
    QString selectedText() const;
    // Selects [start, start + length) (clamped to the text) and scrolls it into view.
    void setSelection(qint64 start, qint64 length);
    void selectAll();
    // Selections of more bytes than this are not copied: the clipboard holds
    // its text whole in memory, two bytes a character.
    static constexpr std::uint64_t kCopyMaxBytes = std::uint64_t{512} << 20;
    enum class CopyOutcome : std::uint8_t { Copied, NothingSelected, TooLarge, OutOfMemory };
    // The clipboard format that carries a copy's exact CP932 bytes beside its
    // text (other programs take the text).
    static constexpr const char* kBytesMimeType = "application/x-soramie-cp932";
    // Puts the selected text on the clipboard, with its bytes in kBytesMimeType
    // unless it holds characters without a code. A selection of more than
    // kCopyMaxBytes leaves the clipboard as it was, returns TooLarge and emits
    // copyRefused (also for Ctrl+C, Shift+Delete and the context menu). A failed
    // allocation leaves the clipboard and the text as they were, returns
    // OutOfMemory and emits outOfMemory.
    CopyOutcome copy() const;
    // Redraws the visible lines.
    void refresh();
    // Marks the matches of `matcher` on the visible lines (null: none); kept
    // across documents until changed.
    void setHighlights(std::shared_ptr<const Matcher> matcher);

    // Editing. A read-only pane selects and copies but takes no edits.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }
    // Replaces the selection by text (CP932; characters without a code kept
    // as '?' and remembered) as one undo step; the caret follows the text.
    void insertText(const QString& text);
    // Removes the selection (one undo step).
    void removeSelection();
    // copy(), then removes the selection when it was copied.
    void cut();
    // Inserts the clipboard's content: the exact bytes of a copy from a pane
    // (kBytesMimeType), else its text, where text with line feeds but no
    // carriage return (another program's lines) gets CR LF, the document's line
    // break. A failed allocation leaves the text as it was and emits outOfMemory.
    void paste();
    void undo();
    void redo();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    // Whether the pane holds edits the user made (typing, pasting, deleting)
    // that were not saved since the document was shown: undoing them all
    // clears it; a command's step alone (wrap, replace) does not set it.
    bool hasUnsavedEdits() const;
    // The pane's document is what its file now holds.
    void markSaved();
    // The input method's pre-edit text shown at the caret (empty when none).
    QString preeditText() const { return preedit_; }
    // What the input method asks: the caret rectangle (where its candidate
    // window goes), the font, the text around the caret.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // Pixel size of one cell in the pane font.
    QSize cellSize() const;
    // The context menu (copy, select all); the caller owns it.
    QMenu* createContextMenu();

signals:
    void selectionChanged();
    // A copy (or cut) was refused: the selection holds `bytes` bytes, more than
    // kCopyMaxBytes. Nothing was copied or removed.
    void copyRefused(std::uint64_t bytes);
    // A copy, cut or paste ran out of memory; the clipboard and the text are as
    // they were.
    void outOfMemory();
    // While a document is indexed in the background: bytes indexed so far of
    // its size, about every 50 ms, and once more with indexed == total when it
    // is done. Not emitted for a document indexed when it is shown.
    void indexProgress(std::uint64_t indexed, std::uint64_t total);
    // The shown document's bytes were found changed in place on disk
    // (Document::integrity() is Changed). Queued; once per document shown with
    // setDocument and the documents made from it.
    void fileChangedOnDisk();

protected:
    bool event(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // A character boundary in a line with its cell column.
    struct LinePos {
        ByteOffset byte;
        std::uint64_t cell = 0;
    };
    // Cell checkpoints of one long line, so that a seek decodes a few KB at most.
    struct LineCells {
        LineNo line;
        std::uint64_t cells = 0;
        std::vector<LinePos> marks;
    };
    enum class Seek { ByCell, ByByte };
    enum class Select { Move, Extend };  // move the anchor with the caret, or keep it
    enum class Column { Reset, Keep };   // remember the caret's cell for Up/Down, or keep the old one

    // Cell layout (text_pane_layout.cpp).
    LineNo firstLine() const;
    std::uint64_t firstCell() const;
    std::uint64_t visibleLines() const;
    std::uint64_t visibleCells() const;
    void updateScrollBars();
    // Cells of the widest line in view.
    std::uint64_t widestVisibleCells() const;
    // The index timer: while the document is indexed, every kIndexPollMs it
    // grows the scroll range and reports progress; then, while the document
    // reads a file and no change was reported, every kIntegrityPollMs it looks
    // at what the document's checks found (cheap: no bytes are read). An idle
    // pane wakes no more than once a second.
    static constexpr int kIndexPollMs = 50;
    static constexpr int kIntegrityPollMs = 1000;
    void pollIndex();
    bool watchesFile() const;
    // The boundary of the character that holds the target cell or byte of line
    // (or the line end when the target lies past it).
    LinePos seek(LineNo line, Seek by, std::uint64_t target) const;
    LinePos atCell(LineNo line, std::uint64_t cell) const { return seek(line, Seek::ByCell, cell); }
    LinePos atByte(LineNo line, ByteOffset byte) const { return seek(line, Seek::ByByte, byte.value); }
    const LineCells* longLine(LineNo line) const;
    std::uint64_t lineCells(LineNo line) const;
    ByteOffset caretAt(QPoint viewportPos) const;
    void ensureVisible(ByteOffset byte);
    LineNo lineOf(ByteOffset byte) const { return doc_->lineOf(byte); }
    ByteOffset lineStart(LineNo line) const { return doc_->lineStart(line); }
    ByteOffset lineEnd(LineNo line) const { return doc_->lineEnd(line); }

    // Caret, selection and editing (text_pane.cpp).
    void moveCaret(ByteOffset byte, Select select, Column column = Column::Reset);
    ByteOffset selectionFrom() const { return std::min(anchor_, caret_); }
    ByteOffset selectionTo() const { return std::max(anchor_, caret_); }
    // Replaces bytes [from, to) by text and records the step.
    void edit(ByteOffset from, ByteOffset to, std::u16string_view text, EditKind kind);
    // Shows next, made from doc_ by replacing [from, ...) with `length` bytes,
    // as an edit step with the caret after them.
    void showEdit(const DocumentPtr& next, ByteOffset from, std::uint64_t length, EditKind kind);
    // Puts bytes [from, to) on the clipboard (may throw std::bad_alloc).
    void putOnClipboard(ByteOffset from, ByteOffset to) const;
    // Emits fileChangedOnDisk once when the document's integrity is lost.
    void checkIntegrity();
    void showStep(const EditHistory::Step& step);
    void documentChanged();

    // Word motion (text_pane_words.cpp).
    // The caret position one character or one line break before / after byte.
    ByteOffset previousPosition(ByteOffset byte) const;
    ByteOffset nextPosition(ByteOffset byte) const;
    // The start of the previous / next word (Ctrl+Left / Ctrl+Right).
    ByteOffset wordLeft(ByteOffset byte) const;
    ByteOffset wordRight(ByteOffset byte) const;
    void selectWordAt(ByteOffset byte);

    // Painting (text_pane_paint.cpp).
    // Laid-out glyph of one unit in the pane font, cached.
    const QStaticText& glyph(char16_t unit) const;
    // Caret rectangle in viewport coordinates (at the pre-edit's cursor).
    QRect caretRect() const;

    // Input (text_pane_input.cpp).
    void autoScroll();
    void updateInputMethod();

    DocumentPtr doc_;
    QFont font_;
    int cellW_ = 1;
    int cellH_ = 1;
    int ascent_ = 0;
    // Selection on character boundaries: anchor_ stays, caret_ moves.
    ByteOffset anchor_;
    ByteOffset caret_;
    std::uint64_t goalCell_ = 0;
    bool dragging_ = false;
    QTimer* indexTimer_ = nullptr;
    QTimer* scrollTimer_ = nullptr;
    QPoint lastMouse_;
    std::uint64_t widestCells_ = 0;
    mutable std::vector<LineCells> lineCache_;
    mutable QHash<char16_t, QStaticText> glyphs_;

    bool readOnly_ = false;
    bool changeReported_ = false;  // fileChangedOnDisk was emitted for this history
    EditHistory history_;
    QString preedit_;
    int preeditCursor_ = 0;
    std::shared_ptr<const Matcher> highlights_;
};

}  // namespace soramie
