// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
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
using soramie::testing::Form1Harness;

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
};

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
        {"x|a|b|y", "|", "|", "-", "x-a-b-y", 3},   // the same marker on both ends
        {"x[a", "[", "]", "-", "x-a", 1},           // no end marker: its length is replaced
        {"xaby", "ab", "b", "-", "x-y", 1},         // the end marker inside the start marker
        {"]x[a", "[", "]", "-", "]x-a", 1},         // an end marker before the start is not used
        {"x[a]y", "(", ")", "-", "x[a]y", 0},       // no start marker
        {"x[a]y[b]z", "[", "]", "", "xyz", 2},      // an empty replacement deletes
    };
    for (const Case& c : cases) {
        ReplaceFixture r;
        r.replace(c.text, c.start, c.end, c.by);
        EXPECT_EQ(r.form().Text1->text(), QString::fromUtf8(c.result)) << c.text;
        const auto& messages = r.h.fakes.prompts.messages;
        ASSERT_EQ(messages.size(), 2u) << c.text;
        EXPECT_EQ(messages[0].text, QString::fromUtf8("置換しますか？"));
        EXPECT_EQ(messages[0].title, QString::fromUtf8("置換"));
        EXPECT_EQ(messages[0].buttons, Buttons::YesNo);
        EXPECT_EQ(messages[0].icon, Icon::Critical);
        EXPECT_EQ(messages[1].text, QString::number(c.count) + QString::fromUtf8("個の項目を置換しました。"));
        EXPECT_EQ(messages[1].title, QString::fromUtf8("置換結果"));
        EXPECT_TRUE(r.dialog().txtFndStartString->text().isEmpty());
        EXPECT_TRUE(r.dialog().txtFndEndString->text().isEmpty());
        EXPECT_TRUE(r.dialog().txtRepString->text().isEmpty());
        // One pause around the command: opened on top, then off, then on again.
        const auto& calls = r.h.fakes.pickers.topmostCalls;
        ASSERT_EQ(calls.size(), 3u);
        EXPECT_FALSE(calls[1].onTop);
        EXPECT_TRUE(calls[2].onTop);
        EXPECT_EQ(calls[2].window, &r.dialog());
    }
}

TEST(Form4Range, no_to_the_question_and_empty_markers_change_nothing)
{
    ReplaceFixture r;
    r.h.fakes.prompts.answers = {Answer::No};
    r.replace("x[a]y", "[", "]", "-");
    EXPECT_EQ(r.form().Text1->text(), "x[a]y");
    EXPECT_EQ(r.dialog().txtFndStartString->text(), "[");
    EXPECT_EQ(r.h.fakes.prompts.messages.size(), 1u);

    for (const auto& [start, end] : {std::pair{"", "]"}, std::pair{"[", ""}}) {
        r.h.fakes.prompts.messages.clear();
        r.replace("x[a]y", start, end, "-");
        EXPECT_EQ(r.form().Text1->text(), "x[a]y");
        EXPECT_EQ(r.h.fakes.prompts.messageTexts(), QStringList({QString::fromUtf8("検索範囲を指定して下さい")}));
        EXPECT_EQ(r.h.fakes.prompts.messages[0].title, QString::fromUtf8("警告"));
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
    EXPECT_EQ(d.txtFndStartString->text(), "a");  // the boxes keep their texts
    EXPECT_EQ(d.txtRepString->text(), "ab");

    r.replace("x&y", "", "", "z");  // an empty search string leaves the text
    EXPECT_EQ(r.form().Text1->text(), "x&y");
    EXPECT_TRUE(r.h.fakes.prompts.messages.empty());
    EXPECT_TRUE(r.h.fakes.pickers.topmostCalls.empty());

    // Characters without a CP932 code may be put into the pane.
    r.replace("price: EUR", "EUR", "", QString::fromUtf8("€"));
    EXPECT_EQ(r.form().Text1->text(), QString::fromUtf8("price: €"));
}

TEST(Form4Mode, the_switch_changes_the_mode_captions_and_tool_tips_and_keeps_the_boxes)
{
    ReplaceFixture r;
    Form4& d = r.dialog();
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("置換"));
    EXPECT_EQ(d.Command11->text(), QString::fromUtf8("置換方法変更"));
    EXPECT_FALSE(d.Check3->isVisibleTo(&d));
    EXPECT_TRUE(d.Check3->isChecked());
    d.txtFndStartString->setText("kept");

    d.Command11->click();
    EXPECT_EQ(r.form().flagb, 1);
    EXPECT_EQ(d.Command11->text(), QString::fromUtf8("単純指定置換"));
    EXPECT_EQ(d.Command11->toolTip(), QString::fromUtf8("単純指定置換"));
    EXPECT_FALSE(d.txtFndEndString->isVisibleTo(&d));
    EXPECT_TRUE(d.Check3->isVisibleTo(&d));
    EXPECT_TRUE(d.Label3->text().isEmpty());
    EXPECT_EQ(d.txtFndStartString->toolTip(), QString::fromUtf8("置換前文字列"));
    EXPECT_EQ(d.txtRepString->toolTip(), QString::fromUtf8("置換後文字列"));

    d.Command11->click();
    EXPECT_EQ(r.form().flagb, 0);
    EXPECT_EQ(d.Command11->text(), QString::fromUtf8("範囲指定置換"));
    EXPECT_TRUE(d.txtFndEndString->isVisibleTo(&d));
    EXPECT_FALSE(d.Check3->isVisibleTo(&d));
    EXPECT_EQ(d.Label3->text(), QString::fromUtf8("～"));
    EXPECT_EQ(d.txtFndStartString->toolTip(), QString::fromUtf8("置換範囲(始点)"));
    EXPECT_EQ(d.txtFndEndString->toolTip(), QString::fromUtf8("置換範囲(終点)"));
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
    Form4& d = r.dialog();
    EXPECT_EQ(f.flagb, 1);
    EXPECT_FALSE(d.txtFndEndString->isVisibleTo(&d));
    EXPECT_TRUE(d.Check3->isVisibleTo(&d));
    EXPECT_TRUE(d.Check3->isChecked());
    EXPECT_EQ(d.Command11->text(), QString::fromUtf8("単純指定置換"));
    r.replace("a-b", "-", "", "+");
    EXPECT_EQ(f.Text1->text(), "a+b");
    EXPECT_TRUE(r.h.fakes.prompts.messages.empty());

    d.Command11->click();  // back to range mode
    EXPECT_EQ(f.flagb, 0);
    EXPECT_TRUE(d.txtFndEndString->isVisibleTo(&d));
}

}  // namespace
