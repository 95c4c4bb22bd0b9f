// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include <gtest/gtest.h>

using soramie::testing::Form1Harness;
using soramie::testing::writeFile;

namespace {

// Where the three lists stand: "drive|folder list|file list".
QString lists(soramie::Form1& f) { return f.Drive1->drive() + "|" + f.Dir1->path() + "|" + f.File1->path(); }

}  // namespace

TEST(Form1Startup, without_settings_the_lists_show_the_default_folder_and_the_program_item_is_hidden)
{
    Form1Harness h;
    ASSERT_TRUE(writeFile(h.defaultFolder() + "/a.txt", "a"));
    ASSERT_TRUE(writeFile(h.defaultFolder() + "/b.log", "b"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    EXPECT_EQ(lists(f), "/|" + h.defaultFolder() + "|" + h.defaultFolder());
    EXPECT_EQ(f.File1->names(), QStringList{"a.txt"});
    EXPECT_EQ(f.panel(1) + "|" + f.panel(4), "Total 1 Files(*.txt)|SORAMIE ver.0.097a");
    EXPECT_EQ(f.flagc, "1");
    EXPECT_TRUE(f.strret.isEmpty());
    EXPECT_EQ(f.mnuApp->text(), "(設定されていません)");
    EXPECT_FALSE(f.mnuApp->isVisible());
    EXPECT_EQ(f.wrapWidth(), 100);
    EXPECT_EQ(f.windowTitle(), "SORAMIE");
    EXPECT_FALSE(f.Command1->isEnabled() || f.Command6->isEnabled());
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
}

TEST(Form1Startup, settings_give_the_variables_the_program_item_and_a_start_folder_on_another_drive)
{
    Form1Harness h;
    const QString volume = h.root() + "/vol/";
    const QString work = volume + "logs/2024";
    ASSERT_TRUE(writeFile(work + "/x.txt", "x"));
    h.fakes.drives.rootList = {"/", volume};
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + work.toUtf8() +
                                "\r\ntypedate = 0\r\nprogram = /usr/bin/ed\r\n"
                                "name = Editor\r\nbrowse = firefox\r\n"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    EXPECT_EQ(QStringList({f.strret, f.br, f.flagc, f.pro, f.pron}),
              QStringList({work, "firefox", "0", "/usr/bin/ed", "Editor"}));
    EXPECT_EQ(f.mnuApp->text(), "Editorで開く");
    EXPECT_TRUE(f.mnuApp->isVisible());
    EXPECT_EQ(lists(f), volume + "|" + work + "|" + work);
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.txt)");
    // The folder is the current folder of its drive: choosing the drive again stays there.
    EXPECT_EQ(h.fakes.drives.currentFolder(volume), work);

    // A name without a program gives the caption but keeps the item hidden.
    Form1Harness named;
    ASSERT_TRUE(named.writeSettings("[main]\r\nname = Editor\r\n"));
    ASSERT_TRUE(named.load());
    EXPECT_EQ(named.form().mnuApp->text(), "Editorで開く");
    EXPECT_FALSE(named.form().mnuApp->isVisible());
}

TEST(Form1Startup, a_second_instance_says_so_once_and_ends_without_touching_the_lists)
{
    Form1Harness h;
    h.fakes.instance.another = true;
    const QString before = QDir::currentPath();
    EXPECT_FALSE(h.load());
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    EXPECT_EQ(h.fakes.prompts.messages[0].title + "|" + h.fakes.prompts.messages[0].text,
              "SORAMIE|既に起動されています");
    EXPECT_EQ(h.fakes.prompts.messages[0].buttons, soramie::platform::Buttons::Ok);
    EXPECT_TRUE(h.form().Dir1->path().isEmpty() && h.form().File1->path().isEmpty());
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST(Form1Startup, a_work_folder_that_cannot_be_entered_falls_back_to_the_default_then_the_home_folder)
{
    Form1Harness h;
    ASSERT_TRUE(h.writeSettings("[main]\r\nlog = " + h.root().toUtf8() + "/missing\r\n"));
    ASSERT_TRUE(h.load());
    EXPECT_EQ(lists(h.form()), "/|" + h.defaultFolder() + "|" + h.defaultFolder());
    EXPECT_EQ(h.form().strret, h.root() + "/missing");

    Form1Harness noDefault;
    noDefault.fakes.app.defaultStartFolder = noDefault.root() + "/no-default";
    ASSERT_TRUE(noDefault.load());
    EXPECT_EQ(lists(noDefault.form()), "/|" + noDefault.homeFolder() + "|" + noDefault.homeFolder());
}

TEST(Form1Startup, the_window_has_its_captions_tool_tips_shortcuts_and_positions)
{
    Form1Harness h;
    auto& f = h.form();
    EXPECT_EQ(f.centralWidget()->size(), QSize(753, 474));
    EXPECT_EQ(f.Text1->geometry(), QRect(162, 41, 593, 417));
    EXPECT_EQ(f.File1->geometry(), QRect(-1, 200, 164, 258));
    EXPECT_EQ(f.Command12->text(), "折返し");
    QStringList tips;
    for (QWidget* w : std::initializer_list<QWidget*>{f.Command12, f.Command1, f.Command6, f.Combo1, f.File1})
        tips << w->toolTip();
    EXPECT_EQ(tips, (QStringList{"折り返す", "表示", "表示クリア", "拡張子", "表示ファイル"}));
    EXPECT_EQ(f.Combo1->count(), 3);  // the filters themselves: the list tests choose them
    EXPECT_TRUE(f.Text6->isHidden());
    QStringList keys;
    for (QAction* a : {f.appOpen, f.appExit, f.appDel, f.mnuMode}) keys << a->shortcut().toString();
    EXPECT_EQ(keys, (QStringList{"Ctrl+O", "Ctrl+X", "Del", "Ctrl+M"}));
    QStringList memo;
    for (QAction* a : f.mnuMemo->actions()) memo << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(memo, (QStringList{"メモ帳で開く", "(設定されていません)", "-", "削除"}));
    QStringList bar;
    for (QAction* a : f.menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{"ファイル", "編集", "検索(その他)", "ヘルプ"}));
}
