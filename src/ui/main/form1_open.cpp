// SPDX-License-Identifier: MIT
// Form1: the open-file command.
#include "ui/main/form1.h"

#include "document/document.h"
#include "ui/common/path_text.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

namespace soramie {

QString kilobytesText(std::uint64_t bytes)
{
    QString text = QString::number(bytes / 1000);
    const std::uint64_t rest = bytes % 1000;
    if (rest != 0) {
        QString fraction = QStringLiteral("%1").arg(rest, 3, 10, QLatin1Char('0'));
        while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
        text += QLatin1Char('.') + fraction;
    }
    return text;
}

void Form1::appOpen_Click()
{
    const QString path = services_.pickers.showOpenDialog(this, platform::textFilter(), processFolder());
    if (path.isEmpty()) return;
    showOpenedFile(path, services_.pickers.lastOpenFolder());
}

bool Form1::showOpenedFile(const QString& path, const QString& folder)
{
    if (!mayDropEdits()) return false;
    auto loaded = Document::fromFile(toNativePath(path));
    if (!loaded) {
        // Nothing of the window changes when the chosen file cannot be read.
        showCannotOpen();
        return false;
    }
    Text1->setDocument(*loaded);
    shownPath = path;
    // The pane no longer shows a search hit: the delete command must not aim at one.
    Flag = 0;
    setPanel(3, QStringLiteral("File Size ") + kilobytesText((*loaded)->size().value) + QStringLiteral(" KB"));

    const QString previous = Dir1->path();
    File1->setPath(withoutFinalSeparator(folder));
    if (!Dir1->setPath(File1->path())) {
        File1->setPath(previous);  // the three lists stay together
    } else if (Dir1->path() == previous) {
        Dir1_Change();  // the same folder: its listing was re-read all the same
    }
    Drive1->setDrive(services_.drives.driveOf(Dir1->path()));

    setCaption(displayPath(File1->fileName()));
    setPanel(2, folderFileLabel(path));
    Dir1->refresh();
    Drive1->setDrives(services_.drives.roots());
    File1->refresh();
    return true;
}

}  // namespace soramie
