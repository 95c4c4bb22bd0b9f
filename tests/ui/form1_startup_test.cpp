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

// A name without a program keeps the program item hidden.
TEST(Form1Startup, AWorkFolderThatCannotBeEnteredFallsBackToTheDefaultThenTheHomeFolderAndTheWrapCountIsRead)
{
    Form1Harness h;
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + h.root().toUtf8() + "/missing\r\nname = Editor\r\n"));
    ASSERT_TRUE(h.load());
    EXPECT_EQ(lists(h.form()), "/|" + h.defaultFolder() + "|" + h.defaultFolder());
    EXPECT_FALSE(h.form().mnuApp->isVisible());
    EXPECT_EQ(h.form().flagc + QString::number(h.form().wrapWidth()), "1100");
    // The wrap count field sets the width in bytes; text that is not a number,
    // or a width below one byte, keeps the previous width (60).
    auto& f = h.form();
    for (const auto& [text, width] : {std::pair{"12.25", 24}, {"12abc", 60}, {"0.2", 60}}) {
        f.Text6->setText("30");
        f.Text6->setText(text);
        EXPECT_EQ(f.wrapWidth(), width) << text;
    }

    Form1Harness noDefault;
    noDefault.fakes.app.defaultStartFolder = noDefault.root() + "/no-default";
    ASSERT_TRUE(noDefault.load());
    EXPECT_EQ(lists(noDefault.form()), "/|" + noDefault.homeFolder() + "|" + noDefault.homeFolder());
}

// Hidden files and folders are neither listed nor counted; typed filter text
// counts at the next folder change but does not filter the list.
TEST(Form1Lists, AFolderChangeListsAndCountsMatchingOrdinaryFilesAndReportsAFolderThatVanished)
{
    Form1Harness h;
    auto& f = h.loadWith({{"b.txt", "b"}, {"A.TXT", "a"}, {"c.log", "c"}, {".hidden.txt", "h"}});
    const QString logs = h.root() + "/logs";
    makeFolder(logs + "/d.txt");
    makeFolder(logs + "/empty");
    f.Dir1->refresh();
    f.Command1->setEnabled(true);
    f.Combo1->setEditText("*.log");
    enterLast(f);  // "empty"
    EXPECT_EQ(lists(f) + "|" + f.panel(1), "/|" + logs + "/empty|" + logs + "/empty|Total 0 Files(*.log)");
    EXPECT_FALSE(f.Command1->isEnabled());
    ASSERT_TRUE(f.Dir1->setPath(logs));
    EXPECT_EQ(f.File1->names().join(",") + "|" + f.panel(1), "A.TXT,b.txt|Total 1 Files(*.log)");

    ASSERT_TRUE(QDir(logs + "/empty").removeRecursively());
    enterLast(f);
    EXPECT_EQ(lists(f), "/|" + logs + "|" + logs);
    EXPECT_EQ(h.boxes(), QStringList("エラー|このフォルダは開けません\n" + logs + "/empty"));
}

}  // namespace
