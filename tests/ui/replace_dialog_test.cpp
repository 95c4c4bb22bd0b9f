// SPDX-License-Identifier: MIT
// The replace dialog in its two modes.
#include "support/dialog_fixture.h"
#include "ui/dialogs/form4.h"
#include "ui/pane/text_pane.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
    // What tells the two modes apart: the switch's caption and tip, the label
    // between the boxes, the boxes' tips and which of the end box and Check3 shows.
    QStringList layout() const
    {
        return {d->Command11->text(),
                d->Command11->toolTip(),
                d->Label3->text(),
                d->txtFndStartString->toolTip(),
                d->txtFndEndString->isVisibleTo(d) ? d->txtFndEndString->toolTip() : "(no end box)",
                d->txtRepString->toolTip(),
                d->Check3->isVisibleTo(d) ? "Check3" : "(no Check3)"};
    }

    Form4* d = &open<Form4>();
};

const QStringList kSimpleLayout = {"単純指定置換", "単純指定置換", "",      "置換前文字列",
                                   "(no end box)", "置換後文字列", "Check3"};
const QStringList kRangeLayout = {"範囲指定置換",   "範囲指定置換", "～",         "置換範囲(始点)",
                                  "置換範囲(終点)", "置換後文字列", "(no Check3)"};

TEST_F(ReplaceDialog, range_mode_replaces_each_stretch_and_reports_the_count_outside_the_top_state)
{
    const std::tuple<const char*, const char*, const char*, const char*, const char*, int> cases[] = {
        {"x[a]y[b]z", "[", "]", "-", "x-y-z", 2},
        {"x|a|b|y", "|", "|", "-", "x-a-b-y", 3},  // the same marker on both ends
        {"x[a", "[", "]", "-", "x-a", 1},          // no end marker: its length is replaced
        {"xaby", "ab", "b", "-", "x-y", 1},        // the end marker inside the start marker
        {"]x[a", "[", "]", "-", "]x-a", 1},        // an end marker before the start is not used
        {"x[a]y", "(", ")", "-", "x[a]y", 0},      // no start marker
        {"x[a]y[b]z", "[", "]", "", "xyz", 2},     // an empty replacement deletes
    };
    for (const auto& [text, start, end, by, result, count] : cases) {
        SCOPED_TRACE(text);
        prompts.messages.clear();
        pickers.topmostCalls.clear();
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

TEST_F(ReplaceDialog, simple_mode_replaces_every_occurrence_at_once_with_check3_choosing_the_skip_rule)
{
    d->Command11->click();
    ASSERT_EQ(main.vars.flagb, 1);
    pickers.topmostCalls.clear();
    replace("a ab", "a", "", "ab");  // Check3 checked: an "ab" already there stays
    EXPECT_EQ(main.pane().text(), "ab ab");
    d->Check3->setChecked(false);
    replace("a ab", "a", "", "ab");
    EXPECT_EQ(main.pane().text(), "ab abb");
    EXPECT_EQ(d->txtFndStartString->text() + "|" + d->txtRepString->text(), "a|ab") << "the boxes keep their texts";
    replace("x&y", "", "", "z");
    EXPECT_EQ(main.pane().text(), "x&y") << "an empty search string changes nothing";
    replace("price: EUR", "EUR", "", "€");
    EXPECT_EQ(main.pane().text(), "price: €") << "characters without a CP932 code may be put in";
    EXPECT_TRUE(prompts.messages.empty() && pickers.topmostCalls.empty());
}

TEST_F(ReplaceDialog, the_switch_changes_the_mode_and_layout_and_a_dialog_created_in_simple_mode_shows_it)
{
    EXPECT_EQ(d->windowTitle() + "|" + d->Command11->text(), "置換|置換方法変更");
    EXPECT_TRUE(!d->Check3->isVisibleTo(d) && d->Check3->isChecked());
    d->txtFndStartString->setText("kept");
    d->Command11->click();
    EXPECT_EQ(main.vars.flagb, 1);
    EXPECT_EQ(layout(), kSimpleLayout);
    d->Command11->click();
    EXPECT_EQ(main.vars.flagb, 0);
    EXPECT_EQ(layout(), kRangeLayout);
    EXPECT_EQ(d->txtFndStartString->text(), "kept");
    d->Command5->click();
    EXPECT_TRUE(d->txtFndStartString->text().isEmpty());

    main.vars.flagb = 1;
    d = &open<Form4>();
    EXPECT_EQ(layout(), kSimpleLayout);
    replace("a-b", "-", "", "+");
    EXPECT_EQ(main.pane().text(), "a+b");
    EXPECT_TRUE(prompts.messages.empty());
}

}  // namespace
