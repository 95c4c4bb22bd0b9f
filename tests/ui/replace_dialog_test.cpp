// SPDX-License-Identifier: MIT
// The replace dialog in its two modes.
#include "support/fake_main_window.h"
#include "ui/dialogs/form4.h"
#include "ui/pane/text_pane.h"

using soramie::Form4;
using soramie::platform::Answer;
using namespace soramie::testing;

namespace {

class ReplaceDialog : public DialogTest {
protected:
    // Fills the boxes and presses "一括置換" on a pane holding text.
    void replace(const QString& text, const QString& from, const QString& to, const QString& by)
    {
        main.pane().setText(text);
        d->txtFndStartString->setText(from);
        d->txtFndEndString->setText(to);
        d->txtRepString->setText(by);
        d->cmdReplace->click();
    }
    Form4* d = &open<Form4>();
};

TEST_F(ReplaceDialog, RangeModeReplacesEachStretchAndReportsTheCountOutsideTheTopState)
{
    // What each stretch becomes is held to the literal algorithm by its fuzz target.
    const std::tuple<const char*, const char*, const char*, const char*, const char*, int> cases[] = {
        {"x[a]y[b]z", "[", "]", "", "xyz", 2},
        {"x[a]y", "(", ")", "-", "x[a]y", 0},
    };
    for (const auto& [text, start, end, by, result, count] : cases) {
        SCOPED_TRACE(text);
        prompts.messages.clear();
        pickers.clearStacking();
        replace(text, start, end, by);
        EXPECT_EQ(main.pane().text(), QString::fromUtf8(result));
        EXPECT_EQ(boxes(), QStringList({"置換|置換しますか？",
                                        "置換結果|" + QString::number(count) + "個の項目を置換しました。"}));
        EXPECT_TRUE(prompts.messages[0].buttons == soramie::platform::Buttons::YesNo);
        EXPECT_EQ(d->txtFndStartString->text() + d->txtFndEndString->text() + d->txtRepString->text(), "");
        EXPECT_EQ(pickers.stacking(d), "-+") << "one pause around the whole command";
    }

    prompts.messages.clear();
    prompts.answers = {Answer::No};
    replace("x[a]y", "[", "]", "-");
    for (const auto& [start, end] : {std::pair{"", "]"}, std::pair{"[", ""}}) replace("x[a]y", start, end, "-");
    EXPECT_EQ(boxes(),
              QStringList({"置換|置換しますか？", "警告|検索範囲を指定して下さい", "警告|検索範囲を指定して下さい"}));
    EXPECT_EQ(main.pane().text() + "|" + d->txtFndStartString->text(), "x[a]y|[");
}

TEST_F(ReplaceDialog, SimpleModeReplacesEveryOccurrenceAtOnceWithCheck3ChoosingTheSkipRule)
{
    d->Command11->click();
    ASSERT_EQ(main.vars.flagb, 1);
    pickers.clearStacking();
    replace("a ab", "a", "", "ab");  // Check3 checked: an "ab" already there stays
    EXPECT_EQ(main.pane().text(), "ab ab");
    d->Check3->setChecked(false);
    replace("a ab", "a", "", "ab");
    EXPECT_EQ(main.pane().text(), "ab abb");
    EXPECT_EQ(d->txtFndStartString->text() + "|" + d->txtRepString->text(), "a|ab") << "the boxes keep their texts";
    replace("price: EUR", "EUR", "", "€");
    EXPECT_EQ(main.pane().text(), "price: €") << "characters without a CP932 code may be put in";
    EXPECT_TRUE(prompts.messages.empty() && pickers.stacking(nullptr).isEmpty());
    EXPECT_EQ(open<Form4>().Command11->text(), "単純指定置換") << "a new dialog keeps the mode";
}

}  // namespace
