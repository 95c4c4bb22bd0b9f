// SPDX-License-Identifier: MIT
// FindBar: finding a keyword in the pane's document. A row under the pane
// (keyword, "大文字と小文字を区別しない", the match count, a message, the
// "一致する行" toggle) and, when the toggle is on, the list of matching lines
// under it.
//
// Threads: every member runs on the GUI thread. The count and the matching
// lines are worked out on a worker thread per keyword and document; a new
// keyword, option or document cancels it (an atomic flag) and starts another;
// results come back as queued calls and are dropped when they belong to an
// older count. The destructor cancels and joins every worker.
#pragma once

#include "document/document.h"
#include "document/finder.h"

#include <QAbstractListModel>
#include <QWidget>

#include <cstdint>
#include <list>
#include <memory>
#include <thread>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QTimer;
class QToolButton;

namespace soramie {

class TextPane;

// A line that holds a match, with its first match.
struct MatchingLine {
    LineNo line;
    FindMatch match;
};

// The matching lines as a list: line number and text, each row made only when
// the view shows it, so millions of rows cost their vector only.
class MatchingLinesModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void reset(DocumentPtr doc, std::vector<MatchingLine> rows);
    const MatchingLine& row(int n) const { return rows_[static_cast<std::size_t>(n)]; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    DocumentPtr doc_;
    std::vector<MatchingLine> rows_;
};

class FindBar : public QWidget {
    Q_OBJECT
public:
    // Lines listed at most (the count goes on beyond them).
    static constexpr std::size_t kMaxListed = std::size_t{4} << 20;

    explicit FindBar(TextPane& pane, QWidget* parent = nullptr);
    ~FindBar() override;

    // F3: shows the bar and puts the focus in the keyword field, all of it
    // selected; a selection of the pane on one line becomes the keyword.
    void open();
    // F3 / Shift+F3 from the window: with the bar closed, the next / previous
    // match of the last keyword; the bar opens when there is none (and for F3
    // when the pane's selection on one line is another keyword).
    void findNextFromWindow();
    void findPreviousFromWindow();
    // The next match after the selection / the previous one before it,
    // wrapping at the end / start; selects it in the pane in the middle of the
    // view. False when the keyword does not occur.
    bool findNext();
    bool findPrevious();
    // Hides the bar and gives the focus back to the pane (the match stays selected).
    void close();

    QString keyword() const;
    // "N 件" once counted; the message (wrap, not found).
    QString countText() const;
    QString messageText() const;
    // The listed lines (also while the list is closed).
    const MatchingLinesModel& lines() const { return model_; }
    bool linesShown() const;
    void setLinesShown(bool shown);

    QLineEdit* keywordEdit = nullptr;
    QCheckBox* ignoreCaseBox = nullptr;
    QToolButton* linesButton = nullptr;
    QLabel* countLabel = nullptr;
    QLabel* messageLabel = nullptr;
    QListView* lineList = nullptr;

signals:
    // The bar was shown, hidden, or its list opened or closed: the window lays
    // the pane and the bar out again.
    void heightChanged();
    // A count ended (for tests and benchmarks).
    void countFinished(std::uint64_t count);
    // The matching lines of the current count are in lines().
    void linesReady();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Job {
        std::uint64_t generation = 0;
        std::shared_ptr<CancelFlag> cancel;
        std::thread thread;
    };
    enum class Direction : std::uint8_t { Forward, Backward };

    bool find(Direction direction);
    void select(FindMatch match);
    // A new keyword, option or document: a new matcher, highlights and count.
    void restart();
    void startCount();
    void cancelJobs();
    void jobEnded(std::uint64_t generation);
    // The pane's selection when it lies on one line and is not empty.
    QString paneSelectionOnOneLine() const;
    void onPaneChanged();

    TextPane& pane_;
    std::shared_ptr<const Matcher> matcher_;
    DocumentPtr countedDoc_;
    std::uint64_t generation_ = 0;
    std::list<Job> jobs_;
    MatchingLinesModel model_;
    QTimer* recount_ = nullptr;  // one recount after a burst of edits
};

}  // namespace soramie
