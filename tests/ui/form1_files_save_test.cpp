// SPDX-License-Identifier: MIT
// Save, save as and delete of the main window, on real files.
#include "form1_files_fixture.h"
#include "ui/dialogs/form3.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

using soramie::Form1;
using soramie::platform::Answer;
using soramie::platform::Buttons;
using soramie::platform::Icon;
using soramie::testing::bytesOf;
using soramie::testing::Form1Harness;
using soramie::testing::makeFolder;
using soramie::testing::loadWith;
using soramie::testing::logs;
using soramie::testing::writeFile;

namespace {

// CP932 with what a re-encoding would change: a lead byte without its trail
// before CR LF, an NEC-selected IBM code (0xED40, whose character is written
// as 0xFA5C when encoded), the single bytes 0xA0, 0xFD and 0x80, and a lone lead
// byte at the end.
const QByteArray kRaw("\x82\xa0\x81\r\n\xed\x40\x87\x54\xfa\x40\xa0\xfd\x80\x81", 15);

// Shows the listed file `name` with the display button.
void show(Form1& f, const QString& name)
{
    ASSERT_TRUE(f.File1->selectFile(name));
    f.Flag = 0;
    f.Command1_Click();
}

}  // namespace

TEST(Form1Save, save_as_writes_the_pane_exactly_and_appends_txt_unless_the_name_ends_in_lower_case_txt)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    show(f, "a.txt");
    const QString title = f.windowTitle();
    const QString panels = f.panel(1) + "|" + f.panel(2) + "|" + f.panel(3);
    const QStringList listed = f.File1->names();

    h.fakes.pickers.saveAnswers = {logs(h, "memo"), logs(h, "memo.TXT"), logs(h, "b.txt")};
    f.appNWrite->trigger();
    f.appNWrite->trigger();
    f.appNWrite->trigger();
    EXPECT_EQ(bytesOf(logs(h, "memo.txt")), "abc");
    EXPECT_EQ(bytesOf(logs(h, "memo.TXT.txt")), "abc");
    EXPECT_EQ(bytesOf(logs(h, "b.txt")), "abc");
    EXPECT_FALSE(QFileInfo::exists(logs(h, "b.txt.txt")));

    const auto& request = h.fakes.pickers.requests.at(0);
    EXPECT_EQ(request.kind, "save");
    EXPECT_EQ(request.owner, &f);
    EXPECT_EQ(request.filter.size(), 2);
    EXPECT_EQ(request.filter[0].label, "ﾃｷｽﾄﾌｧｲﾙ(*.txt)");
    EXPECT_EQ(request.filter[1].pattern, "*.*");
    // Nothing of the window changes: no box, same title, panels and list.
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
    EXPECT_EQ(f.windowTitle(), title);
    EXPECT_EQ(f.panel(1) + "|" + f.panel(2) + "|" + f.panel(3), panels);
    EXPECT_EQ(f.File1->names(), listed);
    EXPECT_EQ(f.shownPath, logs(h, "a.txt"));

    // An empty pane gives a 0-byte file; cancelling writes nothing.
    f.Text1->clear();
    h.fakes.pickers.saveAnswers = {logs(h, "empty"), ""};
    f.appNWrite_Click();
    f.appNWrite_Click();
    EXPECT_EQ(QFileInfo(logs(h, "empty.txt")).size(), 0);
    EXPECT_TRUE(QFileInfo::exists(logs(h, "empty.txt")));
}

TEST(Form1Save, save_writes_the_file_the_pane_came_from_byte_for_byte_not_the_list_selection)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"raw.txt", kRaw}, {"other.txt", "other"}});
    show(f, "raw.txt");
    ASSERT_TRUE(f.File1->selectFile("other.txt"));  // selected, not shown

    // Unchanged text: the very bytes read, undecodable ones and duplicate codes included.
    h.fakes.pickers.saveAnswers = {logs(h, "copy.txt")};
    f.appNWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "copy.txt")), kRaw);

    // A change in the middle re-encodes only the middle.
    const QString text = f.Text1->text();
    f.Text1->setText(text.left(3) + "X" + text.mid(3));
    f.appWrite->trigger();
    EXPECT_EQ(bytesOf(logs(h, "raw.txt")), kRaw.left(4) + "X" + kRaw.mid(4));  // after あ, 0x81, CR
    EXPECT_EQ(bytesOf(logs(h, "other.txt")), "other");
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
}

TEST(Form1Save, save_with_an_empty_pane_writes_nothing_and_text_from_no_file_is_saved_as)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    show(f, "a.txt");
    f.Text1->clear();
    f.appWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "a.txt")), "abc");
    EXPECT_TRUE(h.fakes.pickers.requests.empty());

    // A failed display forgets the file: Save asks for a name instead of guessing.
    f.DisplayFile(logs(h, "gone.txt"));
    h.fakes.prompts.messages.clear();
    f.Text1->setText("abc");
    h.fakes.pickers.saveAnswers = {logs(h, "new")};
    f.appWrite_Click();
    ASSERT_EQ(h.fakes.pickers.requests.size(), 1u);
    EXPECT_EQ(bytesOf(logs(h, "new.txt")), "abc");
    EXPECT_EQ(bytesOf(logs(h, "a.txt")), "abc");
}

TEST(Form1Save, a_failed_save_names_the_file_keeps_the_old_file_and_the_pane)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "old"}, {"ro.txt", "read only"}});
    makeFolder(logs(h, "dir.txt"));
    ::chmod(logs(h, "ro.txt").toLocal8Bit().constData(), 0444);
    show(f, "ro.txt");
    f.Text1->setText("changed");

    f.appWrite_Click();  // read-only target
    h.fakes.pickers.saveAnswers = {logs(h, "missing/x.txt"), logs(h, "dir.txt")};
    f.appNWrite_Click();  // missing folder
    f.appNWrite_Click();  // a folder of that name

    ASSERT_EQ(h.fakes.prompts.messages.size(), 3u);
    const QString names[] = {"ro.txt", "x.txt", "dir.txt"};
    for (int i = 0; i < 3; ++i) {
        const auto& m = h.fakes.prompts.messages[i];
        EXPECT_EQ(m.title, "エラー");
        EXPECT_EQ(m.buttons, Buttons::Ok);
        EXPECT_TRUE(m.text.contains(names[i])) << m.text.toStdString();
    }
    EXPECT_TRUE(h.fakes.prompts.messages[0].text.contains("読み取り専用"));
    EXPECT_TRUE(h.fakes.prompts.messages[1].text.contains("フォルダがありません"));
    EXPECT_EQ(bytesOf(logs(h, "ro.txt")), "read only");
    EXPECT_TRUE(QFileInfo(logs(h, "dir.txt")).isDir());
    EXPECT_EQ(f.Text1->text(), "changed");
    EXPECT_EQ(QDir(h.root() + "/logs").entryList(QDir::Files | QDir::Hidden).size(), 2);  // no leftovers
}

TEST(Form1Save, characters_without_a_cp932_code_are_saved_only_after_the_user_agrees)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    show(f, "a.txt");
    f.Text1->setText(QString::fromUtf8("a\xc3\xa9" "b\xf0\x9f\x98\x80"));  // aéb😀
    h.fakes.prompts.answers = {Answer::No, Answer::Yes};

    f.appWrite_Click();
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    const auto& question = h.fakes.prompts.messages[0];
    EXPECT_EQ(question.buttons, Buttons::YesNo);
    EXPECT_TRUE(question.text.contains(QString::fromUtf8("「\xc3\xa9」U+00E9"))) << question.text.toStdString();
    EXPECT_TRUE(question.text.contains(QString::fromUtf8("2 個")));
    EXPECT_TRUE(question.text.endsWith(QString::fromUtf8("保存すると失われます。保存しますか？")));
    EXPECT_EQ(bytesOf(logs(h, "a.txt")), "abc");

    f.appWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "a.txt")), "a?b??");
    EXPECT_EQ(f.Text1->text(), QString::fromUtf8("a\xc3\xa9" "b\xf0\x9f\x98\x80"));
}

TEST(Form1Save, save_through_a_symbolic_link_writes_its_target_and_keeps_the_link)
{
    Form1Harness h;
    auto& f = loadWith(h, {});
    writeFile(h.root() + "/data/real.txt", "old");
    ASSERT_TRUE(QFile::link(h.root() + "/data/real.txt", logs(h, "link.txt")));
    f.File1->refresh();
    show(f, "link.txt");
    f.Text1->setText("new");
    f.appWrite_Click();
    EXPECT_TRUE(QFileInfo(logs(h, "link.txt")).isSymLink());
    EXPECT_EQ(bytesOf(h.root() + "/data/real.txt"), "new");
}

TEST(Form1Delete, asks_first_and_on_no_changes_nothing)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    show(f, "a.txt");
    h.fakes.prompts.answers = {Answer::No};
    f.appDel->trigger();
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    const auto& q = h.fakes.prompts.messages[0];
    EXPECT_EQ(q.text, "削除しますか？");
    EXPECT_EQ(q.title, "削除");
    EXPECT_EQ(q.buttons, Buttons::YesNo);
    EXPECT_EQ(q.icon, Icon::Critical);
    EXPECT_TRUE(QFileInfo::exists(logs(h, "a.txt")));
    EXPECT_EQ(f.Text1->text(), "abc");
    EXPECT_EQ(f.File1->fileName(), "a.txt");
}

TEST(Form1Delete, yes_removes_the_selected_file_refreshes_the_list_and_empties_the_pane)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}, {"b.txt", "b"}});
    show(f, "a.txt");
    const QString panels = f.panel(2) + f.panel(3);
    f.Del();
    EXPECT_EQ(h.fakes.prompts.messageTexts(), (QStringList{"削除しますか？", "削除しました。"}));
    EXPECT_EQ(h.fakes.prompts.messages[1].title, "完了");
    EXPECT_FALSE(QFileInfo::exists(logs(h, "a.txt")));
    EXPECT_EQ(f.File1->names(), QStringList{"b.txt"});
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_EQ(f.panel(2) + f.panel(3), panels);
    EXPECT_EQ(f.Flag, 0);
    EXPECT_TRUE(f.Command6->isEnabled());
}

TEST(Form1Delete, nothing_selected_or_a_read_only_file_is_reported_after_the_question)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}, {"ro.txt", "r"}});
    show(f, "a.txt");
    f.File1->refresh();  // no selection
    f.Del();
    ASSERT_TRUE(f.File1->selectFile("ro.txt"));
    ::chmod(logs(h, "ro.txt").toLocal8Bit().constData(), 0444);
    f.Del();
    EXPECT_EQ(h.fakes.prompts.messageTexts(), (QStringList{"削除しますか？", "ファイルが指定されていません",
                                                          "削除しますか？", "ファイルが指定されていません"}));
    EXPECT_EQ(h.fakes.prompts.messages[1].title, "エラー");
    EXPECT_TRUE(QFileInfo::exists(logs(h, "a.txt")));
    EXPECT_TRUE(QFileInfo::exists(logs(h, "ro.txt")));
    EXPECT_TRUE(QFileInfo::exists(h.root() + "/logs"));
    EXPECT_EQ(f.Text1->text(), "abc");
}

TEST(Form1Delete, a_search_hit_is_removed_with_its_entry)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    writeFile(h.root() + "/hits/h1.txt", "1");
    writeFile(h.root() + "/hits/h2.txt", "2");
    auto& search = f.loadForm3();
    search.List2->addItems({h.root() + "/hits/h1.txt", h.root() + "/hits/h2.txt"});
    search.List2->setCurrentRow(1);
    ASSERT_TRUE(f.File1->selectFile("a.txt"));
    f.Flag = 2;
    f.Text1->setText("shown hit");
    f.appDel->trigger();
    EXPECT_FALSE(QFileInfo::exists(h.root() + "/hits/h2.txt"));
    EXPECT_TRUE(QFileInfo::exists(h.root() + "/hits/h1.txt"));
    EXPECT_TRUE(QFileInfo::exists(logs(h, "a.txt")));
    ASSERT_EQ(search.List2->count(), 1);
    EXPECT_EQ(search.List2->item(0)->text(), h.root() + "/hits/h1.txt");
    EXPECT_TRUE(f.Text1->text().isEmpty());
}

// Flag says where the shown file came from, not where the popup was opened:
// the popup's "削除" removes the file that was right-clicked.
TEST(Form1Delete, the_popup_deletes_the_file_it_was_opened_for_whatever_flag_says)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}, {"b.txt", "b"}});
    writeFile(h.root() + "/hits/h1.txt", "1");
    auto& search = f.loadForm3();
    search.List2->addItem(h.root() + "/hits/h1.txt");
    search.List2->setCurrentRow(0);

    // From the file list while a hit is shown (Flag 2).
    f.Flag = 2;
    ASSERT_TRUE(f.File1->selectFile("a.txt"));
    h.fakes.prompts.popupChoices = {f.mnudel->text()};
    f.File1_MouseDown(Qt::RightButton, QPoint(1, 1));
    EXPECT_FALSE(QFileInfo::exists(logs(h, "a.txt")));
    EXPECT_TRUE(QFileInfo::exists(h.root() + "/hits/h1.txt"));
    EXPECT_EQ(search.List2->count(), 1);

    // From the search results while a listed file is shown (Flag 0).
    ASSERT_TRUE(f.File1->selectFile("b.txt"));
    f.Flag = 0;
    h.fakes.prompts.popupChoices = {f.mnudel->text()};
    search.List2_MouseDown(Qt::RightButton, QPoint(1, 1));
    EXPECT_FALSE(QFileInfo::exists(h.root() + "/hits/h1.txt"));
    EXPECT_TRUE(QFileInfo::exists(logs(h, "b.txt")));
    EXPECT_EQ(search.List2->count(), 0);
    EXPECT_EQ(h.fakes.prompts.messageTexts(),
              (QStringList{"削除しますか？", "削除しました。", "削除しますか？", "削除しました。"}));
}

TEST(Form1Delete, after_the_open_command_a_former_search_hit_is_no_longer_the_target)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    writeFile(h.root() + "/hits/h1.txt", "1");
    auto& search = f.loadForm3();
    search.List2->addItem(h.root() + "/hits/h1.txt");
    search.List2->setCurrentRow(0);
    f.Flag = 2;
    h.fakes.pickers.openAnswers = {logs(h, "a.txt")};
    f.appOpen_Click();
    EXPECT_EQ(f.Flag, 0);

    f.Del();
    EXPECT_EQ(h.fakes.prompts.messageTexts(), (QStringList{"削除しますか？", "ファイルが指定されていません"}));
    EXPECT_TRUE(QFileInfo::exists(h.root() + "/hits/h1.txt"));
    EXPECT_TRUE(QFileInfo::exists(logs(h, "a.txt")));
}
