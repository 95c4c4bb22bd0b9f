// SPDX-License-Identifier: MIT
// The replace dialog in its two modes.
#include "ui/dialogs/replace_dialog.h"
#include "support/fake_main_window.h"
#include "ui/pane/text_pane.h"

using soramie::ReplaceDialog;
using soramie::platform::Answer;
using namespace soramie::testing;

namespace {

class ReplaceDialogTest : public DialogTest {
protected:
    // Fills the boxes and presses "一括置換" on a pane holding text.
    void replace(const QString& text, const QString& from, const QString& to, const QString& by)
    {
        main.pane().setText(text);
        d->findOrStartField->setText(from);
        d->endField->setText(to);
        d->replacementField->setText(by);
        d->replaceAllButton->click();
    }
    ReplaceDialog* d = &open<ReplaceDialog>();
};

// What each stretch becomes is held to the literal algorithm by the fuzz targets;
// a replacement answered はい, its question above the other dialogs, is the end-to-end run's.
TEST_F(ReplaceDialogTest, RangeModeChangesNothingOnNoAndNeedsBothEnds)
{
    prompts.answers = {Answer::No};
    replace("x[a]y", "[", "]", "-");
    for (const auto& [start, end] : {std::pair{"", "]"}, std::pair{"[", ""}}) replace("x[a]y", start, end, "-");
    const QString ask = "置換|置換しますか？", range = "警告|検索範囲を指定して下さい";
    EXPECT_EQ(prompts.boxes(), QStringList({ask, range, range}));
    EXPECT_EQ(main.pane().text() + "|" + d->findOrStartField->text(), "x[a]y|[");
}

TEST_F(ReplaceDialogTest, SimpleModeReplacesAtOnceWithTheCheckBoxChoosingTheSkipRuleAndANewDialogKeepsTheMode)
{
    d->switchModeButton->click();
    d->skipInsideReplacementCheck->setChecked(false);  // checked: an "ab" already there would stay
    replace("a ab", "a", "", "ab");
    EXPECT_EQ(main.pane().text(), "ab abb");
    EXPECT_TRUE(prompts.messages.empty() && pickers.stacking(nullptr).isEmpty());
    EXPECT_EQ(open<ReplaceDialog>().switchModeButton->text(), "単純指定置換");
}

}  // namespace
