// SPDX-License-Identifier: MIT
// Start-up of the main window and its drive, folder and file lists.
#include "support/main_window_harness.h"

#include <QComboBox>
#include <QDir>

using namespace soramie::testing;

namespace {

// Where the three lists stand: "drive|folder list|file list".
QString lists(soramie::MainWindow& f)
{
    return ui(f).driveList->drive() + "|" + ui(f).folderList->path() + "|" + ui(f).fileList->path();
}

// Enter on the last entry of the folder list.
void enterLast(soramie::MainWindow& f)
{
    ui(f).folderList->setCurrentRow(ui(f).folderList->count() - 1);
    QTest::keyClick(ui(f).folderList, Qt::Key_Return);
}

TEST(MainWindowStartup, AWorkFolderThatCannotBeEnteredFallsBackToTheDefaultThenTheHomeFolderAndTheWrapCountIsRead)
{
    MainWindowHarness h;
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + h.root().toUtf8() + "/missing\r\n"));
    ASSERT_TRUE(h.load());
    EXPECT_EQ(lists(h.form()), "/|" + h.defaultFolder() + "|" + h.defaultFolder());
    EXPECT_EQ(viewerState(h.form()).settings.typedateValue + QString::number(h.form().wrapLimit()), "1100");
    // A wrap count whose width is below one byte keeps the previous width.
    h.form().setWrapCount(0);
    EXPECT_EQ(h.form().wrapLimit(), 100);

    MainWindowHarness noDefault;
    noDefault.fakes.app.defaultStartFolder = noDefault.root() + "/no-default";
    ASSERT_TRUE(noDefault.load());
    EXPECT_EQ(lists(noDefault.form()), "/|" + noDefault.homeFolder() + "|" + noDefault.homeFolder());
}

// Hidden files and folders are neither listed nor counted.
TEST(MainWindowLists, AFolderChangeListsAndCountsMatchingOrdinaryFilesAndReportsAFolderThatVanished)
{
    MainWindowHarness h;
    auto& f = h.loadWith({{"b.txt", "b"}, {"A.TXT", "a"}, {"c.log", "c"}, {".hidden.txt", "h"}});
    const QString logs = h.root() + "/logs";
    makeFolder(logs + "/d.txt");
    makeFolder(logs + "/empty");
    ui(f).folderList->refresh();
    enterLast(f);  // "empty"
    EXPECT_EQ(lists(f) + "|" + f.panel(1), "/|" + logs + "/empty|" + logs + "/empty|Total 0 Files(*.txt)");
    ASSERT_TRUE(ui(f).folderList->setPath(logs));
    EXPECT_EQ(ui(f).fileList->names().join(",") + "|" + f.panel(1), "A.TXT,b.txt|Total 2 Files(*.txt)");

    ASSERT_TRUE(QDir(logs + "/empty").removeRecursively());
    enterLast(f);
    EXPECT_EQ(lists(f), "/|" + logs + "|" + logs);
    EXPECT_EQ(h.boxes(), QStringList("エラー|このフォルダは開けません\n" + logs + "/empty"));
}

}  // namespace
