// SPDX-License-Identifier: MIT
// MainWindow: the drive, folder and file lists, the filter, the file count, refresh
// and the wrap count.
#include "ui/main/main_window.h"

#include "core/folder_listing.h"
#include "ui/common/path_text.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QToolButton>

#include <limits>

namespace soramie {

namespace {

QString countText(int count, const QString& pattern)
{
    return QStringLiteral("Total %1 Files(%2)").arg(count).arg(pattern);
}

}  // namespace

int MainWindow::countFiles(const QString& folder, const QString& pattern) const
{
    const auto files = listMatchingFiles(toNativePath(folder), pattern.toStdString());
    return files ? static_cast<int>(files->size()) : 0;
}

void MainWindow::onDriveChanged()
{
    const QString drive = ui_.driveList->drive();
    const QString target = services_.drives.currentFolder(drive);
    if (ui_.folderList->setPath(target) || ui_.folderList->setPath(drive)) return;
    // The drive cannot be read: the lists stay where they were.
    ui_.driveList->showDrive(services_.drives.driveOf(ui_.folderList->path()));
    reportFolderFailure(drive);
}

void MainWindow::onFolderChanged()
{
    const QString folder = ui_.folderList->path();
    // The pickers start where the user has browsed to.
    services_.drives.setCurrentFolder(folder);
    ui_.driveList->showDrive(services_.drives.driveOf(folder));
    ui_.fileList->setPath(folder);
    ui_.showButton->setEnabled(false);
    showSearchFolder(folder);
    const QString filter = ui_.filterCombo->currentText();
    const int count = filter == ui_.fileList->pattern() ? ui_.fileList->count() : countFiles(folder, filter);
    setPanel(1, countText(count, filter));
}

void MainWindow::onFilterChosen()
{
    const QString filter = ui_.filterCombo->currentText();
    ui_.fileList->setPattern(filter);
    ui_.fileList->refresh();
    ui_.folderList->refresh();
    setPanel(1, countText(ui_.fileList->count(), filter));
}

void MainWindow::refreshLists()
{
    ui_.fileList->refresh();
    // The count is the list's: files created or removed meanwhile count.
    setPanel(1, countText(ui_.fileList->count(), ui_.fileList->pattern()));
    ui_.pane->refresh();
    ui_.showButton->setEnabled(false);
}

void MainWindow::setWrapCount(qint64 count)
{
    wrapCount_ = count;
    // Characters to bytes.
    const double bytes = static_cast<double>(count) * 2;
    if (bytes < 1 || bytes > std::numeric_limits<std::int32_t>::max()) return;  // the previous width stays
    wrapLimit_ = static_cast<std::int32_t>(bytes);
}

void MainWindow::reportFolderFailure(const QString& folder)
{
    services_.prompts.message(this, {QStringLiteral("このフォルダは開けません\n") + displayPath(folder),
                                     QStringLiteral("エラー"), platform::Buttons::Ok, platform::Icon::Critical});
}

}  // namespace soramie
