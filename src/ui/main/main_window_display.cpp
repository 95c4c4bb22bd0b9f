// SPDX-License-Identifier: MIT
// MainWindow: showing a file (showFile, the display button, presses on the file
// list) and the wrap button.
#include "ui/main/main_window.h"

#include "core/wrap.h"
#include "document/document.h"
#include "ui/common/pane_command.h"
#include "ui/common/path_text.h"
#include "ui/common/status_text.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <sys/stat.h>
#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <optional>

namespace soramie {

namespace {

// How many of the steps open, measure and read fail after a failure at `what`:
// a file that cannot be opened can be neither measured nor read.
int failedSteps(const IoError& error)
{
    if (error.step == IoStep::Open) return 3;
    if (error.step == IoStep::Size) return 2;
    return 1;
}

// The file's length in bytes, or empty when it cannot be measured.
QString sizeText(const QString& path)
{
    struct stat info {};
    return ::stat(toNativePath(path).c_str(), &info) == 0 ? QString::number(info.st_size) : QString();
}

}  // namespace

void MainWindow::showCannotOpen()
{
    services_.prompts.message(this, {QStringLiteral("このファイルは開けません"), QStringLiteral("エラー"),
                                     platform::Buttons::Ok, platform::Icon::Critical});
}

void MainWindow::reportCommand(CommandOutcome outcome)
{
    if (outcome != CommandOutcome::OutOfMemory) return;
    services_.prompts.message(this, {QStringLiteral("メモリが足りません"), QStringLiteral("エラー"),
                                     platform::Buttons::Ok, platform::Icon::Critical});
}

QString MainWindow::readIntoPane(const QString& path)
{
    setLoadStatus(QString());
    auto loaded = Document::fromFile(toNativePath(path));
    ui_.pane->setDocument(nullptr);
    if (loaded) {
        ui_.pane->setDocument(*loaded);
        state_.shownPath = path;
        return QString::number((*loaded)->size().value);
    }
    // Each step that fails reports once; the pane stays empty and the path
    // is forgotten, so nothing is ever saved over a file that was not read.
    state_.shownPath.clear();
    const int failures = failedSteps(loaded.error());
    if (loaded.error().errnoValue == ENOMEM) {
        reportCommand(CommandOutcome::OutOfMemory);  // a file larger than the memory left
    } else {
        for (int i = 0; i < failures; ++i) showCannotOpen();
    }
    return failures < 3 ? sizeText(path) : QString();
}

void MainWindow::showFile(const QString& path)
{
    setPanel(3, fileSizeText(readIntoPane(path), SizeUnit::Bytes));
    setPanel(2, folderAndFileLabel(path));
    followShownFile();
}

void MainWindow::showSelectedFile()
{
    if (state_.shownFrom == ShownFrom::FileList) {
        if (ui_.fileList->fileName().isEmpty()) return;  // a folder is not a file to show
        if (!mayDropEdits()) return;
        enableDisplay();
        showFile(joinPath(ui_.fileList->path(), ui_.fileList->fileName()));
    } else {
        showSearchHit();
    }
}

void MainWindow::onFileListPressed(Qt::MouseButton button, QPoint globalPos)
{
    const QString name = ui_.fileList->fileName();
    if (name.isEmpty()) return;
    const QString path = joinPath(ui_.fileList->path(), name);
    if (button == Qt::RightButton) {
        showFilePopup(path, globalPos);
        // A command of the popup that re-read the list (delete) has left nothing
        // selected: there is no file to enable or show any more.
        if (ui_.fileList->fileName() != name) return;
    }
    if (!ui_.showButton->isHidden()) {
        ui_.showButton->setEnabled(true);
        state_.shownFrom = ShownFrom::FileList;
        return;
    }
    if (!mayDropEdits()) return;
    enableDisplay();
    state_.shownFrom = ShownFrom::FileList;
    showFile(path);
}

void MainWindow::wrapPane()
{
    const DocumentPtr doc = ui_.pane->document();
    if (!doc || doc->size().value == 0 || wrapLimit_ < 1) return;  // wrapLimit_ is never below 1
    const WrapWidth width{wrapLimit_};
    std::optional<IoError> failure;
    reportCommand(runPaneCommand(*ui_.pane, [&](const Document& d, const CommandProgress& progress) {
        WrapStream wrap(width);
        return rewriteForCommand(d, wrap, progress, failure);
    }));
    if (failure) services_.prompts.message(this, rewriteFailureMessage(*failure));
}

void MainWindow::connectPane()
{
    connect(ui_.pane, &TextPane::indexProgress, this, &MainWindow::onIndexProgress);
    connect(ui_.pane, &TextPane::fileChangedOnDisk, this, &MainWindow::onFileChangedOnDisk);
    connect(ui_.pane, &TextPane::outOfMemory, this, [this] { reportCommand(CommandOutcome::OutOfMemory); });
    connect(ui_.pane, &TextPane::copyRefused, this, [this](std::uint64_t) {
        services_.prompts.message(this, {QStringLiteral("選択範囲が大きすぎるため、クリップボードにコピーできません。"),
                                         QStringLiteral("エラー"), platform::Buttons::Ok, platform::Icon::Warning});
    });
}

void MainWindow::onIndexProgress(std::uint64_t indexed, std::uint64_t total)
{
    const DocumentPtr doc = ui_.pane->document();
    // A file read afresh after a change says so until it is read to its end, and after.
    const bool afresh = readAfresh_.lock() == doc;
    if (indexed < total) {
        setLoadStatus(
            (afresh ? QStringLiteral("外部の変更を読み込み直しています %1%") : QStringLiteral("読み込み中 %1%"))
                .arg(indexed * 100 / total));
        return;
    }
    if (const std::optional<IoError> error = doc->loadError()) {
        setLoadStatus(QStringLiteral("ファイルの一部を読み込めませんでした（エラー番号 %1）").arg(error->errnoValue));
    } else if (doc->shrank()) {
        setLoadStatus(QStringLiteral("ファイルが縮小されました"));
    } else {
        setLoadStatus(afresh ? QStringLiteral("外部の変更を読み込み直しました") : QStringLiteral("読み込み完了"));
    }
}

void MainWindow::onFileChangedOnDisk()
{
    if (state_.shownPath.isEmpty()) return;
    if (commandRunning() || QApplication::activeModalWidget() != nullptr) {
        // Not under a command's work or a box: once they are over.
        QTimer::singleShot(200, this, &MainWindow::onFileChangedOnDisk);
        return;
    }
    if (ui_.pane->document()->integrity() == Integrity::Intact) return;  // another document is shown by now
    if (!ui_.pane->hasUnsavedEdits()) {
        // Nothing of the user's is lost: the file is read afresh.
        const QString path = state_.shownPath;
        auto loaded = Document::fromFile(toNativePath(path));
        if (!loaded) {
            forgetShownFile();
            showCannotOpen();
            return;
        }
        ui_.pane->setDocument(*loaded);
        readAfresh_ = *loaded;
        setLoadStatus(QStringLiteral("外部の変更を読み込み直しました"));
        return;
    }
    setLoadStatus(QStringLiteral("ファイルが外部で変更されました"));
    services_.prompts.message(
        this, {QStringLiteral("表示中のファイルが外部で変更されました。\n"
                              "入力した内容はそのまま残りますが、ファイルから読んだ部分を確かめられないため、"
                              "保存できません。必要な部分はコピーして下さい。"),
               QStringLiteral("警告"), platform::Buttons::Ok, platform::Icon::Warning});
}

}  // namespace soramie
