// SPDX-License-Identifier: MIT
// The settings dialog.
#include "ui/dialogs/settings_dialog.h"
#include "support/fake_main_window.h"
#include "ui/pane/text_pane.h"

#include <QFile>

using soramie::SettingsDialog;
using soramie::Twips;
using namespace soramie::testing;

namespace {

const QString kHeight = "警告|高さに設定出来る数値は、280～10000までです";
const QString kWidth = "警告|幅に設定出来る数値は、8895～20000までです";
const QString kCount = "警告|折返し文字数に設定出来る数値は、10以上の数値です";

int px(int twips) { return Twips(twips).toPixels(); }

class SettingsDialogTest : public DialogTest {
protected:
    // Types the three numbers and presses button ("OK" or "更新").
    static void save(SettingsDialog& d, const QString& height, const QString& width, const QString& count,
                     QPushButton* button)
    {
        d.paneHeightField->setText(height);
        d.paneWidthField->setText(width);
        d.wrapCountField->setText(count);
        button->click();
    }
};

// Each bad field gives its box, in field order, outside the always-on-top
// state; the bad fields get their defaults and only valid values apply.
TEST_F(SettingsDialogTest, AcceptsTheBoundsAndRejectsOnePastThemWithItsMessageAndDefault)
{
    const std::tuple<QString, QString, QString, QStringList, QString> cases[] = {
        // height, width, count, boxes (none: accepted), fields afterwards
        {"280", "8895", "10", {}, "280|8895|10"},
        {"10001", "20001", "9", {kHeight, kWidth, kCount}, "6255|8895|100"},
    };
    for (const auto& [height, width, count, box, after] : cases) {
        SCOPED_TRACE((height + " " + width + " " + count).toStdString());
        SettingsDialog& d = open<SettingsDialog>();  // a save that resized the main window has closed the last one
        QFile::remove(main.settingsPath());
        prompts.messages.clear();
        pickers.clearStacking();
        save(d, height, width, count, d.applyButton);
        EXPECT_EQ(prompts.boxes(), box);
        EXPECT_EQ(pickers.stacking(&d), QString("-+").repeated(box.size()));
        EXPECT_EQ(d.paneHeightField->text() + "|" + d.paneWidthField->text() + "|" + d.wrapCountField->text(), after);
        EXPECT_EQ(d.allValid && QFile::exists(main.settingsPath()), box.isEmpty());
    }
    // OK with a bad value keeps the dialog open and the file as it was.
    const QByteArray before = "[main]\r\nlog = /old\r\n";
    ASSERT_TRUE(main.writeSettings(before));
    SettingsDialog& d = open<SettingsDialog>();
    save(d, "10001", "1", "30", d.okButton);
    EXPECT_TRUE(d.isVisible() && main.wrapCount == 30);
    EXPECT_EQ(bytesOf(main.settingsPath()), before);
}

TEST_F(SettingsDialogTest, SettingsSaveThatResizesTheMainWindowKeepsTheTypedValues)
{
    ASSERT_TRUE(main.writeSettings("[main]\r\ntypedate = 2\r\nprogram=/opt/viewer\r\nextra=1\r\n[other]\r\nx=y\r\n"));
    QPointer<SettingsDialog> d = &open<SettingsDialog>();
    main.onResize = [&] { d->close(); };  // as the main window's resize steps do
    d->programNameField->setText("Viewer");
    d->workFolderField->setText("/var/tmp");
    d->browserField->setText("w3m");
    save(*d, "7005", "8895", "100", d->applyButton);
    EXPECT_EQ(main.windowSize().height.value, 8520);
    EXPECT_EQ(main.pane().height(), px(7005));
    EXPECT_EQ(bytesOf(main.settingsPath()),
              "[main]\r\nlog = /var/tmp\r\ntypedate = 2\r\nprogram = /opt/viewer\r\nname = Viewer\r\nbrowse = w3m\r\n");
    EXPECT_EQ(main.vars.settings.programCommand + "|" + main.vars.settings.browserCommand + "|" + main.programItem,
              "/opt/viewer|w3m|/opt/viewer|Viewer");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(d.isNull());
}

TEST_F(SettingsDialogTest, AFileThatCannotBeWrittenIsReportedAndTheOldFileStays)
{
    const QByteArray before = "[main]\r\nname = Old\r\n";
    ASSERT_TRUE(main.writeSettings(before));
    SettingsDialog& d = open<SettingsDialog>();
    d.programNameField->setText(QString::fromUtf8("Smile 😀"));  // no CP932 code
    save(d, "5000", "8895", "20", d.okButton);
    EXPECT_EQ(prompts.boxes(), QStringList("エラー|設定ファイルに保存できない文字があります\n" + main.settingsPath()));
    EXPECT_EQ(bytesOf(main.settingsPath()), before);
    EXPECT_TRUE(main.pane().height() == px(5000) && main.wrapCount == 20) << "values already applied stay";
    EXPECT_TRUE(d.isVisible()) << "OK does not close over a save that failed";

    prompts.messages.clear();
    main.services().app.executableDir += "/missing";
    d.programNameField->setText("Plain");
    d.applyButton->click();
    EXPECT_EQ(prompts.boxes(), QStringList("エラー|設定ファイルに書き込めません\n" + main.settingsPath()));
}

// A number too large is not wrapped around; only ASCII digits make a number.
TEST(SettingsFields, ANumberTooLargeIsCappedAndFullWidthDigitsAreNoNumber)
{
    EXPECT_EQ(SettingsDialog::fieldNumber("99999999999999999999999"), 1'000'000'000'000'000);
    EXPECT_FALSE(SettingsDialog::fieldNumber("３００"));
}

}  // namespace
