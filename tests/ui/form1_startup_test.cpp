// SPDX-License-Identifier: MIT
// Start-up of the main window and its drive, folder and file lists.
#include "support/form1_harness.h"

#include <QComboBox>
#include <QDir>

using namespace soramie::testing;

namespace {

// Where the three lists stand: "drive|folder list|file list".
QString lists(soramie::Form1& f) { return f.Drive1->drive() + "|" + f.Dir1->path() + "|" + f.File1->path(); }

// Enter on the last entry of the folder list.
void enterLast(soramie::Form1& f)
{
    f.Dir1->setCurrentRow(f.Dir1->count() - 1);
    QTest::keyClick(f.Dir1, Qt::Key_Return);
}

TEST(Form1Startup, AWorkFolderThatCannotBeEnteredFallsBackToTheDefaultThenTheHomeFolderAndTheWrapCountIsRead)
{
    Form1Harness h;
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + h.root().toUtf8() + "/missing\r\n"));
    ASSERT_TRUE(h.load());
    EXPECT_EQ(lists(h.form()), "/|" + h.defaultFolder() + "|" + h.defaultFolder());
    EXPECT_EQ(h.form().flagc + QString::number(h.form().wrapWidth()), "1100");
    // Text in the wrap count field that is not a number keeps the previous width.
    h.form().Text6->setText("12abc");
    EXPECT_EQ(h.form().wrapWidth(), 100);

    Form1Harness noDefault;
    noDefault.fakes.app.defaultStartFolder = noDefault.root() + "/no-default";
    ASSERT_TRUE(noDefault.load());
    EXPECT_EQ(lists(noDefault.form()), "/|" + noDefault.homeFolder() + "|" + noDefault.homeFolder());
}

// Hidden files and folders are neither listed nor counted.
TEST(Form1Lists, AFolderChangeListsAndCountsMatchingOrdinaryFilesAndReportsAFolderThatVanished)
{
    Form1Harness h;
    auto& f = h.loadWith({{"b.txt", "b"}, {"A.TXT", "a"}, {"c.log", "c"}, {".hidden.txt", "h"}});
    const QString logs = h.root() + "/logs";
    makeFolder(logs + "/d.txt");
    makeFolder(logs + "/empty");
    f.Dir1->refresh();
    enterLast(f);  // "empty"
    EXPECT_EQ(lists(f) + "|" + f.panel(1), "/|" + logs + "/empty|" + logs + "/empty|Total 0 Files(*.txt)");
    ASSERT_TRUE(f.Dir1->setPath(logs));
    EXPECT_EQ(f.File1->names().join(",") + "|" + f.panel(1), "A.TXT,b.txt|Total 2 Files(*.txt)");

    ASSERT_TRUE(QDir(logs + "/empty").removeRecursively());
    enterLast(f);
    EXPECT_EQ(lists(f), "/|" + logs + "|" + logs);
    EXPECT_EQ(h.boxes(), QStringList("エラー|このフォルダは開けません\n" + logs + "/empty"));
}

}  // namespace
