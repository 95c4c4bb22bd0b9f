// SPDX-License-Identifier: MIT
// The dialogs under the Japanese fonts of a desktop: every caption whole.
#include "support/captions.h"
#include "support/dialog_fixture.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form3.h"
#include "ui/dialogs/form4.h"
#include "ui/dialogs/frm_about.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QStatusBar>

using namespace soramie::testing;

namespace {

class DialogLayout : public DialogTest {};

TEST_F(DialogLayout, every_caption_is_whole_the_settings_labels_share_one_size_and_the_search_status_bar_covers_nothing)
{
    const bool checked = underJapaneseFonts([this](const QString& family) {
        auto& settings = open<soramie::Form2>();
        auto& search = open<soramie::Form3>();
        auto& replace = open<soramie::Form4>();
        soramie::frmAbout about(QString{});
        EXPECT_EQ(cutCaptions(settings) + cutCaptions(search) + cutCaptions(replace) + cutCaptions(about),
                  QStringList())
            << family.toStdString();
        QSet<qreal> sizes;
        for (const QLabel* label : settings.findChildren<QLabel*>()) sizes << label->font().pointSizeF();
        EXPECT_EQ(sizes.size(), 1) << family.toStdString();
        const int controlsBottom = std::max({search.Check1->geometry().bottom(), search.Check4->geometry().bottom(),
                                             search.Command10->geometry().bottom()});
        EXPECT_GT(search.StatusBar1->y(), controlsBottom) << family.toStdString();
        EXPECT_EQ(search.ProgressBar1->parentWidget(), search.StatusBar1);
        EXPECT_LE(search.Check1->geometry().right(), search.Check4->x());
    });
    if (!checked) GTEST_SKIP() << "no Japanese font installed";
}

}  // namespace
