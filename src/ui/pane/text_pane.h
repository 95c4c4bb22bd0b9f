// SPDX-License-Identifier: MIT
// TextPane: a read-only plain-text pane that shows a Document. Only the visible
// lines are decoded and drawn, so files of any size open at once and lines of any
// length stay responsive. Characters sit on a cell grid: a character takes as many
// cells as it has CP932 bytes, TAB advances to the next multiple of 8 cells, and
// control characters and undecodable bytes are drawn in a dim caret or hex form,
// one cell per byte.
//
// Positions and lengths in this API count characters (UTF-16 units of the text,
// 0-based). Selection works with mouse and keyboard; Ctrl+C copies the selection
// as Unicode. Keys that would edit do nothing. A disabled pane is greyed and does
// not select. All methods run on the GUI thread.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>
#include <cstdint>
#include <vector>

#include "document/document.h"

class QMenu;
class QTimer;

namespace soramie {

class TextPane : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TextPane(QWidget* parent = nullptr);
    ~TextPane() override;

    // Shows doc from its first line with an empty selection at 0. A null pointer
    // shows an empty pane.
    void setDocument(DocumentPtr doc);
    DocumentPtr document() const { return doc_; }

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
    void copy() const;
    // Redraws the visible lines.
    void refresh();

    // Pixel size of one cell in the pane font.
    QSize cellSize() const;
    // The context menu (copy, select all); the caller owns it.
    QMenu* createContextMenu();

signals:
    void selectionChanged();

protected:
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
        std::uint64_t byte = 0;
        std::uint64_t cell = 0;
    };
    // Cell checkpoints of one long line, so that a seek decodes a few KB at most.
    struct LineCells {
        std::uint64_t line = 0;
        std::uint64_t cells = 0;
        std::vector<LinePos> marks;
    };
    enum class Seek { ByCell, ByByte };
    enum class Select { Move, Extend };  // move the anchor with the caret, or keep it
    enum class Column { Reset, Keep };   // remember the caret's cell for Up/Down, or keep the old one

    std::uint64_t firstLine() const;
    std::uint64_t firstCell() const;
    std::uint64_t visibleLines() const;
    std::uint64_t visibleCells() const;
    void updateScrollBars();
    void pollIndex();
    // The boundary of the character that holds the target cell or byte of line
    // (or the line end when the target lies past it).
    LinePos seek(std::uint64_t line, Seek by, std::uint64_t target) const;
    const LineCells* longLine(std::uint64_t line) const;
    std::uint64_t lineCells(std::uint64_t line) const;
    std::uint64_t caretAt(QPoint viewportPos) const;
    void moveCaret(std::uint64_t byte, Select select, Column column = Column::Reset);
    void ensureVisible(std::uint64_t byte);
    void autoScroll();
    void selectWordAt(std::uint64_t byte);
    std::uint64_t lineOf(std::uint64_t byte) const;
    std::uint64_t lineStart(std::uint64_t line) const;
    std::uint64_t lineEnd(std::uint64_t line) const;
    // Laid-out glyph of one unit in the pane font, cached.
    const QStaticText& glyph(char16_t unit) const;

    DocumentPtr doc_;
    QFont font_;
    int cellW_ = 1;
    int cellH_ = 1;
    int ascent_ = 0;
    // Selection as byte offsets on character boundaries: anchor_ stays, caret_ moves.
    std::uint64_t anchor_ = 0;
    std::uint64_t caret_ = 0;
    std::uint64_t goalCell_ = 0;
    bool dragging_ = false;
    QTimer* indexTimer_ = nullptr;
    QTimer* scrollTimer_ = nullptr;
    QPoint lastMouse_;
    std::uint64_t widestCells_ = 0;
    mutable std::vector<LineCells> lineCache_;
    mutable QHash<char16_t, QStaticText> glyphs_;
};

}  // namespace soramie
