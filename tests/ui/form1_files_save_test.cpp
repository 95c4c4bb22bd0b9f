// SPDX-License-Identifier: MIT
// Save, save as and delete of the main window, on real files.
#include "form1_files_fixture.h"
#include "ui/dialogs/form3.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QToolButton>

#include <sys/stat.h>

using soramie::Form1;
using soramie::platform::Answer;
using soramie::platform::Icon;
using namespace soramie::testing;

namespace {

// CP932 with what a re-encoding would change: a lead byte without its trail
// before CR LF, an NEC-selected IBM code (0xED40, whose character is written
// as 0xFA5C when encoded), the single bytes 0xA0, 0xFD and 0x80, and a lone lead
// byte at the end.
const QByteArray kRaw("\x82\xa0\x81\r\n\xed\x40\x87\x54\xfa\x40\xa0\xfd\x80\x81", 15);

void makeReadOnly(const QString& path) { ::chmod(path.toLocal8Bit().constData(), 0444); }

QString hit(const Form1Harness& h, const QString& name) { return h.root() + "/hits/" + name; }

// Creates hits/<name> for each name and lists them in the search dialog, the
// last one selected.
soramie::Form3& listHits(Form1Harness& h, const QStringList& names)
{
    soramie::Form3& search = h.form().loadForm3();
    for (const QString& name : names) {
        writeFile(hit(h, name), name.toUtf8());
        search.List2->addItem(hit(h, name));
    }
    search.List2->setCurrentRow(search.List2->count() - 1);
    return search;
}

}  // namespace

TEST(Form1Save, save_as_writes_the_pane_exactly_and_appends_txt_unless_the_name_ends_in_lower_case_txt)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    show(f, "a.txt");
    const QString state = windowState(f);
    h.fakes.pickers.saveAnswers = {logs(h, "memo"), logs(h, "memo.TXT"), logs(h, "b.txt"), ""};
    for (int i = 0; i < 4; ++i) f.appNWrite->trigger();
    EXPECT_EQ(bytesOf(logs(h, "memo.txt")) + bytesOf(logs(h, "memo.TXT.txt")) + bytesOf(logs(h, "b.txt")), "abcabcabc");
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
    EXPECT_EQ(windowState(f), state);
    EXPECT_EQ(f.File1->names(), QStringList{"a.txt"});  // not re-read

    f.Text1->clear();  // an empty pane gives an empty file
    h.fakes.pickers.saveAnswers = {logs(h, "empty")};
    f.appNWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "empty.txt")), "");
}

TEST(Form1Save, save_writes_the_file_the_pane_came_from_byte_for_byte_not_the_list_selection)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"raw.txt", kRaw}, {"other.txt", "other"}});
    show(f, "raw.txt");
    ASSERT_TRUE(f.File1->selectFile("other.txt"));  // selected, not shown
    h.fakes.pickers.saveAnswers = {logs(h, "copy.txt")};
    f.appNWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "copy.txt")), kRaw);

    // A change in the middle re-encodes only the middle.
    const QString text = f.Text1->text();
    f.Text1->setText(text.left(3) + "X" + text.mid(3));
    f.appWrite->trigger();
    EXPECT_EQ(bytesOf(logs(h, "raw.txt")), kRaw.left(4) + "X" + kRaw.mid(4));  // after あ, 0x81, CR
    EXPECT_EQ(bytesOf(logs(h, "other.txt")), "other");

    // An empty pane writes nothing; text from no file is saved under a new name.
    f.Text1->clear();
    f.appWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "raw.txt")).size(), kRaw.size() + 1);
    f.DisplayFile(logs(h, "gone.txt"));  // a failed display forgets the file
    f.Text1->setText("abc");
    h.fakes.pickers.saveAnswers = {logs(h, "new")};
    f.appWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "new.txt")), "abc");
    EXPECT_EQ(h.fakes.pickers.requests.size(), 2u);
}

TEST(Form1Save, a_failed_save_names_the_file_keeps_the_old_file_and_the_pane)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"ro.txt", "read only"}});
    makeReadOnly(logs(h, "ro.txt"));
    show(f, "ro.txt");
    f.Text1->setText("changed");
    f.appWrite_Click();
    h.fakes.pickers.saveAnswers = {logs(h, "missing/x.txt")};
    f.appNWrite_Click();

    const QStringList m = boxes(h);
    ASSERT_EQ(m.size(), 2);
    EXPECT_TRUE(m[0].startsWith("エラー|") && m[0].contains("ro.txt") && m[0].contains("読み取り専用"))
        << m[0].toStdString();
    EXPECT_TRUE(m[1].contains("x.txt") && m[1].contains("フォルダがありません")) << m[1].toStdString();
    EXPECT_EQ(bytesOf(logs(h, "ro.txt")), "read only");
    EXPECT_EQ(f.Text1->text(), "changed");
    EXPECT_EQ(QDir(h.root() + "/logs").entryList(QDir::Files | QDir::Hidden).size(), 1);  // no leftovers
}

TEST(Form1Save, characters_without_a_cp932_code_are_saved_only_after_the_user_agrees)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}});
    show(f, "a.txt");
    f.Text1->setText(
        QString::fromUtf8("a\xc3\xa9"
                          "b\xf0\x9f\x98\x80"));  // aéb😀
    h.fakes.prompts.answers = {Answer::No, Answer::Yes};
    f.appWrite_Click();
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    const QString question = h.fakes.prompts.messages[0].text;
    EXPECT_TRUE(question.contains(QString::fromUtf8("2 個")) &&
                question.contains(QString::fromUtf8("「\xc3\xa9」U+00E9")))
        << question.toStdString();
    EXPECT_TRUE(question.endsWith(QString::fromUtf8("保存すると失われます。保存しますか？")));
    EXPECT_EQ(bytesOf(logs(h, "a.txt")), "abc");
    f.appWrite_Click();
    EXPECT_EQ(bytesOf(logs(h, "a.txt")), "a?b??");
}

TEST(Form1Delete, asks_first_and_on_yes_removes_the_file_refreshes_the_list_and_empties_the_pane)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}, {"b.txt", "b"}});
    show(f, "a.txt");
    const QString panels = f.panel(2) + f.panel(3);
    h.fakes.prompts.answers = {Answer::No, Answer::Yes};
    f.appDel->trigger();
    EXPECT_TRUE(QFileInfo::exists(logs(h, "a.txt")));
    EXPECT_EQ(f.Text1->text(), "abc");
    f.appDel->trigger();
    EXPECT_EQ(boxes(h), (QStringList{"削除|削除しますか？", "削除|削除しますか？", "完了|削除しました。"}));
    EXPECT_EQ(h.fakes.prompts.messages[0].icon, Icon::Critical);
    EXPECT_FALSE(QFileInfo::exists(logs(h, "a.txt")));
    EXPECT_EQ(f.File1->names(), QStringList{"b.txt"});
    EXPECT_TRUE(f.Text1->text().isEmpty());
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_EQ(f.panel(2) + f.panel(3), panels);
}

// Each case ends with no file to delete: the answer comes after the question
// and nothing on disk or in the pane changes.
TEST(Form1Delete, nothing_selected_a_read_only_file_or_a_former_search_hit_is_reported_after_the_question)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}, {"ro.txt", "r"}});
    listHits(h, {"h1.txt"});
    show(f, "a.txt");
    f.File1->refresh();  // no selection
    f.Del();
    ASSERT_TRUE(f.File1->selectFile("ro.txt"));
    makeReadOnly(logs(h, "ro.txt"));
    f.Del();
    // After the open command the search hit once shown is no longer the target.
    f.Flag = 2;
    h.fakes.pickers.openAnswers = {logs(h, "a.txt")};
    f.appOpen_Click();
    f.Del();
    const QString ask = "削除|削除しますか？", none = "エラー|ファイルが指定されていません";
    EXPECT_EQ(boxes(h), (QStringList{ask, none, ask, none, ask, none}));
    EXPECT_EQ(QDir(h.root() + "/logs").entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(QFileInfo::exists(hit(h, "h1.txt")));
    EXPECT_EQ(f.Text1->text(), "abc");
}

// Flag says where the shown file came from, not where the popup was opened:
// the popup's "削除" removes the file that was right-clicked.
TEST(Form1Delete, the_command_deletes_the_selected_hit_and_the_popup_the_file_it_was_opened_for)
{
    Form1Harness h;
    auto& f = loadWith(h, {{"a.txt", "abc"}, {"b.txt", "b"}, {"c.txt", "c"}});
    auto& search = listHits(h, {"h1.txt", "h2.txt", "h3.txt"});
    ASSERT_TRUE(f.File1->selectFile("a.txt"));
    f.Flag = 2;
    f.appDel->trigger();  // the shown hit goes, with its entry
    EXPECT_FALSE(QFileInfo::exists(hit(h, "h3.txt")));
    EXPECT_TRUE(QFileInfo::exists(logs(h, "a.txt")));
    EXPECT_EQ(search.List2->count(), 2);

    // From the file list while a hit is shown.
    ASSERT_TRUE(f.File1->selectFile("b.txt"));
    h.fakes.prompts.popupChoices = {f.mnudel->text()};
    f.File1_MouseDown(Qt::RightButton, QPoint(1, 1));
    EXPECT_FALSE(QFileInfo::exists(logs(h, "b.txt")));
    EXPECT_TRUE(QFileInfo::exists(hit(h, "h2.txt")));

    // From the search results while a listed file is selected.
    f.Flag = 0;
    ASSERT_TRUE(f.File1->selectFile("c.txt"));
    h.fakes.prompts.popupChoices = {f.mnudel->text()};
    search.List2->setCurrentRow(0);
    search.List2_MouseDown(Qt::RightButton, QPoint(1, 1));
    EXPECT_FALSE(QFileInfo::exists(hit(h, "h1.txt")));
    EXPECT_TRUE(QFileInfo::exists(hit(h, "h2.txt")));
    EXPECT_TRUE(QFileInfo::exists(logs(h, "c.txt")));
    EXPECT_EQ(search.List2->count(), 1);
}
