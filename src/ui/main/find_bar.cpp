// SPDX-License-Identifier: MIT
#include "ui/main/find_bar.h"

#include "ui/pane/text_pane.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace soramie {

namespace {

// Bytes of a line the list shows at most.
constexpr std::uint64_t kShownLineBytes = 400;
constexpr int kListHeight = 160;

std::u16string_view unitsOf(const QString& s)
{
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

}  // namespace

// ---- The list of matching lines ------------------------------------------------------------

void MatchingLinesModel::reset(DocumentPtr doc, std::vector<MatchingLine> rows)
{
    beginResetModel();
    doc_ = std::move(doc);
    rows_ = std::move(rows);
    endResetModel();
}

int MatchingLinesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(std::min<std::size_t>(rows_.size(), INT32_MAX));
}

QVariant MatchingLinesModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || !doc_) return {};
    const MatchingLine& r = row(index.row());
    const ByteOffset start = doc_->lineStart(r.line);
    const ByteOffset end = doc_->lineEnd(r.line);
    ByteOffset stop = std::min(end, start + kShownLineBytes);
    if (stop < end) stop = doc_->byteOf(doc_->charOf(stop));
    const std::u16string text = doc_->textOfBytes(start, stop);
    return QString(QStringLiteral("%1: ").arg(r.line.value + 1) + QString::fromStdU16String(text) +
                   (stop < end ? QStringLiteral("…") : QString()));
}

// ---- The bar ----------------------------------------------------------------------------------

FindBar::FindBar(TextPane& pane, QWidget* parent) : QWidget(parent), pane_(pane)
{
    setObjectName(QStringLiteral("findBar"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    auto* row = new QHBoxLayout;
    column->addLayout(row);

    auto* caption = new QLabel(QStringLiteral("検索:"), this);
    keywordEdit = new QLineEdit(this);
    keywordEdit->setObjectName(QStringLiteral("findKeyword"));
    keywordEdit->setMinimumWidth(160);
    keywordEdit->setToolTip(QStringLiteral("Enter: 次を検索 / Shift+Enter: 前を検索 / Esc: 閉じる"));
    caption->setBuddy(keywordEdit);
    ignoreCaseBox = new QCheckBox(QStringLiteral("大文字と小文字を区別しない"), this);
    ignoreCaseBox->setObjectName(QStringLiteral("findIgnoreCase"));
    countLabel = new QLabel(this);
    countLabel->setObjectName(QStringLiteral("findCount"));
    countLabel->setMinimumWidth(90);
    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("findMessage"));
    linesButton = new QToolButton(this);
    linesButton->setObjectName(QStringLiteral("findLinesButton"));
    linesButton->setText(QStringLiteral("一致する行"));
    linesButton->setCheckable(true);
    // Two rows, so every caption fits beside the file lists at the window's smallest width.
    row->addWidget(caption);
    row->addWidget(keywordEdit, 1);
    row->addWidget(countLabel);
    row->addWidget(linesButton);
    auto* options = new QHBoxLayout;
    column->addLayout(options);
    options->addWidget(ignoreCaseBox);
    options->addWidget(messageLabel, 1);

    lineList = new QListView(this);
    lineList->setObjectName(QStringLiteral("findLines"));
    lineList->setUniformItemSizes(true);
    lineList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lineList->setModel(&model_);
    lineList->setFixedHeight(kListHeight);
    lineList->hide();
    column->addWidget(lineList);

    recount_ = new QTimer(this);
    recount_->setSingleShot(true);
    recount_->setInterval(150);

    keywordEdit->installEventFilter(this);
    lineList->installEventFilter(this);
    connect(keywordEdit, &QLineEdit::textChanged, this, [this] { restart(); });
    connect(ignoreCaseBox, &QCheckBox::toggled, this, [this] { restart(); });
    connect(linesButton, &QToolButton::toggled, this, &FindBar::setLinesShown);
    const auto showRow = [this](const QModelIndex& index) {
        if (index.isValid()) select(model_.row(index.row()).match);
    };
    connect(lineList, &QListView::clicked, this, showRow);
    connect(lineList, &QListView::activated, this, showRow);
    connect(&pane_, &TextPane::selectionChanged, this, &FindBar::onPaneChanged);
    connect(recount_, &QTimer::timeout, this, &FindBar::startCount);
    hide();
}

FindBar::~FindBar()
{
    cancelJobs();
    for (Job& job : jobs_) job.thread.join();
}

QString FindBar::keyword() const { return keywordEdit->text(); }
QString FindBar::countText() const { return countLabel->text(); }
QString FindBar::messageText() const { return messageLabel->text(); }
bool FindBar::linesShown() const { return lineList->isVisible(); }

void FindBar::setLinesShown(bool shown)
{
    if (linesButton->isChecked() != shown) linesButton->setChecked(shown);
    if (lineList->isVisibleTo(this) == shown) return;
    lineList->setVisible(shown);
    emit heightChanged();
}

QString FindBar::paneSelectionOnOneLine() const
{
    QString selected = pane_.selectedText();
    if (selected.isEmpty() || selected.contains(QLatin1Char('\n')) || selected.contains(QLatin1Char('\r'))) return {};
    return selected;
}

void FindBar::open()
{
    const QString selected = paneSelectionOnOneLine();
    if (!selected.isEmpty()) keywordEdit->setText(selected);
    if (isHidden()) {
        show();
        emit heightChanged();
    }
    keywordEdit->setFocus(Qt::ShortcutFocusReason);
    keywordEdit->selectAll();
}

void FindBar::findNextFromWindow()
{
    const QString selected = paneSelectionOnOneLine();
    const bool otherKeyword =
        !selected.isEmpty() &&
        selected.compare(keyword(), ignoreCaseBox->isChecked() ? Qt::CaseInsensitive : Qt::CaseSensitive) != 0;
    if (keyword().isEmpty() || otherKeyword || (isVisible() && !isAncestorOf(focusWidget()))) {
        open();
        return;
    }
    findNext();
}

void FindBar::findPreviousFromWindow()
{
    if (keyword().isEmpty()) {
        open();
        return;
    }
    findPrevious();
}

bool FindBar::findNext() { return find(Direction::Forward); }
bool FindBar::findPrevious() { return find(Direction::Backward); }

void FindBar::close()
{
    if (isHidden()) return;
    hide();
    emit heightChanged();
    pane_.setFocus(Qt::ShortcutFocusReason);
}

bool FindBar::find(Direction direction)
{
    messageLabel->clear();
    const DocumentPtr doc = pane_.document();
    if (!doc || !matcher_) return false;
    const auto start = CharPos(static_cast<std::uint64_t>(pane_.selectionStart()));
    const auto end = CharPos(static_cast<std::uint64_t>(pane_.selectionStart() + pane_.selectionLength()));
    std::optional<FindMatch> found;
    if (direction == Direction::Forward) {
        found = soramie::findNext(*doc, *matcher_, doc->byteOf(end));
        if (!found && (found = soramie::findNext(*doc, *matcher_, ByteOffset(0)))) {
            messageLabel->setText(QStringLiteral("先頭から検索しました"));
        }
    } else {
        found = soramie::findPrevious(*doc, *matcher_, doc->byteOf(start));
        if (!found) {
            doc->waitIndexed();
            if ((found = soramie::findPrevious(*doc, *matcher_, doc->size()))) {
                messageLabel->setText(QStringLiteral("末尾から検索しました"));
            }
        }
    }
    if (!found) {
        messageLabel->setText(QStringLiteral("見つかりません"));
        return false;
    }
    select(*found);
    return true;
}

void FindBar::select(FindMatch match)
{
    const DocumentPtr doc = pane_.document();
    // The match's line goes to the middle of the view, then the selection
    // (already in view) is set.
    QScrollBar* bar = pane_.verticalScrollBar();
    const auto line = static_cast<qint64>(doc->lineOf(match.from).value);
    bar->setValue(static_cast<int>(std::clamp<qint64>(line - bar->pageStep() / 2, 0, bar->maximum())));
    const CharPos from = doc->charOf(match.from);
    const CharPos to = doc->charOf(match.to);
    pane_.setSelection(static_cast<qint64>(from.value), static_cast<qint64>(to - from));
}

void FindBar::restart()
{
    messageLabel->clear();
    const QString key = keyword();
    matcher_.reset();
    if (!key.isEmpty()) {
        matcher_ = makeKeywordMatcher(std::u16string(unitsOf(key)),
                                      ignoreCaseBox->isChecked() ? LetterCase::IgnoreAsciiCase : LetterCase::Exact);
    }
    pane_.setHighlights(matcher_);
    startCount();
}

void FindBar::onPaneChanged()
{
    if (pane_.document() != countedDoc_ && matcher_) recount_->start();
}

void FindBar::cancelJobs()
{
    for (Job& job : jobs_) job.cancel->store(true);
}

void FindBar::startCount()
{
    recount_->stop();
    cancelJobs();
    ++generation_;
    countedDoc_ = pane_.document();
    model_.reset(nullptr, {});
    if (!matcher_ || !countedDoc_) {
        countLabel->clear();
        return;
    }
    countLabel->setText(QStringLiteral("数えています…"));
    Job& job = jobs_.emplace_back();
    job.generation = generation_;
    job.cancel = std::make_shared<CancelFlag>(false);
    job.thread =
        std::thread([this, generation = generation_, cancel = job.cancel, doc = countedDoc_, matcher = matcher_] {
            std::uint64_t count = 0;
            auto rows = std::make_shared<std::vector<MatchingLine>>();
            const ScanEnd end = forEachMatchWithLine(
                *doc, *matcher,
                [&](FindMatch m, LineNo line) {
                    ++count;
                    if (rows->size() < kMaxListed && (rows->empty() || rows->back().line != line)) {
                        rows->push_back({line, m});
                    }
                    return true;
                },
                cancel.get());
            if (end == ScanEnd::Done) {
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, count, rows, doc] {
                        if (generation != generation_) return;
                        countLabel->setText(QStringLiteral("%1 件").arg(count));
                        model_.reset(doc, std::move(*rows));
                        emit countFinished(count);
                        emit linesReady();
                    },
                    Qt::QueuedConnection);
            }
            QMetaObject::invokeMethod(
                this, [this, generation] { jobEnded(generation); }, Qt::QueuedConnection);
        });
}

void FindBar::jobEnded(std::uint64_t generation)
{
    const auto it = std::find_if(jobs_.begin(), jobs_.end(), [&](const Job& j) { return j.generation == generation; });
    if (it == jobs_.end()) return;
    it->thread.join();  // the worker's last step was to post this call
    jobs_.erase(it);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        if (watched == keywordEdit && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (key->modifiers() & Qt::ShiftModifier) findPrevious();
            else findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace soramie
