// SPDX-License-Identifier: MIT
#include "form1_files_fixture.h"
#include "ui/common/program_icon.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form3.h"
#include "ui/dialogs/form4.h"
#include "ui/dialogs/frm_about.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using soramie::Form1;
using soramie::platform::Answer;
using soramie::platform::TrayEvent;
using soramie::testing::boxes;
using soramie::testing::Form1Harness;
using soramie::testing::windowState;
using soramie::testing::writeFile;

namespace {

class WindowState : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.load());
        form().show();
    }
    Form1& form() { return h.form(); }
    void minimise()
    {
        form().showMinimized();
        QCoreApplication::processEvents();  // the window hides once the state change is over
    }
    // The dialogs that are loaded, of settings, search, replace and about.
    QStringList loaded()
    {
        QStringList out;
        if (form().form2) out << "settings";
        if (form().form3) out << "search";
        if (form().form4) out << "replace";
        if (form().aboutForm) out << "about";
        return out;
    }
    // The tray icon: "shown" or "none", how often it was added and removed.
    QString tray() const
    {
        const auto& t = h.fakes.tray;
        return QStringLiteral("%1 +%2 -%3").arg(t.isShown ? "shown" : "none").arg(t.adds).arg(t.removes);
    }
    // Opens the settings, search, replace and about dialogs.
    void openAllDialogs()
    {
        form().appSe->trigger();
        form().loadForm3().show();
        form().loadForm4().show();
        form().mnuVer->trigger();
    }

    Form1Harness h;
};

TEST_F(WindowState, minimising_hides_the_window_behind_one_tray_icon_that_restores_it)
{
    minimise();
    EXPECT_EQ(tray(), "shown +1 -0");
    EXPECT_EQ(h.fakes.tray.tip, "SORAMIE");
    EXPECT_FALSE(form().isVisible());

    h.fakes.tray.press(TrayEvent::LeftPress);
    EXPECT_TRUE(form().isVisible() && form().windowState() == Qt::WindowNoState);
    EXPECT_EQ(tray(), "shown +1 -0") << "the icon stays until the window is unloaded";

    // Maximised, minimised, restored: back in the normal state, still one icon.
    form().showMaximized();
    minimise();
    EXPECT_FALSE(form().isVisible());
    h.fakes.prompts.popupChoices = {"元に戻す"};
    h.fakes.tray.press(TrayEvent::RightPress);
    ASSERT_EQ(h.fakes.prompts.popups.size(), 1u);
    EXPECT_EQ(h.fakes.prompts.popups[0].visibleItems, QStringList({"元に戻す", "-", "終了"}));
    EXPECT_TRUE(form().isVisible() && form().windowState() == Qt::WindowNoState);
    EXPECT_EQ(tray(), "shown +1 -0");
}

TEST_F(WindowState, without_a_tray_minimising_leaves_the_window_on_the_taskbar)
{
    h.fakes.tray.isAvailable = false;
    minimise();
    EXPECT_TRUE(form().isVisible() && form().isMinimized());
    EXPECT_EQ(tray(), "none +0 -0");
}

TEST_F(WindowState, every_resize_closes_the_settings_and_search_dialogs_only)
{
    openAllDialogs();
    form().form2->Text4->setText("typed");
    form().resize(form().size() + QSize(30, 20));
    EXPECT_EQ(loaded(), QStringList({"replace", "about"}));

    // A new settings dialog starts from the pane, not from what was typed.
    form().appSe->trigger();
    EXPECT_EQ(form().form2->Text4->text(), "");

    // Maximising, minimising (tray) and the first show count as resizes too.
    form().loadForm3().show();
    form().showMaximized();
    EXPECT_EQ(loaded(), QStringList({"replace", "about"}));
    form().appSe->trigger();
    minimise();
    EXPECT_EQ(loaded(), QStringList({"replace", "about"}));

    Form1Harness fresh;
    ASSERT_TRUE(fresh.load());
    fresh.form().appSe->trigger();
    fresh.form().show();
    EXPECT_TRUE(fresh.form().form2.isNull());
}

TEST_F(WindowState, quick_mode_asks_each_way_and_no_changes_nothing)
{
    auto& prompts = h.fakes.prompts;
    form().Command1->setEnabled(true);
    prompts.answers = {Answer::No};
    form().mnuMode->trigger();
    EXPECT_TRUE(!form().Command1->isHidden() && form().Command1->isEnabled());

    form().mnuMode->trigger();  // Yes
    EXPECT_TRUE(form().Command1->isHidden() && !form().Command1->isEnabled());

    prompts.answers = {Answer::No};
    form().mnuMode->trigger();
    EXPECT_TRUE(form().Command1->isHidden());

    form().mnuMode->trigger();  // Yes
    EXPECT_TRUE(!form().Command1->isHidden() && !form().Command1->isEnabled()) << "enabled only by a click on a file";

    const QString on = "モード変更|クイックモードにしますか？", off = "モード変更|クイックモードを解除しますか？";
    EXPECT_EQ(boxes(h), QStringList({on, on, off, off}));
    for (const auto& m : prompts.messages) EXPECT_EQ(m.buttons, soramie::platform::Buttons::YesNo);
}

TEST_F(WindowState, clear_empties_the_display_and_disables_itself_but_keeps_the_rest)
{
    ASSERT_TRUE(writeFile(h.root() + "/logs/a.txt", "abc"));
    form().Dir1->setPath(h.root() + "/logs");
    ASSERT_TRUE(form().File1->selectFile("a.txt"));
    form().File1_MouseDown(Qt::LeftButton, QPoint());
    form().Command1->click();
    ASSERT_EQ(form().Text1->text(), "abc");
    form().setWindowTitle("SORAMIE - a.txt");
    const QString count = form().panel(1);

    form().Command6->click();
    EXPECT_EQ(form().Text1->text(), "");
    EXPECT_EQ(windowState(form()), "SORAMIE|" + count + "||");
    EXPECT_TRUE(!form().Command6->isEnabled() && form().Command1->isEnabled());
    EXPECT_EQ(form().File1->fileName(), "a.txt");
    EXPECT_TRUE(form().shownPath.isEmpty()) << "the pane no longer holds the file";
}

TEST_F(WindowState, closing_removes_the_icon_only_after_a_minimise_and_unloads_all_dialogs)
{
    openAllDialogs();
    form().close();
    EXPECT_EQ(tray(), "none +0 -0");
    EXPECT_TRUE(loaded().isEmpty());
    EXPECT_TRUE(h.fakes.prompts.messages.empty());

    form().show();
    minimise();
    form().restoreFromTray();
    openAllDialogs();
    form().appExit->trigger();
    EXPECT_EQ(tray(), "none +1 -1");
    EXPECT_TRUE(loaded().isEmpty());
}

// Runs the event loop until `leave` ends the program; false if it never does.
bool endsTheProgram(const std::function<void()>& leave)
{
    bool ended = true;
    QTimer::singleShot(0, leave);
    // Only reached when the program did not end.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&ended] {
        ended = false;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    QApplication::exec();
    return ended;
}

TEST_F(WindowState, all_three_ways_out_end_the_program)
{
    EXPECT_TRUE(endsTheProgram([this] { form().appExit->trigger(); }));

    form().show();
    EXPECT_TRUE(endsTheProgram([this] { form().close(); }));

    form().show();
    minimise();
    h.fakes.prompts.popupChoices = {"終了"};
    EXPECT_TRUE(endsTheProgram([this] { h.fakes.tray.press(TrayEvent::RightPress); }));
    EXPECT_FALSE(h.fakes.tray.isShown);
}

TEST(ProgramIcon, is_built_into_the_program_in_several_sizes)
{
    const QIcon icon = soramie::programIcon();
    EXPECT_FALSE(icon.isNull());
    EXPECT_GE(icon.availableSizes().size(), 6);
    EXPECT_FALSE(icon.pixmap(16, 16).isNull());
}

}  // namespace
