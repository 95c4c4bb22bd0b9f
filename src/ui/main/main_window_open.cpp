// SPDX-License-Identifier: MIT
// MainWindow: the open-file command.
#include "ui/main/main_window.h"

#include "document/document.h"
#include "ui/common/path_text.h"
#include "ui/common/status_text.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <cerrno>

namespace soramie {

void MainWindow::openFile()
{
    const QString path = services_.pickers.showOpenDialog(this, platform::textFilter(), processFolder());
    if (path.isEmpty()) return;
    showOpenedFile(path, services_.pickers.lastChosenFolder());
}

bool MainWindow::showOpenedFile(const QString& path, const QString& folder)
{
    if (!mayDropEdits()) return false;
    auto loaded = Document::fromFile(toNativePath(path));
    if (!loaded) {
        // Nothing of the window changes when the chosen file cannot be read; a
        // file larger than the address space left is told as what it is.
        if (loaded.error().errnoValue == ENOMEM) {
            reportCommand(CommandOutcome::OutOfMemory);
        } else {
            showCannotOpen();
        }
        return false;
    }
    ui_.pane->setDocument(*loaded);
    state_.shownPath = path;
    // The pane no longer shows a search hit: the delete command must not aim at one.
    state_.shownFrom = ShownFrom::FileList;
    followShownFile();
    setPanel(3, fileSizeText(kilobytesText((*loaded)->size().value), SizeUnit::Kilobytes));

    const QString previous = ui_.folderList->path();
    ui_.fileList->setPath(withoutFinalSeparator(folder));
    if (!ui_.folderList->setPath(ui_.fileList->path())) {
        ui_.fileList->setPath(previous);  // the three lists stay together
    } else if (ui_.folderList->path() == previous) {
        onFolderChanged();  // the same folder: its listing was re-read all the same
    }
    ui_.driveList->setDrive(services_.drives.driveOf(ui_.folderList->path()));

    setCaption(displayPath(ui_.fileList->fileName()));
    setPanel(2, folderAndFileLabel(path));
    ui_.folderList->refresh();
    ui_.driveList->setDrives(services_.drives.roots());
    ui_.fileList->refresh();
    return true;
}

}  // namespace soramie
