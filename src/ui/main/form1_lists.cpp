// SPDX-License-Identifier: MIT
// Form1: the drive, folder and file lists, the filter, the file count, refresh
// and the wrap-count field.
#include "ui/main/form1.h"

#include "ui/common/path_text.h"
#include "ui/main/file_browser.h"
#include "ui/main/folder_listing.h"
#include "ui/pane/text_pane.h"

#include <QLineEdit>
#include <QToolButton>

#include <cmath>
#include <limits>

namespace soramie {

namespace {

QString countText(int count, const QString& pattern)
{
    return QStringLiteral("Total %1 Files(%2)").arg(count).arg(pattern);
}

}  // namespace

int Form1::countFiles(const QString& folder, const QString& pattern) const
{
    const auto files = listMatchingFiles(toNativePath(folder), pattern.toStdString());
    return files ? static_cast<int>(files->size()) : 0;
}

void Form1::Drive1_Change()
{
    const QString drive = Drive1->drive();
    const QString target = services_.drives.currentFolder(drive);
    if (Dir1->setPath(target) || Dir1->setPath(drive)) return;
    // The drive cannot be read: the lists stay where they were.
    Drive1->showDrive(services_.drives.driveOf(Dir1->path()));
    reportFolderFailure(drive);
}

void Form1::Dir1_Change()
{
    const QString folder = Dir1->path();
    // The pickers start where the user has browsed to.
    services_.drives.setCurrentFolder(folder);
    Drive1->showDrive(services_.drives.driveOf(folder));
    File1->setPath(folder);
    Command1->setEnabled(false);
    showSearchFolder(folder);
    const QString filter = Combo1->currentText();
    const int count = filter == File1->pattern() ? File1->count() : countFiles(folder, filter);
    setPanel(1, countText(count, filter));
}

void Form1::Combo1_Click()
{
    const QString filter = Combo1->currentText();
    File1->setPattern(filter);
    File1->refresh();
    Dir1->refresh();
    setPanel(1, countText(File1->count(), filter));
}

void Form1::Command8_Click()
{
    File1->refresh();
    Text1->refresh();
    Command1->setEnabled(false);
}

void Form1::Text6_Change()
{
    if (Text6->text().isEmpty()) {
        Text6->setText(QStringLiteral("100"));  // raises this handler again with "100"
        return;
    }
    bool numeric = false;
    const double count = Text6->text().trimmed().toDouble(&numeric);
    if (!numeric || !std::isfinite(count)) return;  // the previous width stays
    // Characters to bytes; halves go to the even neighbour (the default rounding mode).
    const double bytes = std::nearbyint(count * 2);
    if (bytes < 1 || bytes > std::numeric_limits<std::int32_t>::max()) return;
    wrapWidth_ = static_cast<std::int32_t>(bytes);
}

void Form1::reportFolderFailure(const QString& folder)
{
    services_.prompts.message(this, {QStringLiteral("このフォルダは開けません\n") + displayPath(folder),
                                     QStringLiteral("エラー"), platform::Buttons::Ok, platform::Icon::Critical});
}

}  // namespace soramie
