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
using soramie::testing::makeFolder;
using soramie::testing::writeFile;

TEST(Form1Startup, without_settings_the_lists_show_the_default_folder_and_the_program_item_is_hidden)
{
    Form1Harness h;
    ASSERT_TRUE(writeFile(h.defaultFolder() + "/a.txt", "a"));
    ASSERT_TRUE(writeFile(h.defaultFolder() + "/b.log", "b"));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    EXPECT_EQ(f.Dir1->path(), h.defaultFolder());
    EXPECT_EQ(f.File1->path(), h.defaultFolder());
    EXPECT_EQ(f.Drive1->drive(), "/");
    EXPECT_EQ(f.File1->names(), QStringList{"a.txt"});
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.txt)");
    EXPECT_EQ(f.panel(4), "SORAMIE ver.0.097a");
    EXPECT_EQ(f.flagc, "1");
    EXPECT_TRUE(f.strret.isEmpty());
    EXPECT_EQ(f.mnuApp->text(), "(設定されていません)");
    EXPECT_FALSE(f.mnuApp->isVisible());
    EXPECT_EQ(f.wrapWidth(), 100);
    EXPECT_EQ(f.windowTitle(), "SORAMIE");
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_FALSE(f.Command6->isEnabled());
    EXPECT_TRUE(h.fakes.prompts.messages.empty());
}

namespace {

QByteArray ini(const QByteArray& body)
{
    return "[main]\r\n" + body;
}

}  // namespace

TEST(Form1Startup, settings_give_the_variables_the_program_item_and_a_start_folder_on_another_drive)
{
    Form1Harness h;
    const QString volume = h.root() + "/vol/";
    const QString work = volume + "logs/2024";
    ASSERT_TRUE(writeFile(work + "/x.txt", "x"));
    h.fakes.drives.rootList = {"/", volume};
    ASSERT_TRUE(h.writeSettings(ini("log = " + work.toUtf8() + "\r\ntypedate = 0\r\nprogram = /usr/bin/ed\r\n"
                                    "name = Editor\r\nbrowse = firefox\r\n")));
    ASSERT_TRUE(h.load());
    auto& f = h.form();
    EXPECT_EQ(f.strret, work);
    EXPECT_EQ(f.br, "firefox");
    EXPECT_EQ(f.flagc, "0");
    EXPECT_EQ(f.pro, "/usr/bin/ed");
    EXPECT_EQ(f.pron, "Editor");
    EXPECT_EQ(f.mnuApp->text(), "Editorで開く");
    EXPECT_TRUE(f.mnuApp->isVisible());
    EXPECT_EQ(f.Drive1->drive(), volume);
    EXPECT_EQ(f.Dir1->path(), work);
    EXPECT_EQ(f.File1->path(), work);
    EXPECT_EQ(f.panel(1), "Total 1 Files(*.txt)");
    // The folder is the current folder of its drive: choosing the drive again stays there.
    EXPECT_EQ(h.fakes.drives.currentFolder(volume), work);
}

TEST(Form1Startup, a_name_without_a_program_gives_the_caption_but_keeps_the_item_hidden)
{
    Form1Harness h;
    ASSERT_TRUE(h.writeSettings(ini("name = Editor\r\n")));
    ASSERT_TRUE(h.load());
    EXPECT_EQ(h.form().mnuApp->text(), "Editorで開く");
    EXPECT_FALSE(h.form().mnuApp->isVisible());
}

TEST(Form1Startup, a_second_instance_says_so_once_and_ends_without_touching_the_lists)
{
    Form1Harness h;
    h.fakes.instance.another = true;
    const QString before = QDir::currentPath();
    EXPECT_FALSE(h.load());
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    EXPECT_EQ(h.fakes.prompts.messages[0].text, "既に起動されています");
    EXPECT_EQ(h.fakes.prompts.messages[0].title, "SORAMIE");
    EXPECT_EQ(h.fakes.prompts.messages[0].buttons, soramie::platform::Buttons::Ok);
    EXPECT_TRUE(h.form().Dir1->path().isEmpty());
    EXPECT_TRUE(h.form().File1->path().isEmpty());
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST(Form1Startup, a_work_folder_that_cannot_be_entered_falls_back_to_the_default_then_the_home_folder)
{
    {
        Form1Harness h;
        ASSERT_TRUE(h.writeSettings(ini("log = " + h.root().toUtf8() + "/missing\r\n")));
        ASSERT_TRUE(h.load());
        EXPECT_EQ(h.form().Dir1->path(), h.defaultFolder());
        EXPECT_EQ(h.form().File1->path(), h.defaultFolder());
        EXPECT_EQ(h.form().strret, h.root() + "/missing");
    }
    {
        Form1Harness h;
        h.fakes.app.defaultStartFolder = h.root() + "/no-default";
        ASSERT_TRUE(h.load());
        EXPECT_EQ(h.form().Dir1->path(), h.homeFolder());
        EXPECT_EQ(h.form().File1->path(), h.homeFolder());
        EXPECT_EQ(h.form().Drive1->drive(), "/");
    }
}

TEST(Form1Startup, the_window_has_its_captions_tool_tips_shortcuts_and_positions)
{
    Form1Harness h;
    auto& f = h.form();
    EXPECT_EQ(f.centralWidget()->size(), QSize(753, 474));
    EXPECT_EQ(f.Text1->geometry(), QRect(162, 41, 593, 417));
    EXPECT_EQ(f.File1->geometry(), QRect(-1, 200, 164, 258));
    EXPECT_EQ(f.Command12->text(), "折返し");
    EXPECT_EQ(f.Command12->toolTip(), "折り返す");
    EXPECT_EQ(f.Command1->toolTip(), "表示");
    EXPECT_EQ(f.Command6->toolTip(), "表示クリア");
    EXPECT_EQ(f.Combo1->toolTip(), "拡張子");
    EXPECT_EQ(f.File1->toolTip(), "表示ファイル");
    EXPECT_EQ(f.Combo1->count(), 3);
    EXPECT_EQ(f.Combo1->itemText(2), "*.*");
    EXPECT_TRUE(f.Combo1->isEditable());
    EXPECT_EQ(f.Text6->text(), "100");
    EXPECT_TRUE(f.Text6->isHidden());
    EXPECT_EQ(f.appOpen->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(f.appExit->shortcut(), QKeySequence("Ctrl+X"));
    EXPECT_EQ(f.appDel->shortcut(), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(f.mnuMode->shortcut(), QKeySequence("Ctrl+M"));
    QStringList memo;
    for (QAction* a : f.mnuMemo->actions()) memo << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(memo, (QStringList{"メモ帳で開く", "(設定されていません)", "-", "削除"}));
    QStringList bar;
    for (QAction* a : f.menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{"ファイル", "編集", "検索(その他)", "ヘルプ"}));
}
