// SPDX-License-Identifier: MIT
#include "support/form1_harness.h"
#include "ui/dialogs/frm_about.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

using soramie::frmAbout;
using soramie::testing::Form1Harness;
using soramie::testing::writeFile;

namespace {

// "日本語の説明" CR LF "２行目" CR LF in CP932.
const QByteArray kReadme("\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x90\xe0\x96\xbe\r\n\x82\x51\x8d\x73\x96\xda\r\n");

QString aboutText(Form1Harness& h)
{
    h.form().mnuVer->trigger();
    EXPECT_FALSE(h.form().aboutForm.isNull());
    return h.form().aboutForm ? h.form().aboutForm->Text1->toPlainText() : QString();
}

TEST(AboutDialog, shows_the_readme_decoded_from_cp932_or_an_empty_box)
{
    const std::pair<std::optional<QByteArray>, QString> cases[] = {
        {kReadme, "日本語の説明\n２行目\n"}, {QByteArray(), ""}, {std::nullopt, ""}};
    for (const auto& [readme, shown] : cases) {
        SCOPED_TRACE(readme ? readme->toStdString() : "no readme.txt");
        Form1Harness h;
        ASSERT_TRUE(h.load());
        ASSERT_TRUE(!readme || writeFile(h.appDir() + "/readme.txt", *readme));
        EXPECT_EQ(aboutText(h), shown);
        EXPECT_TRUE(h.form().aboutForm->Text1->isReadOnly());
        EXPECT_EQ(frmAbout::readmeText(h.appDir()), QString()) << "a folder is not a readme";
    }
}

TEST(AboutDialog, has_its_caption_icon_version_and_an_ok_that_enter_and_esc_press)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        SCOPED_TRACE(key);
        h.form().mnuVer->trigger();
        QPointer<frmAbout> d = h.form().aboutForm.data();
        ASSERT_FALSE(d.isNull());
        EXPECT_EQ(d->windowTitle(), "バージョン情報");
        EXPECT_EQ(d->Label1->text(), "SORAMIE ver0.097a");
        EXPECT_FALSE(d->picIcon->pixmap().isNull());
        EXPECT_TRUE(d->cmdOK->isDefault());
        EXPECT_TRUE(d->isVisible() && !d->isModal() && d->parentWidget() == nullptr);
        EXPECT_TRUE(h.fakes.pickers.topmostCalls.empty()) << "the about dialog is not made topmost";

        QTest::keyClick(d.data(), key);
        EXPECT_TRUE(h.form().aboutForm.isNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(d.isNull());
    }
}

TEST(AboutDialog, a_second_use_while_shown_keeps_the_dialog_and_does_not_read_the_file_again)
{
    Form1Harness h;
    ASSERT_TRUE(h.load());
    ASSERT_TRUE(writeFile(h.appDir() + "/readme.txt", "first"));
    EXPECT_EQ(aboutText(h), "first");
    frmAbout* shown = h.form().aboutForm;
    ASSERT_TRUE(writeFile(h.appDir() + "/readme.txt", "second"));
    EXPECT_EQ(aboutText(h), "first");
    EXPECT_EQ(h.form().aboutForm.data(), shown);

    shown->cmdOK->click();
    EXPECT_EQ(aboutText(h), "second") << "a new dialog reads it again";
}

}  // namespace
