// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
#include "ui/main/file_browser.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
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
