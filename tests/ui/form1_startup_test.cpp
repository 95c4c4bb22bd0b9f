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
    for (const auto& [text, width] : {std::pair{"50", 100}, {"12.25", 24}, {"12abc", 60}, {"0.2", 60}, {"1e12", 60}}) {
        f.Text6->setText("30");
        f.Text6->setText(text);
        EXPECT_EQ(f.wrapWidth(), width) << text;
    }
    f.Text6->setText("");  // puts "100" back
    EXPECT_EQ(f.Text6->text() + QString::number(f.wrapWidth()), "100200");

    Form1Harness noDefault;
    noDefault.fakes.app.defaultStartFolder = noDefault.root() + "/no-default";
    ASSERT_TRUE(noDefault.load());
    EXPECT_EQ(lists(noDefault.form()), "/|" + noDefault.homeFolder() + "|" + noDefault.homeFolder());
}

TEST(Form1Lists, AFolderChangeListsAndCountsMatchingOrdinaryFilesAndDisablesTheDisplayButton)
{
    Form1Harness h;
    auto& f = h.loadWith({{"b.txt", "b"}, {"A.TXT", "a"}, {"c.log", "c"}, {".hidden.txt", "h"}});
    const QString logs = h.root() + "/logs";
    makeFolder(logs + "/d.txt");
    makeFolder(logs + "/empty");
    f.Dir1->refresh();
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt"}));

    f.Command1->setEnabled(true);
    f.Combo1->setCurrentIndex(2);  // "*.*": every ordinary file, hidden ones neither listed nor counted
    f.Combo1_Click();
    EXPECT_EQ(f.File1->names().join(",") + "|" + f.panel(1), "A.TXT,b.txt,c.log|Total 3 Files(*.*)");
    EXPECT_TRUE(f.Command1->isEnabled()) << "a filter change keeps the button";

    // Typed filter text counts at the next folder change but does not filter the list.
    f.Combo1->setEditText("*.log");
    enterLast(f);  // "empty"
    EXPECT_EQ(lists(f) + "|" + f.panel(1), "/|" + logs + "/empty|" + logs + "/empty|Total 0 Files(*.log)");
    EXPECT_FALSE(f.Command1->isEnabled());
    ASSERT_TRUE(f.Dir1->setPath(logs));
    EXPECT_EQ(f.panel(1) + "|" + f.File1->pattern(), "Total 1 Files(*.log)|*.*");
    // Refresh re-reads the files but keeps the count.
    ASSERT_TRUE(writeFile(logs + "/new.txt", "n"));
    f.Command8->click();
    EXPECT_EQ(f.File1->names().join(",") + "|" + f.panel(1), "A.TXT,b.txt,c.log,new.txt|Total 1 Files(*.log)");

    // A folder that vanished is reported and the lists stay together.
    ASSERT_TRUE(QDir(logs + "/empty").removeRecursively());
    enterLast(f);
    EXPECT_EQ(lists(f), "/|" + logs + "|" + logs);
    EXPECT_EQ(h.boxes(), QStringList("エラー|このフォルダは開けません\n" + logs + "/empty"));
}

TEST(Form1Lists, ChoosingADriveMovesToItsCurrentFolderButChoosingTheShownDriveDoesNothing)
{
    Form1Harness h;
    const QString a = h.root() + "/A/", b = h.root() + "/B/";
    ASSERT_TRUE(writeFile(a + "logs/x.txt", "x") && writeFile(b + "y.txt", "y"));
    h.fakes.drives.rootList = {"/", a, b};
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + (a + "logs").toUtf8() + "\r\n"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    f.Drive1->setDrives(h.fakes.drives.roots());
    f.Drive1->setDrive(b);  // never entered: its root
    EXPECT_EQ(lists(f) + "|" + f.panel(1), b + "|" + h.root() + "/B|" + h.root() + "/B|Total 1 Files(*.txt)");
    f.Drive1->setDrive(a);  // start-up made logs its current folder
    EXPECT_EQ(lists(f), a + "|" + a + "logs|" + a + "logs");
    ASSERT_TRUE(f.Dir1->setPath(h.root()));
    EXPECT_EQ(f.Drive1->drive(), "/") << "the drive list follows the folder list";
    QStringList seen;
    for (const QString& drive : {QString("/"), b}) {  // the drive shown, then another
        f.Drive1->setCurrentIndex(f.Drive1->findText(drive));
        emit f.Drive1->activated(f.Drive1->currentIndex());
        seen << lists(f);
    }
    EXPECT_EQ(seen, QStringList({"/|" + h.root() + "|" + h.root(), b + "|" + h.root() + "/B|" + h.root() + "/B"}));
}

}  // namespace
