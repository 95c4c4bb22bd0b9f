// SPDX-License-Identifier: MIT
// The search dialog, and where the hit display finds the keyword.
#include "ui/dialogs/search_dialog.h"
#include "support/fake_main_window.h"
#include "ui/pane/text_pane.h"

#include <QFile>
#include <QProgressBar>

#include <unistd.h>

using soramie::SearchDialog;
using soramie::platform::Answer;
using namespace soramie::testing;

namespace {

// "タイムアウト" in CP932, and the same word in half-width katakana.
const QByteArray kFullWidth("\x83\x5e\x83\x43\x83\x80\x83\x41\x83\x45\x83\x67", 12);
const QByteArray kHalfWidth("\xc0\xb2\xd1\xb1\xb3\xc4", 6);
const QString kKeyword = QStringLiteral("タイムアウト");
const QString kAskFirst = "警告|なるべくテキストファイルの少ないところで実行して下さい。実行しますか？";

// The main window's folder "logs" with hits in walk order: a.txt, sub/b.txt,
// sub/deep/c.txt, and a near miss (letter case, half-width form). Which files
// a walk reads and what counts as a hit are the search tests' own. The dialog
// has the keyword typed in.
class SearchDialogTest : public DialogTest {
protected:
    SearchDialogTest()
    {
        const std::pair<const char*, QByteArray> files[] = {{"a.txt", "line 1\r\n" + kFullWidth + " occurred\r\n"},
                                                            {"case.txt", "OCCURRED " + kHalfWidth},
                                                            {"sub/b.txt", kFullWidth},
                                                            {"sub/deep/c.txt", "x" + kFullWidth + "x"}};
        for (const auto& [name, bytes] : files) writeFile(logs + "/" + name, bytes);
        d.keywordField->setText(kKeyword);
    }
    QStringList results() const
    {
        QStringList out;
        for (int i = 0; i < d.hitList->count(); ++i) out << d.hitList->item(i)->text();
        return out;
    }
    // Selects entry `row` and presses it with `button`, as a click on the list does.
    void pressEntry(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        d.hitList->setCurrentRow(row);
        d.onHitPressed(button, QPoint(5, 6));
    }

    // The dialog is created on the folder "logs".
    SearchDialog& openOnLogs()
    {
        main.folder = logs;
        return open<SearchDialog>();
    }

    const QString logs = main.dir.path() + "/logs";
    SearchDialog& d = openOnLogs();
};

// An empty keyword or いいえ to the warning keeps the old results; はい empties
// the list first.
TEST_F(SearchDialogTest, AsksFirstThenListsTheExactHitsInWalkOrderAndCountsUnreadableFiles)
{
    writeFile(logs + "/sub/deep/locked.txt", kFullWidth);
    QFile::setPermissions(logs + "/sub/deep/locked.txt", QFileDevice::Permissions());  // binds all but root
    d.searchButton->click();
    const QStringList hits = QStringList({logs + "/a.txt", logs + "/sub/b.txt", logs + "/sub/deep/c.txt"}) +
                             (geteuid() == 0 ? QStringList{logs + "/sub/deep/locked.txt"} : QStringList{});
    EXPECT_EQ(results(), hits);
    EXPECT_EQ(d.panel(2), geteuid() == 0 ? "4 件" : "3 件 (読めないファイル 1)");

    d.keywordField->clear();
    pickers.clearStacking();
    d.startSearch();
    EXPECT_EQ(pickers.stacking(&d), "-+");
    d.keywordField->setText("occurred");
    bool buttonDisabledWhileAsking = false;
    prompts.onMessage = [&](const auto&) { buttonDisabledWhileAsking = !d.searchButton->isEnabled(); };
    prompts.answers = {Answer::No};
    d.startSearch();
    EXPECT_TRUE(buttonDisabledWhileAsking && d.searchButton->isEnabled());
    EXPECT_EQ(results(), hits);
    EXPECT_EQ(prompts.boxes(), QStringList({kAskFirst, "警告|キーワードを入れて下さい", kAskFirst}));
    d.startSearch();
    EXPECT_EQ(results(), QStringList({logs + "/a.txt"}));
}

// Unloading the dialog (a resize of the main window) while the search runs
// hides it; it is destroyed once the search has ended.
TEST_F(SearchDialogTest, TheWindowsAreDisabledWhileTheFilesAreReadAndAnUnloadMeanwhileWaitsForTheEnd)
{
    QWidget other;
    main.otherWindows = {&other};
    QPointer<SearchDialog> dialog = &d;
    std::vector<int> values;
    bool enabledWhileReading = false, closed = false;
    QObject::connect(d.progressBar, &QProgressBar::valueChanged, [&](int v) {
        values.push_back(v);
        if (v > 0) enabledWhileReading = enabledWhileReading || main.isEnabled() || d.isEnabled() || other.isEnabled();
        if (v != 100) return;
        closed = dialog->close();  // refused while the search runs
        dialog->unload();
    });
    d.startSearch();
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ(std::vector<int>(values.end() - 2, values.end()), (std::vector<int>{100, 0}));
    EXPECT_FALSE(enabledWhileReading || closed);
    EXPECT_TRUE(main.isEnabled() && other.isEnabled() && !dialog.isNull() && !dialog->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

// A right press pops up the file menu with the program read again; when the
// chosen command removed the entry (delete) nothing is selected or shown in its place.
TEST_F(SearchDialogTest, QuickModeHandsEveryPressToTheMainWindowAndAPressAfterADeleteShowsNothing)
{
    main.writeSettings("[main]\r\nprogram = /opt/ed --x\r\n");
    main.quick = true;
    d.startSearch();
    pressEntry(2);
    EXPECT_EQ(main.shownHits, QStringList{logs + "/sub/deep/c.txt|" + kKeyword + "|1"});
    EXPECT_EQ(d.panel(2), "deep c.txt ");

    main.onPopup = [&](const QString& path) { delete d.hitList->findItems(path, Qt::MatchExactly).value(0); };
    pressEntry(1, Qt::RightButton);
    EXPECT_EQ(main.popups, QStringList{logs + "/sub/b.txt@5,6 program=/opt/ed --x"});
    EXPECT_EQ(results(), QStringList({logs + "/a.txt", logs + "/sub/deep/c.txt"}));
    EXPECT_TRUE(d.selectedPath().isEmpty());
    EXPECT_EQ(main.shownHits.value(1), "|" + kKeyword + "|1");
}

}  // namespace
