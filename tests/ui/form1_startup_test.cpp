// SPDX-License-Identifier: MIT
// Start-up of the main window and its drive, folder and file lists.
#include "support/form1_harness.h"
#include "ui/main/file_browser.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

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

// Captions of a menu's items with their shortcuts, separators as "-".
QString items(const QList<QAction*>& actions)
{
    QStringList out;
    for (const QAction* a : actions) out << (a->isSeparator() ? "-" : a->text() + a->shortcut().toString());
    return out.join(",");
}

TEST(Form1Startup, settings_give_the_variables_the_program_item_and_a_start_folder_on_another_drive)
{
    Form1Harness h;
    const QString volume = h.root() + "/vol/", work = volume + "logs/2024";
    ASSERT_TRUE(writeFile(work + "/x.txt", "x"));
    h.fakes.drives.rootList = {"/", volume};
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + work.toUtf8() +
                                "\r\ntypedate = 0\r\nprogram = /usr/bin/ed\r\nname = Editor\r\nbrowse = firefox\r\n"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    EXPECT_EQ(QStringList({f.strret, f.br, f.flagc, f.pro, f.pron}),
              QStringList({work, "firefox", "0", "/usr/bin/ed", "Editor"}));
    EXPECT_TRUE(f.mnuApp->isVisible());
    EXPECT_EQ(lists(f), volume + "|" + work + "|" + work);
    EXPECT_EQ(h.fakes.drives.currentFolder(volume), work) << "choosing the drive again stays there";
    EXPECT_EQ(h.windowState(), "SORAMIE|Total 1 Files(*.txt)||");
    EXPECT_EQ(f.panel(4), "SORAMIE ver.0.097a");
    EXPECT_EQ(items(f.menuBar()->actions()), "ファイル,編集,検索(その他),ヘルプ");
    EXPECT_EQ(items(f.appFile->actions()),
              "開くCtrl+O,-,上書き保存Ctrl+S,名前を付けて保存,-,HTMLに出力Ctrl+H,-,終了Ctrl+X");
    EXPECT_EQ(items(f.appHen->actions() + f.appS->actions() + f.mnuHelp->actions()),
              "ファイル削除Del,-,設定Ctrl+E,文字列検索Ctrl+F,置換Ctrl+R,モード変更Ctrl+M,ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(items(f.mnuMemo->actions() + f.mnuTray->actions()), "メモ帳で開く,Editorで開く,-,削除,元に戻す,-,終了");
    EXPECT_FALSE(f.Command1->isEnabled() || f.Command6->isEnabled() || f.Text6->isVisible());
    EXPECT_TRUE(h.fakes.prompts.messages.empty());

    // A name without a program gives the caption but keeps the item hidden; no name at all.
    for (const auto& [ini, caption] : {std::pair{"name = Editor", "Editorで開く"}, {"", "(設定されていません)"}}) {
        Form1Harness other;
        ASSERT_TRUE(other.writeSettings(QByteArray("[main]\r\n") + ini + "\r\n"));
        ASSERT_TRUE(other.load());
        EXPECT_EQ(other.form().mnuApp->text(), caption);
        EXPECT_FALSE(other.form().mnuApp->isVisible());
        EXPECT_EQ(other.form().flagc + QString::number(other.form().wrapWidth()), "1100");
    }
}

TEST(Form1Startup, a_second_instance_says_so_once_and_ends_without_touching_the_lists)
{
    Form1Harness h;
    h.fakes.instance.another = true;
    const QString before = QDir::currentPath();
    EXPECT_FALSE(h.load());
    EXPECT_EQ(h.boxes(), QStringList("SORAMIE|既に起動されています"));
    EXPECT_TRUE(h.form().Dir1->path().isEmpty() && QDir::currentPath() == before);
}

TEST(Form1Startup, a_work_folder_that_cannot_be_entered_falls_back_to_the_default_then_the_home_folder)
{
    Form1Harness h;
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + h.root().toUtf8() + "/missing\r\n"));
    ASSERT_TRUE(h.load());
    EXPECT_EQ(lists(h.form()), "/|" + h.defaultFolder() + "|" + h.defaultFolder());

    Form1Harness noDefault;
    noDefault.fakes.app.defaultStartFolder = noDefault.root() + "/no-default";
    ASSERT_TRUE(noDefault.load());
    EXPECT_EQ(lists(noDefault.form()), "/|" + noDefault.homeFolder() + "|" + noDefault.homeFolder());
}

// A folder "mixed" with two .txt files (one in upper case), a log, a hidden
// .txt, a folder whose name looks like a .txt file, and an empty subfolder.
TEST(Form1Lists, a_folder_change_lists_and_counts_matching_ordinary_files_and_disables_the_display_button)
{
    Form1Harness h;
    auto& f = h.loadWith({{"b.txt", "b"}, {"A.TXT", "a"}, {"c.log", "c"}, {".hidden.txt", "h"}});
    const QString mixed = h.root() + "/logs";
    makeFolder(mixed + "/d.txt");
    makeFolder(mixed + "/empty");
    f.Dir1->refresh();
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt"}));

    f.Command1->setEnabled(true);
    f.Combo1->setCurrentIndex(2);  // "*.*": every ordinary file, hidden ones neither listed nor counted
    f.Combo1_Click();
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "b.txt", "c.log"}));
    EXPECT_EQ(f.panel(1), "Total 3 Files(*.*)");
    EXPECT_TRUE(f.Command1->isEnabled()) << "a filter change keeps the button";

    // Typed filter text counts at the next folder change but does not filter the list.
    f.Combo1->setEditText("*.log");
    enterLast(f);  // "empty"
    EXPECT_EQ(lists(f), "/|" + mixed + "/empty|" + mixed + "/empty");
    EXPECT_EQ(f.panel(1), "Total 0 Files(*.log)");
    EXPECT_FALSE(f.Command1->isEnabled());
    ASSERT_TRUE(f.Dir1->setPath(mixed));
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.log)");
    EXPECT_EQ(f.File1->pattern(), "*.*");

    // Refresh re-reads the files but keeps the count.
    ASSERT_TRUE(writeFile(mixed + "/new.txt", "n") && QFile::remove(mixed + "/b.txt"));
    f.Command1->setEnabled(true);
    f.Command8->click();
    EXPECT_EQ(f.File1->names(), (QStringList{"A.TXT", "c.log", "new.txt"}));
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.log)");
    EXPECT_FALSE(f.Command1->isEnabled());

    // A folder that vanished is reported and the lists stay together.
    ASSERT_TRUE(QDir(mixed + "/empty").removeRecursively());
    enterLast(f);
    EXPECT_EQ(lists(f), "/|" + mixed + "|" + mixed);
    EXPECT_EQ(h.boxes(), QStringList("エラー|このフォルダは開けません\n" + mixed + "/empty"));
}

TEST(Form1Lists, choosing_a_drive_moves_to_its_current_folder_and_the_drive_list_follows_the_folder_list)
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
    EXPECT_EQ(f.Drive1->drive(), "/");
    // Choosing the drive already shown leaves the lists where they are.
    const auto choose = [&f](const QString& drive) {
        f.Drive1->setCurrentIndex(f.Drive1->findText(drive));
        emit f.Drive1->activated(f.Drive1->currentIndex());
    };
    choose("/");
    EXPECT_EQ(lists(f), "/|" + h.root() + "|" + h.root());
    choose(b);
    EXPECT_EQ(lists(f), b + "|" + h.root() + "/B|" + h.root() + "/B");
}

TEST(Form1Lists, the_wrap_count_field_sets_the_wrap_width_in_bytes_and_ignores_text_that_is_not_a_width)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    // Text that is not a number, or a width below one byte, keeps the previous width (60).
    const std::pair<const char*, int> cases[] = {{"50", 100}, {"12.25", 24}, {"12.75", 26}, {"abc", 60}, {"12abc", 60},
                                                 {"0", 60},   {"-5", 60},    {"0.2", 60},   {"1e12", 60}};
    for (const auto& [text, width] : cases) {
        f.Text6->setText("30");
        f.Text6->setText(text);
        EXPECT_EQ(f.wrapWidth(), width) << text;
    }
    f.Text6->setText("");  // puts "100" back
    EXPECT_EQ(f.Text6->text() + QString::number(f.wrapWidth()), "100200");
}

}  // namespace
