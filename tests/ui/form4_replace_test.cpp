// SPDX-License-Identifier: MIT
#include "form1_files_fixture.h"
#include "support/topmost_log.h"
#include "ui/dialogs/form4.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using soramie::Form1;
using soramie::Form4;
using soramie::platform::Answer;
using soramie::platform::Buttons;
using soramie::platform::Icon;
using soramie::testing::boxes;
using soramie::testing::Form1Harness;
using soramie::testing::stacking;

namespace {

struct ReplaceFixture {
    Form1Harness h;

    ReplaceFixture()
    {
        EXPECT_TRUE(h.load());
        form().appOki->trigger();
    }
    Form1& form() { return h.form(); }
    Form4& dialog() { return *form().form4; }
    // Fills the boxes and presses "一括置換" on a pane holding `text`.
    void replace(const QString& text, const QString& from, const QString& to, const QString& by)
    {
        form().Text1->setText(text);
        dialog().txtFndStartString->setText(from);
        dialog().txtFndEndString->setText(to);
        dialog().txtRepString->setText(by);
        dialog().cmdReplace->click();
    }
    // What tells the two modes apart: the switch's caption and tip, the label
    // between the boxes, the boxes' tips and which of the end box and Check3 shows.
    QStringList layout()
    {
        Form4& d = dialog();
        return {d.Command11->text(),
                d.Command11->toolTip(),
                d.Label3->text(),
                d.txtFndStartString->toolTip(),
                d.txtFndEndString->isVisibleTo(&d) ? d.txtFndEndString->toolTip() : "(no end box)",
                d.txtRepString->toolTip(),
                d.Check3->isVisibleTo(&d) ? "Check3" : "(no Check3)"};
    }
};

const QStringList kSimpleLayout = {"単純指定置換", "単純指定置換", "",      "置換前文字列",
                                   "(no end box)", "置換後文字列", "Check3"};
const QStringList kRangeLayout = {"範囲指定置換",   "範囲指定置換", "～",         "置換範囲(始点)",
                                  "置換範囲(終点)", "置換後文字列", "(no Check3)"};

TEST(Form4Range, replaces_each_stretch_and_reports_the_count_outside_the_always_on_top_state)
{
    struct Case {
        const char* text;
        const char* start;
        const char* end;
        const char* by;
        const char* result;
        int count;
    };
    const Case cases[] = {
        {"x[a]y[b]z", "[", "]", "-", "x-y-z", 2},
        {"x|a|b|y", "|", "|", "-", "x-a-b-y", 3},  // the same marker on both ends
        {"x[a", "[", "]", "-", "x-a", 1},          // no end marker: its length is replaced
        {"xaby", "ab", "b", "-", "x-y", 1},        // the end marker inside the start marker
        {"]x[a", "[", "]", "-", "]x-a", 1},        // an end marker before the start is not used
        {"x[a]y", "(", ")", "-", "x[a]y", 0},      // no start marker
        {"x[a]y[b]z", "[", "]", "", "xyz", 2},     // an empty replacement deletes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ReplaceFixture r;
        Form4& d = r.dialog();
        r.replace(c.text, c.start, c.end, c.by);
        EXPECT_EQ(r.form().Text1->text(), QString::fromUtf8(c.result));
        EXPECT_EQ(boxes(r.h), QStringList({"置換|置換しますか？",
                                           "置換結果|" + QString::number(c.count) + "個の項目を置換しました。"}));
        EXPECT_TRUE(r.h.fakes.prompts.messages[0].buttons == Buttons::YesNo &&
                    r.h.fakes.prompts.messages[0].icon == Icon::Critical);
        EXPECT_TRUE(d.txtFndStartString->text().isEmpty() && d.txtFndEndString->text().isEmpty() &&
                    d.txtRepString->text().isEmpty());
        // Opened on top, then one pause around the command.
        EXPECT_EQ(stacking(r.h.fakes.pickers, &d), "+-+");
    }
}

TEST(Form4Range, no_to_the_question_and_empty_markers_change_nothing)
{
    ReplaceFixture r;
    r.h.fakes.prompts.answers = {Answer::No};
    r.replace("x[a]y", "[", "]", "-");
    EXPECT_EQ(r.form().Text1->text() + "|" + r.dialog().txtFndStartString->text(), "x[a]y|[");
    EXPECT_EQ(r.h.fakes.prompts.messages.size(), 1u);

    for (const auto& [start, end] : {std::pair{"", "]"}, std::pair{"[", ""}}) {
        r.h.fakes.prompts.messages.clear();
        r.replace("x[a]y", start, end, "-");
        EXPECT_EQ(r.form().Text1->text(), "x[a]y");
        EXPECT_EQ(boxes(r.h), QStringList({"警告|検索範囲を指定して下さい"}));
    }
}

TEST(Form4Simple, replaces_every_occurrence_at_once_with_check3_choosing_the_skip_rule)
{
    ReplaceFixture r;
    Form4& d = r.dialog();
    d.Command11->click();
    ASSERT_EQ(r.form().flagb, 1);
    r.h.fakes.pickers.topmostCalls.clear();

    r.replace("a ab", "a", "", "ab");  // Check3 checked: an "ab" already there stays
    EXPECT_EQ(r.form().Text1->text(), "ab ab");
    d.Check3->setChecked(false);
    r.replace("a ab", "a", "", "ab");
    EXPECT_EQ(r.form().Text1->text(), "ab abb");
    EXPECT_EQ(d.txtFndStartString->text() + "|" + d.txtRepString->text(), "a|ab");  // the boxes keep their texts

    r.replace("x&y", "", "", "z");  // an empty search string leaves the text
    EXPECT_EQ(r.form().Text1->text(), "x&y");
    EXPECT_TRUE(r.h.fakes.prompts.messages.empty() && r.h.fakes.pickers.topmostCalls.empty());

    // Characters without a CP932 code may be put into the pane.
    r.replace("price: EUR", "EUR", "", "€");
    EXPECT_EQ(r.form().Text1->text(), "price: €");
}

TEST(Form4Mode, the_switch_changes_the_mode_captions_and_tool_tips_and_keeps_the_boxes)
{
    ReplaceFixture r;
    Form4& d = r.dialog();
    EXPECT_EQ(d.windowTitle() + "|" + d.Command11->text(), "置換|置換方法変更");
    EXPECT_TRUE(!d.Check3->isVisibleTo(&d) && d.Check3->isChecked());
    d.txtFndStartString->setText("kept");

    d.Command11->click();
    EXPECT_EQ(r.form().flagb, 1);
    EXPECT_EQ(r.layout(), kSimpleLayout);
    d.Command11->click();
    EXPECT_EQ(r.form().flagb, 0);
    EXPECT_EQ(r.layout(), kRangeLayout);
    EXPECT_EQ(d.txtFndStartString->text(), "kept");

    d.Command5->click();
    EXPECT_TRUE(d.txtFndStartString->text().isEmpty());
}

TEST(Form4Mode, a_dialog_reopened_in_simple_mode_shows_the_simple_layout_and_replaces_without_asking)
{
    ReplaceFixture r;
    Form1& f = r.form();
    r.dialog().Command11->click();
    Form4* first = f.form4;
    f.appOki->trigger();
    EXPECT_EQ(f.form4, first);  // a second use brings the same dialog forward
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(f.form4.isNull());

    f.appOki->trigger();
    EXPECT_EQ(f.flagb, 1);
    EXPECT_EQ(r.layout(), kSimpleLayout);
    EXPECT_TRUE(r.dialog().Check3->isChecked());
    r.replace("a-b", "-", "", "+");
    EXPECT_EQ(f.Text1->text(), "a+b");
    EXPECT_TRUE(r.h.fakes.prompts.messages.empty());

    r.dialog().Command11->click();  // back to range mode
    EXPECT_EQ(f.flagb, 0);
    EXPECT_EQ(r.layout(), kRangeLayout);
}

}  // namespace
