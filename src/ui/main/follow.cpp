// SPDX-License-Identifier: MIT
// MainWindow: following the shown file as it grows, is replaced or is cut.
#include "ui/main/follow.h"

#include "document/document.h"
#include "platform/file_watcher.h"
#include "ui/common/command.h"
#include "ui/common/path_text.h"
#include "ui/common/status_text.h"
#include "ui/main/main_window.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

namespace soramie {

namespace {

// Appends closer together than this are taken in together: at most one new
// piece of the document and one repaint per gap, however fast the writer.
constexpr qint64 kGapMs = 8;
// While the document is still indexed or a command runs, the next try.
constexpr int kRetryMs = 100;

}  // namespace

void MainWindow::setUpFollowing()
{
    follow_ = std::make_unique<FollowState>();
    follow_->watcher = new platform::FileWatcher(this);
    follow_->later = new QTimer(this);
    follow_->later->setSingleShot(true);
    follow_->status = new QLabel(statusBar());
    follow_->status->setObjectName(QStringLiteral("followStatus"));
    statusBar()->addPermanentWidget(follow_->status);
    follow_->sinceTake.start();
    connect(follow_->watcher, &platform::FileWatcher::changed, this, &MainWindow::onShownFileChanged);
    connect(follow_->later, &QTimer::timeout, this, &MainWindow::takeInFileChanges);
    connect(ui_.followAction, &QAction::toggled, this, &MainWindow::setFollowing);
    // While following is on, the status says whether the view keeps the end in
    // sight or was scrolled up (paused until Ctrl+End).
    // (Only a move of the view changes that: lines taken in at the end move it
    // themselves when it was at the end.)
    connect(ui_.pane->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { showFollowState(); });
}

void MainWindow::showFollowState()
{
    const QScrollBar* bar = ui_.pane->verticalScrollBar();
    QString text;
    if (follow_->on)
        text =
            bar->value() >= bar->maximum() ? QStringLiteral("追跡中") : QStringLiteral("追跡一時停止 (Ctrl+Endで再開)");
    if (follow_->status->text() != text) follow_->status->setText(text);
}

void MainWindow::setFollowing(bool on)
{
    follow_->on = on;
    if (ui_.followAction->isChecked() != on) ui_.followAction->setChecked(on);
    if (on) showPaneEnd();
    showFollowState();
}

bool MainWindow::following() const { return follow_->on; }

void MainWindow::showPaneEnd()
{
    QScrollBar* bar = ui_.pane->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void MainWindow::followShownFile()
{
    follow_->detached = false;
    follow_->later->stop();
    follow_->watcher->watch(state_.shownPath.isEmpty() ? std::string() : toNativePath(state_.shownPath));
}

void MainWindow::onShownFileChanged()
{
    if (follow_->later->isActive()) return;  // already due
    const qint64 since = follow_->sinceTake.elapsed();
    if (since >= kGapMs) {
        takeInFileChanges();
    } else {
        follow_->later->start(static_cast<int>(kGapMs - since));
    }
}

void MainWindow::takeInFileChanges()
{
    if (follow_->busy || state_.shownPath.isEmpty()) return;
    const DocumentPtr doc = ui_.pane->document();
    const std::optional<FileStamp> stamp = doc ? doc->fileStamp() : std::nullopt;
    if (!stamp) return;
    const FileStamp held = *stamp;
    // A save or another command may be replacing the file right now, or a
    // box of one may be open (a save asks before it writes the bytes it took).
    if (!doc->indexed() || commandRunning() || QApplication::activeModalWidget() || !ui_.pane->isEnabled() ||
        !isEnabled()) {
        follow_->later->start(kRetryMs);
        return;
    }
    const bool edited = ui_.pane->hasUnsavedEdits();
    if (!edited) follow_->detached = false;
    if (follow_->detached) return;
    const std::optional<FileStamp> now = currentStamp(toNativePath(state_.shownPath));
    if (!now) return;  // gone for now: a file created under the name is seen when it comes
    follow_->sinceTake.restart();
    if (now->device != held.device || now->inode != held.inode) {
        startOver(edited, QStringLiteral("ファイルが置き換えられました。表示中の内容はそのまま残ります。"));
    } else if (now->size < held.size) {
        startOver(edited, QStringLiteral("ファイルが切り詰められました。表示中の内容はそのまま残ります。"));
    } else if (now->size > held.size) {
        auto grown = doc->appended(now->size);
        if (!grown) {
            // Rewritten from the start and already longer: cut, then written again.
            if (grown.error().step == IoStep::Verify)
                startOver(edited, QStringLiteral("ファイルが書き換えられました。表示中の内容はそのまま残ります。"));
            return;
        }
        QScrollBar* bar = ui_.pane->verticalScrollBar();
        const bool atEnd = bar->value() >= bar->maximum();
        ui_.pane->takeGrowth(*grown);
        if (follow_->on && atEnd) showPaneEnd();
        setPanel(3, fileSizeTextLike(panel(3), (*grown)->fileStamp()->size));
        // Painted now rather than at the next frame of the window system.
        ui_.pane->viewport()->repaint();
    }
}

void MainWindow::startOver(bool edited, const QString& notice)
{
    if (edited) {
        follow_->detached = true;
        follow_->busy = true;
        services_.prompts.message(this,
                                  {notice, QStringLiteral("情報"), platform::Buttons::Ok, platform::Icon::Information});
        follow_->busy = false;
        return;
    }
    auto loaded = Document::fromFile(toNativePath(state_.shownPath));
    if (!loaded) return;  // not readable now: the next change tries again
    // The new file from its start; its end while following. The file this
    // window just saved keeps the view where it was.
    const bool saved = written_.history.lock() == ui_.pane->historyStart() &&
                       written_.stamps.contains(state_.shownPath) &&
                       written_.stamps.value(state_.shownPath).inode == (*loaded)->fileStamp()->inode;
    QScrollBar* bar = ui_.pane->verticalScrollBar();
    const int top = bar->value();
    const bool atEnd = top >= bar->maximum();
    ui_.pane->setDocument(*loaded);
    if (follow_->on && (!saved || atEnd)) {
        showPaneEnd();
    } else if (saved) {
        bar->setValue(top);
    }
    setPanel(3, fileSizeTextLike(panel(3), (*loaded)->size().value));
}

}  // namespace soramie
