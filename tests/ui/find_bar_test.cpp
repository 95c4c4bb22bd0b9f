// SPDX-License-Identifier: MIT
// The find bar on the real main window, driven by key events: F3 / Shift+F3,
// Enter / Shift+Enter, Escape, the wrap-around, the count and the list of
// matching lines.
#include "ui/main/find_bar.h"
#include "support/main_window_harness.h"

#include <QLabel>
#include <QListView>
#include <QSignalSpy>

using soramie::FindBar;
using soramie::MainWindow;
using namespace soramie::testing;

namespace {

// Three lines with "key", one with "KEY"; "鍵key" holds a double-byte character.
const QByteArray kText(
    "first key\r\nsecond KEY\r\n\x8c\xae"
    "key third\r\nkey\r\n");

struct Window {
    MainWindowHarness h;
    MainWindow* f = nullptr;
    FindBar* bar = nullptr;
    soramie::TextPane* pane = nullptr;

    Window()
    {
        f = &h.loadWith({{"a.txt", kText}});
        h.show("a.txt");
        f->show();
        f->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f));
        bar = ui(*f).findBar;
        pane = ui(*f).pane;
        pane->setFocus();
    }
    // Keys go to the focused widget, through the window's shortcuts, as typed.
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    }
    void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    QString selected() const { return pane->selectedText(); }
    qint64 at() const { return pane->selectionStart(); }
    void waitCount(const QString& expected)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->countText() == expected; }, 5000))
            << bar->countText().toStdString();
    }
    // F3, the keyword typed, and the count it gives.
    void search(const QString& keyword, const QString& count)
    {
        key(Qt::Key_F3);
        type(keyword);
        waitCount(count);
    }
};

TEST(FindBar, F3OpensTheBarEnterStepsAndWrapsEscapeGivesThePaneBackThenF3StepsWithTheBarClosed)
{
    Window w;
    const int paneHeight = w.pane->height();
    w.key(Qt::Key_F3);
    ASSERT_TRUE(w.bar->isVisible());
    EXPECT_TRUE(w.bar->keywordEdit->hasFocus());
    EXPECT_LT(w.bar->geometry().top(), w.f->centralWidget()->height());
    EXPECT_LE(w.pane->geometry().bottom(), w.bar->geometry().top());
    w.type(QStringLiteral("key"));
    w.waitCount(QStringLiteral("3 件"));
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.at(), 6);
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.at(), 24);  // after 鍵, one character
    w.key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(w.at(), 6);
    w.key(Qt::Key_Return);
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.at(), 35);
    EXPECT_TRUE(w.bar->messageText().isEmpty());
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.at(), 6);
    EXPECT_EQ(w.bar->messageText(), QStringLiteral("先頭から検索しました"));
    w.key(Qt::Key_Escape);
    EXPECT_FALSE(w.bar->isVisible());
    EXPECT_TRUE(w.pane->hasFocus());
    EXPECT_EQ(w.selected(), QStringLiteral("key"));
    EXPECT_EQ(w.pane->height(), paneHeight);
    // With the bar closed F3 and Shift+F3 step through the last keyword.
    w.key(Qt::Key_F3);
    EXPECT_EQ(w.at(), 24);
    EXPECT_FALSE(w.bar->isVisible());
    w.key(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(w.at(), 6);
    w.key(Qt::Key_F3, Qt::ShiftModifier);  // before the first: from the end
    EXPECT_EQ(w.at(), 35);
    EXPECT_EQ(w.bar->messageText(), QStringLiteral("末尾から検索しました"));
}

TEST(FindBar, ThePanesSelectionOnOneLineBecomesTheKeyword)
{
    Window w;
    w.pane->setSelection(0, 5);  // "first"
    w.key(Qt::Key_F3);
    EXPECT_EQ(w.bar->keyword(), QStringLiteral("first"));
    EXPECT_EQ(w.bar->keywordEdit->selectedText(), QStringLiteral("first"));
    w.key(Qt::Key_Escape);
    w.pane->setSelection(0, 12);  // over a line break: not taken
    w.key(Qt::Key_F3);
    EXPECT_EQ(w.bar->keyword(), QStringLiteral("first"));
}

TEST(FindBar, IgnoringCaseCountsAndFindsAsciiLettersOfEitherCase)
{
    Window w;
    w.search(QStringLiteral("KEY"), QStringLiteral("1 件"));
    w.bar->ignoreCaseBox->click();
    w.waitCount(QStringLiteral("4 件"));
    w.bar->keywordEdit->setFocus();
    w.key(Qt::Key_Return);
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.selected(), QStringLiteral("KEY"));
    w.type(QStringLiteral("nothing"));
    w.waitCount(QStringLiteral("0 件"));
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.bar->messageText(), QStringLiteral("見つかりません"));
}

TEST(FindBar, AnEditRestartsTheCountAndTheListFollows)
{
    Window w;
    w.search(QStringLiteral("key"), QStringLiteral("3 件"));
    w.key(Qt::Key_Escape);
    QTest::keyClick(w.pane, Qt::Key_End, Qt::ControlModifier);
    w.type(QStringLiteral("key key"));
    w.waitCount(QStringLiteral("5 件"));
    w.bar->open();
    w.bar->linesButton->click();
    ASSERT_TRUE(w.bar->lineList->isVisible());
    EXPECT_LE(w.pane->geometry().bottom(), w.bar->geometry().top());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.bar->lines().rowCount() == 4; }, 5000));
    const QAbstractItemModel* model = w.bar->lineList->model();
    EXPECT_EQ(model->data(model->index(1, 0)).toString(), QStringLiteral("3: 鍵key third"));
    EXPECT_EQ(model->data(model->index(3, 0)).toString(), QStringLiteral("5: key key"));
    // Enter on a row shows its line with the match selected.
    w.bar->lineList->setFocus();
    w.bar->lineList->setCurrentIndex(model->index(1, 0));
    w.key(Qt::Key_Return);
    EXPECT_EQ(w.at(), 24);
    EXPECT_EQ(w.selected(), QStringLiteral("key"));
}

}  // namespace
