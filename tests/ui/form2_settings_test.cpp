// SPDX-License-Identifier: MIT
#include "form1_files_fixture.h"
#include "support/topmost_log.h"
#include "ui/dialogs/form2.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <tuple>

using soramie::Form1;
using soramie::Form2;
using soramie::testing::boxes;
using soramie::testing::bytesOf;
using soramie::testing::Form1Harness;
using soramie::testing::stacking;

namespace {

const QString kHeightMessage = QStringLiteral("高さに設定出来る数値は、280～10000までです");
const QString kWidthMessage = QStringLiteral("幅に設定出来る数値は、8895～20000までです");
const QString kCountMessage = QStringLiteral("折返し文字数に設定出来る数値は、10以上の数値です");

int px(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.load());
        form().show();
    }

    Form1& form() { return h.form(); }
    QString iniPath() const { return h.appDir() + "/soramie.ini"; }

    // "設定" from the menu; the dialog it shows.
    Form2& open()
    {
        form().appSe->trigger();
        EXPECT_FALSE(form().form2.isNull());
        return *form().form2;
    }

    // Types the three numbers and presses button (the dialog's Command2 or Command4).
    void save(Form2& d, const QString& height, const QString& width, const QString& count, QPushButton* button)
    {
        d.Text1->setText(height);
        d.Text3->setText(width);
        d.Text2->setText(count);
        button->click();
    }

    Form1Harness h;
};

TEST_F(SettingsDialog, opens_with_the_pane_size_the_wrap_count_and_the_file_values_in_focus_order)
{
    ASSERT_TRUE(
        h.writeSettings("[main]\r\nlog = /srv/logs\r\nprogram = /usr/bin/ed\r\nname = Ed\r\nbrowse = firefox\r\n"));
    form().br = "lynx";  // the running value, not the file's
    form().Text6->setText("40");
    Form2& d = open();

    // Height, width, wrap count, work folder, program, its name, browser.
    EXPECT_EQ(QStringList({d.Text1->text(), d.Text3->text(), d.Text2->text(), d.Text6->text(), d.Text4->text(),
                           d.Text5->text(), d.Text7->text()}),
              QStringList({"6255", "8895", "40", "/srv/logs", "/usr/bin/ed", "Ed", "lynx"}));
    EXPECT_EQ(form().pro + "|" + form().pron, "/usr/bin/ed|Ed");
    EXPECT_TRUE(stacking(h.fakes.pickers, &d).endsWith('+'));

    // The focus order.
    const QWidget* order[] = {d.Text1,    d.Text2,    d.Text3, d.Command2, d.Text4, d.Text5,
                              d.Command1, d.Command3, d.Text6, d.Command4, d.Text7, d.Command5};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        const QWidget* next = order[i]->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
        EXPECT_EQ(next, order[i + 1]) << i;
    }

    // A second "設定" only brings it forward: what was typed stays.
    d.Text4->setText("typed");
    EXPECT_EQ(&open(), &d);
    EXPECT_EQ(d.Text4->text(), "typed");
}

TEST_F(SettingsDialog, accepts_the_bounds_and_rejects_one_past_them_with_its_message_and_default)
{
    struct Case {
        const char* height;
        const char* width;
        const char* count;
        QString message;  // empty: accepted
    };
    const Case cases[] = {
        {"280", "8895", "10", {}},
        {"10000", "20000", "10", {}},
        {"279", "8895", "10", kHeightMessage},
        {"10001", "8895", "10", kHeightMessage},
        {"300", "8894", "10", kWidthMessage},
        {"300", "20001", "10", kWidthMessage},
        {"300", "8895", "9", kCountMessage},
        {"12a", "8895", "10", kHeightMessage},
        {"300", "", "10", {}},  // refilled with 8895 at once
    };
    form().showMaximized();  // the pane changes, the window does not: the dialog stays
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 %2 %3").arg(c.height, c.width, c.count).toStdString());
        QFile::remove(iniPath());
        h.fakes.prompts.messages.clear();
        Form2& d = open();
        save(d, c.height, c.width, c.count, d.Command4);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(h.fakes.prompts.messages.empty() && d.Flag3 == 1 && QFile::exists(iniPath()));
            EXPECT_EQ(form().Text1->height(), px(QString(c.height).toInt()));
        } else {
            EXPECT_EQ(boxes(h), QStringList({"警告|" + c.message}));
            EXPECT_TRUE(d.Flag3 == 0 && !QFile::exists(iniPath()));
            EXPECT_EQ(d.Text1->text() + d.Text3->text() + d.Text2->text(),
                      c.message == kHeightMessage  ? QString("6255") + c.width + c.count
                      : c.message == kWidthMessage ? QString(c.height) + "8895" + c.count
                                                   : QString(c.height) + c.width + "100");
        }
    }
}

TEST_F(SettingsDialog, bad_fields_give_their_boxes_in_order_and_defaults_and_only_valid_values_are_applied)
{
    const QByteArray before = "[main]\r\nlog = /old\r\n";
    ASSERT_TRUE(h.writeSettings(before));
    Form2& d = open();
    h.fakes.pickers.topmostCalls.clear();
    const QString countBefore = form().Text6->text();
    save(d, "10001", "20001", "9", d.Command2);
    EXPECT_EQ(boxes(h), QStringList({"警告|" + kHeightMessage, "警告|" + kWidthMessage, "警告|" + kCountMessage}));
    for (const auto& m : h.fakes.prompts.messages) EXPECT_EQ(m.icon, soramie::platform::Icon::None);
    EXPECT_EQ(stacking(h.fakes.pickers, &d), "-+-+-+");  // out of the always-on-top state around each box
    EXPECT_EQ(QStringList({d.Text1->text(), d.Text3->text(), d.Text2->text()}), QStringList({"6255", "8895", "100"}));
    EXPECT_EQ(form().Text6->text(), countBefore);
    EXPECT_TRUE(d.isVisible()) << "OK with a bad value keeps the dialog open";

    save(d, "5000", "1", "30", d.Command4);
    EXPECT_EQ(form().Text1->size(), QSize(px(8895), px(5000)));
    EXPECT_EQ(form().Text6->text(), "30");
    EXPECT_EQ(form().wrapWidth(), 60);
    EXPECT_EQ(bytesOf(iniPath()), before);
}

TEST_F(SettingsDialog,
       in_the_normal_state_the_window_follows_heights_from_6255_up_and_every_width_after_the_file_is_written)
{
    ASSERT_EQ(form().windowSize().height.value, 7770);
    ASSERT_EQ(form().windowSize().width.value, 11385);

    // A save that resizes the window closes the dialog, after "更新" too, and
    // the file holds what was typed; of the rest only a hand-written typedate stays.
    ASSERT_TRUE(h.writeSettings("[main]\r\ntypedate = 2\r\nextra=1\r\n[other]\r\nx=y\r\n"));
    Form2* d = &open();
    d->Text4->setText("/opt/viewer");
    d->Text5->setText("Viewer");
    d->Text6->setText("/var/tmp");
    d->Text7->setText("w3m");
    QPointer<Form2> first = d;
    save(*d, "7005", "8895", "100", d->Command4);
    EXPECT_EQ(form().windowSize().height.value, 8520);
    EXPECT_EQ(form().Text1->height(), px(7005));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form().form2.isNull() && first.isNull());
    EXPECT_EQ(bytesOf(iniPath()),
              "[main]\r\nlog = /var/tmp\r\ntypedate = 2\r\nprogram = /opt/viewer\r\nname = Viewer\r\nbrowse = w3m\r\n");
    EXPECT_EQ(form().pro + "|" + form().br, "/opt/viewer|w3m");

    // Below 6255 only the pane changes; the dialog stays.
    d = &open();
    save(*d, "6254", "8895", "100", d->Command4);
    EXPECT_EQ(form().Text1->height(), px(6254));
    EXPECT_TRUE(form().windowSize().height.value == 8520 && !form().form2.isNull());

    save(*d, "6255", "8895", "100", d->Command4);
    EXPECT_TRUE(form().windowSize().height.value == 7770 && form().form2.isNull());

    d = &open();
    save(*d, "6255", "9000", "100", d->Command2);
    EXPECT_EQ(form().windowSize().width.value, 9000 + 2490);
    EXPECT_TRUE(form().Text1->width() == px(9000) && form().form2.isNull());
}

TEST_F(SettingsDialog, a_box_after_the_save_resized_the_window_leaves_the_closed_dialog_closed)
{
    QPointer<Form2> d = &open();
    h.fakes.pickers.topmostCalls.clear();
    save(*d, "7005", "1", "100", d->Command2);
    EXPECT_EQ(boxes(h), QStringList({"警告|" + kWidthMessage}));
    EXPECT_TRUE(h.fakes.pickers.topmostCalls.empty()) << "switching the stacking would show it again";
    EXPECT_TRUE(form().form2.isNull());
    ASSERT_FALSE(d.isNull()) << "deleted only once the handler has returned";
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(form().Text1->height(), px(7005));
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(SettingsDialog, maximised_or_minimised_windows_keep_their_size)
{
    h.fakes.tray.isAvailable = false;
    for (const bool maximise : {true, false}) {
        if (maximise) form().showMaximized();
        else form().showMinimized();
        QCoreApplication::processEvents();
        const QSize before = form().size();
        Form2& d = open();
        save(d, "9000", "12000", "100", d.Command2);
        EXPECT_TRUE(d.Flag2 == 0 && form().size() == before);
        EXPECT_EQ(form().Text1->size(), QSize(px(12000), px(9000)));
        form().showNormal();
    }
}

TEST_F(SettingsDialog, ok_takes_the_browser_even_when_a_value_is_bad_and_update_shows_the_saved_program_item)
{
    Form2* d = &open();
    d->Text7->setText("chromium");
    d->Text4->setText("/usr/bin/vi");
    save(*d, "279", "8895", "100", d->Command2);
    EXPECT_EQ(form().br + "|" + form().pro, "chromium|");
    EXPECT_TRUE(d->isVisible() && !QFile::exists(iniPath()));
    save(*d, "300", "8895", "100", d->Command2);
    EXPECT_EQ(form().pro, "") << "OK leaves pro to the next load";
    EXPECT_TRUE(!d->isVisible() && form().form2.isNull() && form().mnuApp->isVisible());

    d = &open();
    const std::tuple<const char*, const char*, const char*> items[] = {
        {"/usr/bin/vi", "Vi", "Viで開く"}, {"/usr/bin/vi", "", "(設定されていません)"}, {"", "", "(hidden)"}};
    for (const auto& [path, name, item] : items) {
        d->Text4->setText(path);
        d->Text5->setText(name);
        d->Command4->click();
        EXPECT_EQ(form().mnuApp->isVisible() ? form().mnuApp->text() : "(hidden)", item) << path << name;
    }
}

TEST_F(SettingsDialog, a_file_that_cannot_be_written_is_reported_and_the_old_file_stays)
{
    const QByteArray before = "[main]\r\nname = Old\r\n";
    ASSERT_TRUE(h.writeSettings(before));
    Form2& d = open();
    d.Text5->setText(QString::fromUtf8("Smile 😀"));  // no CP932 code
    save(d, "5000", "8895", "20", d.Command2);
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    EXPECT_TRUE(boxes(h)[0].startsWith("エラー|") && boxes(h)[0].contains(iniPath()));
    EXPECT_EQ(bytesOf(iniPath()), before);
    EXPECT_TRUE(form().Text1->height() == px(5000) && form().Text6->text() == "20") << "values already applied stay";
    EXPECT_TRUE(d.isVisible()) << "OK does not close over a save that failed";

    // A folder that does not exist.
    h.fakes.prompts.messages.clear();
    form().services().app.executableDir = h.root() + "/missing";
    d.Text5->setText("Plain");
    d.Command4->click();
    ASSERT_EQ(h.fakes.prompts.messages.size(), 1u);
    EXPECT_TRUE(h.fakes.prompts.messages[0].text.contains(h.root() + "/missing/soramie.ini"));
}

TEST_F(SettingsDialog, numeric_fields_take_only_digits_and_backspace_and_refill_when_emptied)
{
    Form2& d = open();
    d.activateWindow();
    QLineEdit* height = d.Text1;
    height->setFocus();
    height->end(false);
    QTest::keyClicks(height, "a-.+ 7");
    EXPECT_EQ(height->text(), "62557");
    QTest::keyClick(height, Qt::Key_Return);
    EXPECT_EQ(height->text(), "62557");

    QApplication::clipboard()->setText("abc");
    QTest::keyClick(height, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(height, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(height, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(height, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(height->text(), "62557") << "neither pasted nor cut";

    for (int i = 0; i < 5; ++i) QTest::keyClick(height, Qt::Key_Backspace);
    EXPECT_EQ(height->text(), "6255") << "emptied: refilled at once";
    d.Text2->setText("");
    d.Text3->setText("");
    EXPECT_EQ(d.Text2->text() + "|" + d.Text3->text(), "100|8895");

    // Other fields take any text.
    QTest::keyClicks(d.Text5, "a-b");
    EXPECT_EQ(d.Text5->text(), "a-b");
}

TEST(SettingsFieldNumber, reads_plain_decimal_digits_only)
{
    EXPECT_EQ(Form2::fieldNumber("300"), 300);
    EXPECT_EQ(Form2::fieldNumber(" 0300 "), 300);
    EXPECT_EQ(Form2::fieldNumber("99999999999999999999999"), 1'000'000'000'000'000);
    for (const char* bad : {"", " ", "-5", "3e2", "30.0", "0x10", "+1", "３００"})
        EXPECT_FALSE(Form2::fieldNumber(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST_F(SettingsDialog, pickers_fill_their_fields_and_a_cancel_keeps_the_old_text)
{
    Form2& d = open();
    d.Text4->setText("/old/prog");
    d.Text7->setText("old-browser");
    d.Text6->setText("/old/folder");
    auto& pickers = h.fakes.pickers;
    pickers.openAnswers = {"", "/usr/bin/firefox"};
    pickers.folderAnswers = {"", "/srv"};

    const QString current = QDir::currentPath();
    d.Command1->click();
    EXPECT_EQ(d.Text4->text(), "/old/prog");
    d.Command5->click();
    EXPECT_EQ(d.Text7->text(), "/usr/bin/firefox");
    ASSERT_EQ(pickers.requests.size(), 2u);
    EXPECT_TRUE(pickers.requests[0].owner == &d && pickers.requests[0].initialFolder == current);
    EXPECT_EQ(pickers.requests[0].filter[0].label, "ﾌﾟﾛｸﾞﾗﾑﾌｧｲﾙ(*.exe)");

    pickers.topmostCalls.clear();
    d.Command3->click();
    EXPECT_EQ(d.Text6->text(), "/old/folder");
    d.Command3->click();
    EXPECT_EQ(d.Text6->text(), "/srv");
    EXPECT_EQ(stacking(pickers, &d), "-+-+") << "the folder picker is asked outside the always-on-top state";
}

}  // namespace
