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
#include <QMenu>
#include <QToolButton>

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
    setPanel(2, folderFileLabel(path));
}

void MainWindow::showSelectedFile()
{
    if (state_.shownFrom == ShownFrom::FileList) {
        if (ui_.fileList->fileName().isEmpty()) return;  // a folder is not a file to show
        if (!mayDropEdits()) return;
        enableDisplay();
        showFile(joinFolderFile(ui_.fileList->path(), ui_.fileList->fileName()));
    } else {
        showSearchHit();
    }
}

void MainWindow::onFileListPressed(Qt::MouseButton button, QPoint globalPos)
{
    const QString name = ui_.fileList->fileName();
    if (name.isEmpty()) return;
    const QString path = joinFolderFile(ui_.fileList->path(), name);
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
    if (!doc || doc->size().value == 0 || wrapWidth_ < 1) return;  // wrapWidth_ is never below 1
    const WrapWidth width{wrapWidth_};
    reportCommand(runPaneCommand(*ui_.pane, [width](const Document& d, const CommandProgress& progress) {
        WrapStream wrap(width);
        return Document::fromRewrite(d.rewrite(wrap, progress), wrap);
    }));
}

}  // namespace soramie
