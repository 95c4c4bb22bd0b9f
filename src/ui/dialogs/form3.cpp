// SPDX-License-Identifier: MIT
#include "ui/dialogs/form3.h"

#include "document/document.h"
#include "search/scan.h"
#include "search/walk.h"
#include "settings/settings.h"
#include "ui/common/main_window_port.h"
#include "ui/common/path_text.h"
#include "ui/common/twips.h"
#include "ui/pane/text_pane.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace soramie {

using twips::control;

using twips::px;

void ResultList::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    emit mousePressed(event->button(), event->globalPosition().toPoint());
}

namespace {

const QString kSeparator = QStringLiteral("/");

// Unreadable candidates listed in the count panel's tool tip.
constexpr std::size_t kUnreadableShown = 20;

// One search's work, shared by the GUI thread and the worker thread. The
// worker fills candidates and result; the GUI thread reads them only after
// joining the worker.
struct SearchJob {
    std::filesystem::path root;
    std::string pattern;
    search::Subfolders subfolders = search::Subfolders::Include;
    std::u16string keyword;
    std::vector<std::filesystem::path> candidates;
    search::ScanResult result;
    std::atomic<bool> cancel{false};
    std::atomic<int> lastPercent{-1};
};

QString countText(std::size_t hits, std::size_t unreadable)
{
    QString text = QString::number(hits) + QStringLiteral(" 件");
    if (unreadable > 0) text += QStringLiteral(" (読めないファイル %1)").arg(unreadable);
    return text;
}

QString unreadableList(const std::vector<IoError>& errors)
{
    QStringList lines;
    for (std::size_t i = 0; i < errors.size() && i < kUnreadableShown; ++i) {
        lines << displayPath(fromNativePath(errors[i].path));
    }
    if (errors.size() > kUnreadableShown) lines << QStringLiteral("...");
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

Form3::Form3(MainWindowPort& main) : DialogWindow(main, Twips(0))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("検索"));

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(client);

    txtType = control(new QLineEdit(client), "txtType", QStringLiteral("キーワード(検索)"), 1570, 25, 3850, 300);
    Command4 = control(new QPushButton(QStringLiteral("文字列検索"), client), "Command4", QStringLiteral("文字列検索"),
                       10, 25, 1515, 300);
    List2 = control(new ResultList(client), "List2", QStringLiteral("検索結果"), 10, 360, 5415, 1500);
    List2->setUniformItemSizes(true);
    List2->setItemDelegate(new PathDelegate(List2));
    Check1 =
        control(new QCheckBox(QStringLiteral("サブフォルダ対象"), client), "Check1", QString(), 30, 1900, 1695, 300);
    Check1->setChecked(true);
    Check4 = control(new QCheckBox(QStringLiteral("*.log 検索"), client), "Check4",
                     QStringLiteral("デフォルトは*.txtです"), 1800, 1900, 1095, 300);
    Command10 = control(new QPushButton(QStringLiteral("クリア"), client), "Command10", QStringLiteral("クリア"), 4080,
                        1890, 1275, 300);
    Command10->setEnabled(false);
    // A check box whose caption needs more room than its place gets it (the
    // one beside it moves right as far as needed), so no caption is cut off.
    Check1->resize(std::max(Check1->width(), Check1->sizeHint().width()), Check1->height());
    Check4->move(std::max(Check4->x(), Check1->geometry().right() + px(75)), Check4->y());
    Check4->resize(std::max(Check4->width(), Check4->sizeHint().width()), Check4->height());

    // The status bar runs along the bottom edge, below the controls, with the
    // progress bar at its right end: neither covers anything.
    StatusBar1 = new QStatusBar(client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    const int panelWidths[] = {px(2400), px(1500)};
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(StatusBar1);
        label->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setFixedWidth(panelWidths[i]);
        StatusBar1->addWidget(label);
        panels_[i] = label;
    }

    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedSize(px(1400), px(200));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    StatusBar1->addPermanentWidget(ProgressBar1);
    const int barHeight = StatusBar1->sizeHint().height();
    const int controlsBottom =
        std::max({Check1->geometry().bottom(), Check4->geometry().bottom(), Command10->geometry().bottom()}) + 1;
    client->setFixedSize(px(5430), std::max(px(2475) - barHeight, controlsBottom) + barHeight);
    StatusBar1->setGeometry(0, client->height() - barHeight, client->width(), barHeight);

    setTabOrder(txtType, Command4);
    setTabOrder(Command4, List2);
    setTabOrder(List2, Check1);
    setTabOrder(Check1, Check4);
    setTabOrder(Check4, Command10);

    connect(Command4, &QPushButton::clicked, this, &Form3::Command4_Click);
    connect(Command10, &QPushButton::clicked, this, &Form3::Command10_Click);
    connect(List2, &ResultList::mousePressed, this, &Form3::List2_MouseDown);
    // Panel 1 names the folder a search covers from the start, also for a
    // dialog created again after the main window unloaded it.
    setPanel(1, displayPath(main_.currentFolder()));
}

Form3::~Form3() = default;

QString Form3::panel(int n) const { return panels_[n - 1]->text(); }

void Form3::setPanel(int n, const QString& text) { panels_[n - 1]->setText(text); }

QString Form3::selectedPath() const
{
    const QListWidgetItem* item = List2->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

platform::Answer Form3::ask(const platform::MessageRequest& request)
{
    setTopmost(0);
    const platform::Answer answer = main_.services().prompts.message(boxOwner(), request);
    setTopmost(1);
    return answer;
}

void Form3::Command4_Click()
{
    const Handling handling(*this);
    if (searching_) return;
    searchFiles.clear();
    const QString keyword = txtType->text();
    if (keyword.isEmpty()) {
        ask({QStringLiteral("キーワードを入れて下さい"), QStringLiteral("警告"), platform::Buttons::Ok,
             platform::Icon::Warning});
    } else {
        Command4->setEnabled(false);
        const platform::Answer answer =
            ask({QStringLiteral("なるべくテキストファイルの少ないところで実行して下さい。実行しますか？"),
                 QStringLiteral("警告"), platform::Buttons::YesNo, platform::Icon::Warning});
        if (answer == platform::Answer::Yes) runSearch(keyword);
    }
    Command10->setEnabled(true);
    Command4->setEnabled(true);
    ProgressBar1->setValue(0);
    txtType->setEnabled(true);
}

void Form3::runSearch(const QString& keyword)
{
    searching_ = true;
    disableWindows();

    QString root = main_.currentFolder();
    if (!root.endsWith(kSeparator)) root += kSeparator;
    txtType->setEnabled(false);
    List2->clear();
    setPanel(2, QString());
    panels_[1]->setToolTip(QString());

    SearchJob job;
    job.root = toNativePath(root);
    job.pattern = Check4->isChecked() ? "*.log" : "*.txt";
    job.subfolders = Check1->isChecked() ? search::Subfolders::Include : search::Subfolders::Exclude;
    job.keyword = keyword.toStdU16String();
    main_.setDisplayButtonEnabled(false);

    // The walk and the reading run off the GUI thread; the GUI thread runs a
    // local event loop meanwhile, so the windows repaint and the progress bar
    // moves. Progress reaches the bar as queued calls, one per whole percent.
    QEventLoop loop;
    bool finished = false;
    QProgressBar* bar = ProgressBar1;
    std::thread worker([&job, &loop, &finished, bar] {
        // Whatever happens here, the GUI thread is told that the work ended.
        try {
            search::WalkControl walkControl;
            walkControl.cancel = &job.cancel;
            search::walkFolder(job.root, job.pattern, job.subfolders, job.candidates, walkControl);
            search::ScanOptions options;
            options.threads = 2;
            options.cancel = &job.cancel;
            options.progress = [&job, bar](std::size_t done, std::size_t total) {
                const int percent = static_cast<int>(done * 100 / total);
                if (job.lastPercent.exchange(percent) == percent) return;
                QMetaObject::invokeMethod(
                    bar, [bar, percent] { bar->setValue(percent); }, Qt::QueuedConnection);
            };
            job.result = search::scanFiles(job.candidates, job.keyword, options);
        } catch (const std::exception&) {
            // Out of memory: the search ends without hits instead of the program.
            job.result = {};
        }
        QMetaObject::invokeMethod(
            &loop,
            [&loop, &finished] {
                finished = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    loop.exec();
    // The loop also ends when the application quits: the work stops at the next file.
    if (!finished) job.cancel.store(true);
    worker.join();
    searchFiles = std::move(job.candidates);

    QStringList hits;
    hits.reserve(static_cast<qsizetype>(job.result.hits.size()));
    for (const auto& hit : job.result.hits) hits << fromNativePath(hit.native());
    List2->addItems(hits);
    setPanel(2, countText(static_cast<std::size_t>(List2->count()), job.result.unreadable.size()));
    panels_[1]->setToolTip(unreadableList(job.result.unreadable));

    enableWindows();
    searching_ = false;
}

void Form3::disableWindows()
{
    disabled_.clear();
    for (QWidget* window : main_.commandWindows()) disabled_.emplace_back(window);
    disabled_.emplace_back(this);
    for (const auto& window : disabled_) window->setEnabled(false);
}

void Form3::enableWindows()
{
    for (const auto& window : disabled_) {
        if (window) window->setEnabled(true);
    }
    disabled_.clear();
}

void Form3::Command10_Click()
{
    const Handling handling(*this);
    List2->clear();
    txtType->clear();
    txtType->setEnabled(true);
    main_.state().Flag = 0;
    main_.setDisplayButtonEnabled(false);
    Command10->setEnabled(false);
}

void Form3::List2_MouseDown(Qt::MouseButton button, QPoint globalPos)
{
    const Handling handling(*this);
    if (searching_) return;
    QString path = selectedPath();
    if (button == Qt::RightButton) {
        // The program is read again from the settings file before the popup.
        const settings::SettingsFile file(toNativePath(main_.services().app.settingsPath()));
        main_.state().pro = QString::fromStdU16String(file.ReadSetting(settings::kSection, settings::kProgram, u""));
        main_.showFilePopup(path, globalPos);
        // A command that removed the entry (delete) leaves nothing selected,
        // not the entry that took its place.
        if (!path.isEmpty() && List2->findItems(path, Qt::MatchExactly).isEmpty()) {
            List2->clearSelection();
            path.clear();
        }
    }
    if (main_.quickMode()) showHit(path);
    main_.setDisplayButtonEnabled(true);
    main_.state().Flag = 2;
    main_.refreshFileList();
}

void Form3::showHit(const QString& path)
{
    if (!main_.mayDropEdits()) return;
    TextPane& pane = main_.pane();
    ViewerState& state = main_.state();
    main_.enableDisplay();
    pane.setDocument(nullptr);
    state.shownPath.clear();
    if (path.isEmpty()) return;
    auto loaded = Document::fromFile(toNativePath(path));
    if (!loaded) {
        // A hit removed or locked since the search: one message, the pane stays empty.
        ask({QStringLiteral("このファイルは開けません"), QStringLiteral("エラー"), platform::Buttons::Ok,
             platform::Icon::Critical});
        return;
    }
    pane.setDocument(*loaded);
    state.shownPath = path;
    main_.setPanel(
        3, QStringLiteral("        File Size ") + QString::number((*loaded)->size().value) + QStringLiteral(" byte"));
    const QString keyword = txtType->text();
    main_.setCaption(keyword);
    // Only from the second press on (the shown file came from this list) is
    // the keyword selected; a keyword that no longer occurs selects nothing.
    if (state.Flag == 2) (void)main_.selectKeyword(keyword);
    setPanel(2, folderFileLabel(path));
}

}  // namespace soramie
