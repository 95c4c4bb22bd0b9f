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

// A loaded window and a folder "mixed" with two .txt files (one in upper
// case), a log, a hidden .txt, a folder whose name looks like a .txt file, and
// an empty subfolder.
class Form1Lists : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(mixed + "/b.txt", "b");
        writeFile(mixed + "/A.TXT", "a");
        writeFile(mixed + "/c.log", "c");
        writeFile(mixed + "/.hidden.txt", "h");
        makeFolder(mixed + "/d.txt");
        makeFolder(mixed + "/empty");
        ASSERT_TRUE(h.load());
        ASSERT_TRUE(f.Dir1->setPath(mixed));
    }
    void chooseFilter(int index)
    {
        f.Combo1->setCurrentIndex(index);
        f.Combo1_Click();
    }

    Form1Harness h;
    soramie::Form1& f = h.form();
    const QString mixed = h.root() + "/mixed";
};

}  // namespace

TEST_F(Form1Lists, a_folder_change_lists_and_counts_matching_ordinary_files_and_disables_the_display_button)
{
    EXPECT_EQ(f.File1->path(), mixed);
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt"}));
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.txt)");

    f.Command1->setEnabled(true);
    chooseFilter(2);  // "*.*": every ordinary file, hidden ones neither listed nor counted
    EXPECT_EQ(f.File1->pattern(), "*.*");
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt", "c.log"}));
    EXPECT_EQ(f.panel(1), "Total 3 Files(*.*)");
    EXPECT_TRUE(f.Command1->isEnabled());  // a filter change keeps the button

    ASSERT_TRUE(f.Dir1->setPath(mixed + "/empty"));
    EXPECT_EQ(f.panel(1), "Total 0 Files(*.*)");
    EXPECT_EQ(f.File1->count(), 0);
    EXPECT_FALSE(f.Command1->isEnabled());
}

TEST_F(Form1Lists, typed_filter_text_counts_at_the_next_folder_change_but_does_not_filter_the_list)
{
    f.Combo1->setEditText("*.log");
    ASSERT_TRUE(f.Dir1->setPath(h.root()));
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    EXPECT_EQ(f.File1->pattern(), "*.txt");
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt"}));
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.log)");
}

TEST_F(Form1Lists, refresh_rereads_the_files_but_keeps_the_count_and_disables_the_display_button)
{
    ASSERT_TRUE(writeFile(mixed + "/new.txt", "n"));
    ASSERT_TRUE(QFile::remove(mixed + "/b.txt"));
    f.Command1->setEnabled(true);
    f.Command8->click();
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "new.txt"}));
    EXPECT_EQ(f.panel(1), "Total 2 Files(*.txt)");
    EXPECT_FALSE(f.Command1->isEnabled());
}

TEST_F(Form1Lists, the_folder_list_shows_the_path_and_subfolders_and_a_double_click_enters_one)
{
    const int depth = static_cast<int>(mixed.split('/', Qt::SkipEmptyParts).size());
    ASSERT_EQ(f.Dir1->count(), depth + 1 + 2);  // "/", each step, then d.txt and empty
    EXPECT_EQ(f.Dir1->item(0)->text(), "/");
    EXPECT_EQ(f.Dir1->item(depth)->text().trimmed(), "mixed");
    EXPECT_EQ(f.Dir1->currentRow(), depth);
    EXPECT_EQ(f.Dir1->item(depth + 1)->text().trimmed(), "d.txt");

    emit f.Dir1->itemDoubleClicked(f.Dir1->item(depth + 2));
    EXPECT_EQ(f.Dir1->path() + "|" + f.File1->path(), mixed + "/empty|" + mixed + "/empty");
    EXPECT_EQ(f.panel(1), "Total 0 Files(*.txt)");

    emit f.Dir1->itemDoubleClicked(f.Dir1->item(0));  // up to the root
    EXPECT_EQ(f.Dir1->path() + "|" + f.File1->path(), "/|/");
    EXPECT_EQ(f.panel(1), QString("Total %1 Files(*.txt)").arg(f.countFiles("/", "*.txt")));
}

TEST_F(Form1Lists, a_vanished_folder_is_reported_and_the_lists_stay_together)
{
    const int row = f.Dir1->count() - 1;  // "empty"
    ASSERT_TRUE(QDir(mixed + "/empty").removeRecursively());
    emit f.Dir1->itemDoubleClicked(f.Dir1->item(row));
    EXPECT_EQ(f.Dir1->path() + "|" + f.File1->path(), mixed + "|" + mixed);
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    EXPECT_EQ(h.fakes.prompts.messages[0].title, "エラー");
    EXPECT_TRUE(h.fakes.prompts.messages[0].text.startsWith("このフォルダは開けません"));
}

TEST(Form1Drives, choosing_a_drive_moves_to_its_current_folder_and_back)
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

TEST_F(Form1Lists, the_wrap_count_field_sets_the_wrap_width_in_bytes_and_ignores_text_that_is_not_a_width)
{
    // Text that is not a number, or a width below one byte, keeps the previous width (60).
    const std::pair<const char*, int> cases[] = {{"50", 100}, {"12.25", 24}, {"12.75", 26}, {"abc", 60}, {"12abc", 60},
                                                 {"0", 60},   {"-5", 60},    {"0.2", 60},   {"1e12", 60}};
    for (const auto& [text, width] : cases) {
        f.Text6->setText("30");
        f.Text6->setText(text);
        EXPECT_EQ(f.wrapWidth(), width) << text;
    }
    f.Text6->setText("30");
    f.Text6->setText("");  // puts "100" back
    EXPECT_EQ(f.Text6->text(), "100");
    EXPECT_EQ(f.wrapWidth(), 200);
}
