// SPDX-License-Identifier: MIT
// The settings dialog.
#include "support/fake_main_window.h"
#include "ui/dialogs/form2.h"
#include "ui/pane/text_pane.h"

#include <QFile>

using soramie::Form2;
using soramie::Twips;
using namespace soramie::testing;

namespace {

const QString kHeight = "警告|高さに設定出来る数値は、280～10000までです";
const QString kWidth = "警告|幅に設定出来る数値は、8895～20000までです";
const QString kCount = "警告|折返し文字数に設定出来る数値は、10以上の数値です";

int px(int twips) { return Twips(twips).toPixels(); }

class SettingsDialog : public DialogTest {
protected:
    // Types the three numbers and presses button (Command2 "OK" or Command4 "更新").
    static void save(Form2& d, const QString& height, const QString& width, const QString& count, QPushButton* button)
    {
        d.Text1->setText(height);
        d.Text3->setText(width);
        d.Text2->setText(count);
        button->click();
    }
};

// Each bad field gives its box, in field order, outside the always-on-top
// state; the bad fields get their defaults and only valid values apply.
TEST_F(SettingsDialog, AcceptsTheBoundsAndRejectsOnePastThemWithItsMessageAndDefault)
{
    const std::tuple<QString, QString, QString, QStringList, QString> cases[] = {
        // height, width, count, boxes (none: accepted), fields afterwards
        {"280", "8895", "10", {}, "280|8895|10"},
        {"10001", "20001", "9", {kHeight, kWidth, kCount}, "6255|8895|100"},
    };
    for (const auto& [height, width, count, box, after] : cases) {
        SCOPED_TRACE((height + " " + width + " " + count).toStdString());
        Form2& d = open<Form2>();  // a save that resized the main window has closed the last one
        QFile::remove(main.settingsPath());
        prompts.messages.clear();
        pickers.clearStacking();
        save(d, height, width, count, d.Command4);
        EXPECT_EQ(prompts.boxes(), box);
        EXPECT_EQ(pickers.stacking(&d), QString("-+").repeated(box.size()));
        EXPECT_EQ(d.Text1->text() + "|" + d.Text3->text() + "|" + d.Text2->text(), after);
        EXPECT_EQ(d.Flag3 == 1 && QFile::exists(main.settingsPath()), box.isEmpty());
    }
    // OK with a bad value keeps the dialog open and the file as it was.
    const QByteArray before = "[main]\r\nlog = /old\r\n";
    ASSERT_TRUE(main.writeSettings(before));
    Form2& d = open<Form2>();
    save(d, "10001", "1", "30", d.Command2);
    EXPECT_TRUE(d.isVisible() && main.wrapCount == "30");
    EXPECT_EQ(bytesOf(main.settingsPath()), before);
}

TEST_F(SettingsDialog, SettingsSaveThatResizesTheMainWindowKeepsTheTypedValues)
{
    ASSERT_TRUE(main.writeSettings("[main]\r\ntypedate = 2\r\nprogram=/opt/viewer\r\nextra=1\r\n[other]\r\nx=y\r\n"));
    QPointer<Form2> d = &open<Form2>();
    main.onResize = [&] { d->close(); };  // as the main window's resize steps do
    d->Text5->setText("Viewer");
    d->Text6->setText("/var/tmp");
    d->Text7->setText("w3m");
    save(*d, "7005", "8895", "100", d->Command4);
    EXPECT_EQ(main.windowSize().height.value, 8520);
    EXPECT_EQ(main.pane().height(), px(7005));
    EXPECT_EQ(bytesOf(main.settingsPath()),
              "[main]\r\nlog = /var/tmp\r\ntypedate = 2\r\nprogram = /opt/viewer\r\nname = Viewer\r\nbrowse = w3m\r\n");
    EXPECT_EQ(main.vars.pro + "|" + main.vars.br + "|" + main.programItem, "/opt/viewer|w3m|/opt/viewer|Viewer");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(d.isNull());
}

TEST_F(SettingsDialog, AFileThatCannotBeWrittenIsReportedAndTheOldFileStays)
{
    const QByteArray before = "[main]\r\nname = Old\r\n";
    ASSERT_TRUE(main.writeSettings(before));
    Form2& d = open<Form2>();
    d.Text5->setText(QString::fromUtf8("Smile 😀"));  // no CP932 code
    save(d, "5000", "8895", "20", d.Command2);
    EXPECT_EQ(prompts.boxes(), QStringList("エラー|設定ファイルに保存できない文字があります\n" + main.settingsPath()));
    EXPECT_EQ(bytesOf(main.settingsPath()), before);
    EXPECT_TRUE(main.pane().height() == px(5000) && main.wrapCount == "20") << "values already applied stay";
    EXPECT_TRUE(d.isVisible()) << "OK does not close over a save that failed";

    prompts.messages.clear();
    main.services().app.executableDir += "/missing";
    d.Text5->setText("Plain");
    d.Command4->click();
    EXPECT_EQ(prompts.boxes(), QStringList("エラー|設定ファイルに書き込めません\n" + main.settingsPath()));
}

// A number too large is not wrapped around; only ASCII digits make a number.
TEST(SettingsFields, ANumberTooLargeIsCappedAndFullWidthDigitsAreNoNumber)
{
    EXPECT_EQ(Form2::fieldNumber("99999999999999999999999"), 1'000'000'000'000'000);
    EXPECT_FALSE(Form2::fieldNumber("３００"));
}

}  // namespace
