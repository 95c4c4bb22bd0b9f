// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
#include "ui/main/file_browser.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using soramie::testing::Form1Harness;
using soramie::testing::makeFolder;
using soramie::testing::writeFile;

namespace {

// A folder with two .txt files (one in upper case), a log, a hidden .txt, a
// folder whose name looks like a .txt file, and an empty subfolder.
QString mixedFolder(const Form1Harness& h)
{
    const QString f = h.root() + "/mixed";
    writeFile(f + "/b.txt", "b");
    writeFile(f + "/A.TXT", "a");
    writeFile(f + "/c.log", "c");
    writeFile(f + "/.hidden.txt", "h");
    makeFolder(f + "/d.txt");
    makeFolder(f + "/empty");
    return f;
}

void chooseFilter(soramie::Form1& f, int index)
{
    f.Combo1->setCurrentIndex(index);
    f.Combo1_Click();
}

}  // namespace

TEST(Form1Lists, a_folder_change_lists_and_counts_matching_ordinary_files_only)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString mixed = mixedFolder(h);
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    EXPECT_EQ(f.File1->path(), mixed);
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt"}));
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.txt)");

    chooseFilter(f, 2);  // "*.*": every ordinary file, hidden ones neither listed nor counted
    EXPECT_EQ(f.File1->pattern(), "*.*");
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt", "c.log"}));
    EXPECT_EQ(f.panel(1), "Total 3 Files(*.*)");

    ASSERT_TRUE(f.Dir1->setPath(mixed + "/empty"));
    EXPECT_EQ(f.panel(1), "Total 0 Files(*.*)");
    EXPECT_EQ(f.File1->count(), 0);
}

TEST(Form1Lists, typed_filter_text_counts_at_the_next_folder_change_but_does_not_filter_the_list)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString mixed = mixedFolder(h);
    f.Combo1->setEditText("*.log");
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    EXPECT_EQ(f.File1->pattern(), "*.txt");
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt"}));
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.log)");
}

TEST(Form1Lists, a_folder_change_disables_the_display_button_and_a_filter_change_does_not)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString mixed = mixedFolder(h);
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    f.Command1->setEnabled(true);
    chooseFilter(f, 1);
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.log)");
    ASSERT_TRUE(f.Dir1->setPath(h.root()));
    EXPECT_FALSE(f.Command1->isEnabled());
}

TEST(Form1Lists, refresh_rereads_the_files_but_keeps_the_count_and_disables_the_display_button)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString mixed = mixedFolder(h);
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    ASSERT_TRUE(writeFile(mixed + "/new.txt", "n"));
    ASSERT_TRUE(QFile::remove(mixed + "/b.txt"));
    f.Command1->setEnabled(true);
    f.Command8->click();
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "new.txt"}));
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.txt)");
    EXPECT_FALSE(f.Command1->isEnabled());
}

TEST(Form1Lists, the_folder_list_shows_the_path_and_subfolders_and_a_double_click_enters_one)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString mixed = mixedFolder(h);
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    const int depth = static_cast<int>(mixed.split('/', Qt::SkipEmptyParts).size());
    ASSERT_EQ(f.Dir1->count(), depth + 1 + 2);  // "/", each step, then d.txt and empty
    EXPECT_EQ(f.Dir1->item(0)->text(), "/");
    EXPECT_EQ(f.Dir1->item(depth)->text().trimmed(), "mixed");
    EXPECT_EQ(f.Dir1->currentRow(), depth);
    EXPECT_EQ(f.Dir1->item(depth + 1)->text().trimmed(), "d.txt");

    emit f.Dir1->itemDoubleClicked(f.Dir1->item(depth + 2));
    EXPECT_EQ(f.Dir1->path(), mixed + "/empty");
    EXPECT_EQ(f.File1->path(), mixed + "/empty");
    EXPECT_EQ(f.panel(1), "Total 0 Files(*.txt)");

    emit f.Dir1->itemDoubleClicked(f.Dir1->item(0));  // up to the root
    EXPECT_EQ(f.Dir1->path(), "/");
    EXPECT_EQ(f.File1->path(), "/");
    EXPECT_EQ(f.panel(1), QString("Total %1 Files(*.txt)").arg(f.countFiles("/", "*.txt")));
}

TEST(Form1Lists, a_vanished_folder_is_reported_and_the_lists_stay_together)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const QString mixed = mixedFolder(h);
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    const int row = f.Dir1->count() - 1;  // "empty"
    ASSERT_TRUE(QDir(mixed + "/empty").removeRecursively());
    emit f.Dir1->itemDoubleClicked(f.Dir1->item(row));
    EXPECT_EQ(f.Dir1->path(), mixed);
    EXPECT_EQ(f.File1->path(), mixed);
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    EXPECT_EQ(h.fakes.prompts.messages[0].title, "エラー");
    EXPECT_TRUE(h.fakes.prompts.messages[0].text.startsWith("このフォルダは開けません"));
}

TEST(Form1Lists, choosing_a_drive_moves_to_its_current_folder_and_back)
{
    Form1Harness h;
    const QString a = h.root() + "/A/", b = h.root() + "/B/";
    ASSERT_TRUE(writeFile(a + "logs/x.txt", "x"));
    ASSERT_TRUE(writeFile(b + "y.txt", "y"));
    h.fakes.drives.rootList = {"/", a, b};
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + (a + "logs").toUtf8() + "\r\n"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    f.Drive1->setDrives(h.fakes.drives.roots());
    EXPECT_EQ(f.Drive1->drive(), a);

    f.Drive1->setDrive(b);  // never entered: its root
    EXPECT_EQ(f.Dir1->path(), h.root() + "/B");
    EXPECT_EQ(f.File1->names(), QStringList{"y.txt"});
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.txt)");

    f.Drive1->setDrive(a);  // start-up made logs its current folder
    EXPECT_EQ(f.Dir1->path(), a + "logs");
    EXPECT_EQ(f.File1->names(), QStringList{"x.txt"});

    // Walking up out of a volume in the folder list moves the drive list along.
    ASSERT_TRUE(f.Dir1->setPath(h.root()));
    EXPECT_EQ(f.Drive1->drive(), "/");
}

TEST(Form1Lists, the_wrap_count_field_sets_the_wrap_width_in_bytes)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    const std::pair<const char*, int> cases[] = {{"50", 100}, {"10", 20}, {"12.25", 24}, {"12.75", 26},
                                                 {"100", 200}};
    for (const auto& [text, width] : cases) {
        f.Text6->setText(text);
        EXPECT_EQ(f.wrapWidth(), width) << text;
    }
    f.Text6->setText("30");
    f.Text6->setText("");  // puts "100" back
    EXPECT_EQ(f.Text6->text(), "100");
    EXPECT_EQ(f.wrapWidth(), 200);
    // Text that is not a number, or a width below one byte, keeps the previous width.
    for (const char* text : {"abc", "12abc", "0", "-5", "0.2", "1e12"}) {
        f.Text6->setText("30");
        f.Text6->setText(text);
        EXPECT_EQ(f.wrapWidth(), 60) << text;
    }
}
