// SPDX-License-Identifier: MIT
// Window state, tray, quick mode, clear, the ways out, and the dialogs as the main window opens them.
#include "support/main_window_harness.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/settings_dialog.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

using soramie::platform::TrayEvent;
using namespace soramie::testing;

namespace {

class WindowState : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.load());
        f.show();
    }
    void minimise()
    {
        f.showMinimized();
        QCoreApplication::processEvents();  // the window hides once the state change is over
    }
    // The dialogs that are loaded, of settings, search, replace and about.
    QString loaded() const
    {
        return QString(dialogs(f).settings ? "settings " : "") + (dialogs(f).search ? "search " : "") +
               (dialogs(f).replace ? "replace " : "") + (dialogs(f).about ? "about" : "");
    }
    void openAllDialogs()
    {
        for (QAction* open : {ui(f).settingsAction, ui(f).keywordSearchAction, ui(f).replaceAction, ui(f).aboutAction})
            open->trigger();
    }
    // Runs the event loop until leave ends the program; false if it never does.
    static bool endsTheProgram(const std::function<void()>& leave)
    {
        QTimer::singleShot(0, leave);
        QTimer guard;  // only fires when the program did not end
        guard.callOnTimeout([] { QCoreApplication::exit(-77); });
        guard.start(10000);
        return QApplication::exec() != -77;
    }

    MainWindowHarness h;
    soramie::MainWindow& f = h.form();
};

TEST_F(WindowState, MinimisingHidesTheWindowBehindOneTrayIconAndEveryWayOutRemovesItAndTheDialogs)
{
    minimise();
    EXPECT_TRUE(h.fakes.tray.isShown && !f.isVisible());
    h.fakes.tray.handler(TrayEvent::LeftPress);
    EXPECT_TRUE(f.isVisible() && f.windowState() == Qt::WindowNoState);
    // Maximised, minimised, restored from the menu: back in the normal state, still one icon.
    f.showMaximized();
    minimise();
    h.fakes.prompts.popupChoices = {"元に戻す"};
    h.fakes.tray.handler(TrayEvent::RightPress);
    EXPECT_TRUE(f.isVisible() && f.windowState() == Qt::WindowNoState);
    openAllDialogs();
    ui(f).quitAction->trigger();
    EXPECT_EQ(QString::number(h.fakes.tray.adds) + QString::number(h.fakes.tray.isShown) + loaded(), "10");

    f.show();
    EXPECT_TRUE(endsTheProgram([this] { f.close(); }));
    f.show();
    minimise();
    h.fakes.prompts.popupChoices = {"終了"};
    EXPECT_TRUE(endsTheProgram([this] { h.fakes.tray.handler(TrayEvent::RightPress); }));

    // Without a notification area the window stays on the taskbar.
    MainWindowHarness noTray;
    noTray.fakes.tray.isAvailable = false;
    ASSERT_TRUE(noTray.load());
    noTray.form().showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(noTray.form().isVisible() && noTray.form().isMinimized());
}

TEST_F(WindowState, ClosingTheDialogsWhileTheWindowIsInTheTrayDoesNotEndTheProgram)
{
    openAllDialogs();
    minimise();  // the replace and about dialogs stay open
    ASSERT_TRUE(!f.isVisible() && dialogs(f).replace && dialogs(f).about);
    // Qt ends a program whose last window closes (unless told otherwise).
    bool lastWindowClosed = false;
    QObject::connect(qApp, &QGuiApplication::lastWindowClosed, &f, [&] { lastWindowClosed = true; });
    QTimer::singleShot(0, &f, [this] {
        dialogs(f).about->close();
        dialogs(f).replace->close();
        // Posted after whatever the closing posted (a request to quit among it).
        QMetaObject::invokeMethod(
            &f, [] { QCoreApplication::exit(7); }, Qt::QueuedConnection);
    });
    EXPECT_EQ(QApplication::exec(), 7);
    EXPECT_FALSE(lastWindowClosed) << "a dialog counted as the program's last window";
    EXPECT_EQ(loaded(), "");
}

// The display button for search hits shows the hit selected in the search dialog.
TEST(MainWindowSearchHit, ShowsTheSelectedHitWithTheKeywordSelectedOrReportsAHitThatChanged)
{
    MainWindowHarness h;
    // "あ" 40,000 times after 100,000 one-byte characters: the hit lies beyond character 32767.
    auto& f = h.loadWith({{"a.txt", "x timeout"},
                          {"big.txt", QByteArray(100000, 'a') + QByteArray("\x82\xa0", 2).repeated(40000) + "timeout"},
                          {"b.txt", "no keyword"}});
    soramie::SearchDialog& search = f.loadSearchDialog();
    search.keywordField->setText("timeout");
    viewerState(f).shownFrom = soramie::ShownFrom::SearchHit;
    search.hitList->addItems({h.logs("a.txt"), h.logs("big.txt"), h.logs("b.txt"), h.logs("gone.txt")});
    ui(f).showButton->setEnabled(true);
    f.showSelectedFile();  // no entry selected (its hit was deleted)
    EXPECT_TRUE(!ui(f).showButton->isEnabled() && ui(f).pane->text().isEmpty());

    QStringList shown;
    for (int row = 0; row < 4; ++row) {
        search.hitList->setCurrentRow(row);
        f.showSelectedFile();
        shown << QString("%1:%2").arg(ui(f).pane->selectionStart()).arg(ui(f).pane->selectionLength());
    }
    EXPECT_EQ(shown, QStringList({"2:7", "140000:7", "0:0", "0:0"}));
    EXPECT_EQ(f.focusWidget(), ui(f).pane);
    EXPECT_EQ(h.windowState(), "SORAMIE - timeout -|Total 3 Files(*.txt)|logs gone.txt |File Size  byte");
    // No keyword any more: once; a file that cannot be read: once per failed step, by the display.
    EXPECT_EQ(h.boxes(), QStringList(4, "エラー|このファイルは開けません"));
    EXPECT_TRUE(viewerState(f).shownPath.isEmpty());
}

// A pane size set in the settings dialog comes back as typed, not as its
// pixels in twips (6254 is 417 pixels, which read back as 6255), so OK on the
// values shown changes nothing.
TEST(MainWindowSettings, APaneSizeComesBackAsTypedAndOkOnItLeavesTheWindowAlone)
{
    MainWindowHarness h;
    auto& f = h.loadWith({});
    f.show();
    const auto reopen = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ui(f).settingsAction->trigger();
        return dialogs(f).settings.data();
    };
    soramie::SettingsDialog* d = reopen();
    d->paneHeightField->setText("6254");
    d->paneWidthField->setText("9001");
    d->okButton->click();
    const QSize size = f.size();
    d = reopen();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->paneHeightField->text() + "|" + d->paneWidthField->text(), "6254|9001");
    d->okButton->click();
    EXPECT_EQ(f.size(), size);

    ui(f).pane->resize(ui(f).pane->width(), 500);  // resized since: the pixels count
    d = reopen();
    EXPECT_EQ(d->paneHeightField->text(), "7500");
}

// While each box and picker of the settings, search and replace dialogs is
// open, the main window is resized, maximised and minimised and a file is
// handed over. No dialog goes while its handler (and so its box) runs; the
// settings and search dialogs are unloaded, the replace dialog stays, and the
// handed-over file is shown once the window is free again.
TEST(MainWindowChaos, ResizesAndAHandOverWhileAnyDialogBoxIsOpenLeaveOneConsistentProgram)
{
    using SettingsDialog = soramie::SettingsDialog;
    using Opener = std::function<void(MainWindowHarness&, soramie::MainWindow&)>;
    const auto settings = [](const char* height, const char* width, QPushButton* SettingsDialog::*button) -> Opener {
        return [=](MainWindowHarness&, soramie::MainWindow& f) {
            ui(f).settingsAction->trigger();
            dialogs(f).settings->paneHeightField->setText(height);
            dialogs(f).settings->paneWidthField->setText(width);
            (dialogs(f).settings->*button)->click();
        };
    };
    const auto search = [](const QString& keyword, const QString& hit) -> Opener {
        return [=](MainWindowHarness& h, soramie::MainWindow& f) {
            ui(f).keywordSearchAction->trigger();
            dialogs(f).search->keywordField->setText(keyword);
            if (hit.isEmpty()) return dialogs(f).search->searchButton->click();
            ui(f).showButton->hide();  // quick mode: a press shows the hit
            dialogs(f).search->hitList->addItem(h.logs(hit));
            dialogs(f).search->hitList->setCurrentRow(0);
            dialogs(f).search->onHitPressed(Qt::LeftButton, QPoint());
        };
    };
    const auto replace = [](const char* start, const char* end) -> Opener {
        return [=](MainWindowHarness& h, soramie::MainWindow& f) {
            h.show("a.txt");
            ui(f).replaceAction->trigger();
            dialogs(f).replace->findOrStartField->setText(start);
            dialogs(f).replace->endField->setText(end);
            dialogs(f).replace->replaceAllButton->click();
        };
    };
    // The box's text or the picker's kind, and how its dialog comes to ask.
    const std::pair<QString, Opener> boxes[] = {
        {"高さに設定出来る数値は、280～10000までです", settings("279", "8895", &SettingsDialog::okButton)},
        {"幅に設定出来る数値は、8895～20000までです",
         settings("7005", "1", &SettingsDialog::applyButton)},  // after its resize
        {"open", settings("6255", "8895", &SettingsDialog::pickProgramButton)},
        {"open", settings("6255", "8895", &SettingsDialog::pickBrowserButton)},
        {"folder", settings("6255", "8895", &SettingsDialog::pickWorkFolderButton)},
        {"キーワードを入れて下さい", search("", "")},
        {"なるべくテキストファイルの少ないところで実行して下さい。実行しますか？", search("a", "")},
        {"このファイルは開けません", search("a", "gone.txt")},
        {"検索範囲を指定して下さい", replace("", "")},
        {"置換しますか？", replace("[", "]")},
        {"1個の項目を置換しました。", replace("[", "]")},
    };
    for (const auto& [text, opener] : boxes) {
        const QString asked = text;  // the lambdas below capture it
        SCOPED_TRACE(asked.toStdString());
        MainWindowHarness h;
        auto& f = h.loadWith({{"a.txt", "[a]"}, {"handed.txt", "handed"}});
        f.show();
        const QString handed = h.logs("handed.txt");
        QPointer<QWidget> seen[3];
        int times = 0;
        const auto whileOpen = [&](const QString& what) {
            if (what != asked || times++ > 0) return;
            seen[0] = dialogs(f).settings, seen[1] = dialogs(f).search, seen[2] = dialogs(f).replace;
            f.resize(f.size() + QSize(40, 30));
            f.showMaximized();
            f.showMinimized();
            f.showHandedOverFile(handed);
        };
        h.fakes.prompts.onMessage = [&](const auto& request) { whileOpen(request.text); };
        h.fakes.pickers.onOpen = [&](const auto& request) { whileOpen(request.kind); };
        opener(h, f);
        // A hit that is gone fails its open, size and read steps: one box each.
        EXPECT_EQ(times, asked == "このファイルは開けません" ? 3 : 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return viewerState(f).shownPath == handed; }))
            << "the handed-over file is shown";
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // (A folder change of the hand-over creates a hidden search dialog again.)
        EXPECT_TRUE(seen[0].isNull() && seen[1].isNull() && !dialogs(f).settings &&
                    (!dialogs(f).search || !dialogs(f).search->isVisible()));
        EXPECT_TRUE(!seen[2] || (seen[2] == dialogs(f).replace && dialogs(f).replace->isVisible()));
        EXPECT_TRUE(f.isVisible() && !f.isMinimized() && f.isEnabled() && h.fakes.tray.isShown);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            EXPECT_TRUE(!window->isVisible() || window == &f || window == dialogs(f).replace)
                << window->windowTitle().toStdString();
        }
    }
}

// The controls (buttons, check boxes, labels, group boxes) of window whose
// caption does not fit the place they have, as "objectName: caption". Status
// bar panels show data, not captions.
QStringList cutCaptions(const QWidget& window)
{
    QStringList cut;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        QString caption;
        int decoration = 0;  // room the control needs besides the text
        if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            caption = button->text();
            decoration = qobject_cast<const QCheckBox*>(w)
                             ? w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                                   w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w)
                             : 4;  // a button's frame, both sides
        } else if (const auto* label = qobject_cast<const QLabel*>(w)) {
            caption = label->text();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(w)) {
            caption = group->title();
        }
        caption.remove('&');
        if (caption.isEmpty() || w->isHidden() || qobject_cast<const QStatusBar*>(w->parentWidget())) continue;
        const QFontMetrics metrics = w->fontMetrics();
        if (metrics.horizontalAdvance(caption) + decoration > w->width() || metrics.height() > w->height())
            cut << w->objectName() + ": " + caption;
    }
    return cut;
}

// Under each Japanese UI font installed here: no empty band between the main
// window's controls and its status bar, no caption of any window cut off, the
// settings labels in one size, and the search dialog's status bar below its controls.
TEST(MainWindowLayout, EveryCaptionIsWholeAndNoWindowLeavesABandOrCoversItsControls)
{
    const QFont saved = QApplication::font();
    int fonts = 0;
    for (const QString family : {"IPAGothic", "Noto Sans CJK JP"}) {
        if (!QFontDatabase::families().contains(family)) continue;
        ++fonts;
        QApplication::setFont(QFont(family, 9));
        SCOPED_TRACE(family.toStdString());
        MainWindowHarness h;
        h.load();
        soramie::MainWindow& f = h.form();
        f.show();
        EXPECT_EQ(f.centralWidget()->height(), ui(f).pane->geometry().bottom() + 1);
        EXPECT_EQ(f.statusBar()->y(), f.centralWidget()->geometry().bottom() + 1);
        for (QAction* open : {ui(f).settingsAction, ui(f).keywordSearchAction, ui(f).replaceAction, ui(f).aboutAction})
            open->trigger();
        soramie::SettingsDialog& settings = *dialogs(f).settings;
        soramie::SearchDialog& search = *dialogs(f).search;
        EXPECT_EQ(cutCaptions(f) + cutCaptions(settings) + cutCaptions(search) + cutCaptions(*dialogs(f).replace) +
                      cutCaptions(*dialogs(f).about),
                  QStringList());
        QSet<qreal> sizes;
        for (const QLabel* label : settings.findChildren<QLabel*>()) sizes << label->font().pointSizeF();
        EXPECT_EQ(sizes.size(), 1);
        const int controlsBottom =
            std::max({search.subfoldersCheck->geometry().bottom(), search.logFilesCheck->geometry().bottom(),
                      search.clearButton->geometry().bottom()});
        EXPECT_GT(search.statusBar->y(), controlsBottom);
        EXPECT_EQ(search.progressBar->parentWidget(), search.statusBar);
        EXPECT_LE(search.subfoldersCheck->geometry().right(), search.logFilesCheck->x());
    }
    QApplication::setFont(saved);
    if (fonts == 0) GTEST_SKIP() << "no Japanese font installed";
}

}  // namespace
