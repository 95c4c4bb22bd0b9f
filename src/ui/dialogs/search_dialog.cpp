// SPDX-License-Identifier: MIT
#include "ui/dialogs/search_dialog.h"

#include "document/document.h"
#include "search/scan.h"
#include "search/walk.h"
#include "settings/settings.h"
#include "ui/common/command.h"
#include "ui/common/main_window_port.h"
#include "ui/common/path_text.h"
#include "ui/common/status_text.h"
#include "ui/common/twips.h"
#include "ui/pane/text_pane.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <exception>

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
// worker fills candidates and result; the GUI thread reads them only once the
// command has ended.
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

SearchDialog::SearchDialog(MainWindowPort& main) : DialogWindow(main, Twips(0))
{
    setObjectName(QStringLiteral("SearchDialog"));
    setWindowTitle(QStringLiteral("検索"));

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(client);

    keywordField =
        control(new QLineEdit(client), "keywordField", QStringLiteral("キーワード(検索)"), 1570, 25, 3850, 300);
    searchButton = control(new QPushButton(QStringLiteral("文字列検索"), client), "searchButton",
                           QStringLiteral("文字列検索"), 10, 25, 1515, 300);
    hitList = control(new ResultList(client), "hitList", QStringLiteral("検索結果"), 10, 360, 5415, 1500);
    hitList->setUniformItemSizes(true);
    hitList->setItemDelegate(new PathDelegate(hitList));
    subfoldersCheck = control(new QCheckBox(QStringLiteral("サブフォルダ対象"), client), "subfoldersCheck", QString(),
                              30, 1900, 1695, 300);
    subfoldersCheck->setChecked(true);
    logFilesCheck = control(new QCheckBox(QStringLiteral("*.log 検索"), client), "logFilesCheck",
                            QStringLiteral("デフォルトは*.txtです"), 1800, 1900, 1095, 300);
    clearButton = control(new QPushButton(QStringLiteral("クリア"), client), "clearButton", QStringLiteral("クリア"),
                          4080, 1890, 1275, 300);
    clearButton->setEnabled(false);
    // A check box whose caption needs more room than its place gets it (the
    // one beside it moves right as far as needed), so no caption is cut off.
    subfoldersCheck->resize(std::max(subfoldersCheck->width(), subfoldersCheck->sizeHint().width()),
                            subfoldersCheck->height());
    logFilesCheck->move(std::max(logFilesCheck->x(), subfoldersCheck->geometry().right() + px(75)), logFilesCheck->y());
    logFilesCheck->resize(std::max(logFilesCheck->width(), logFilesCheck->sizeHint().width()), logFilesCheck->height());

    // The status bar runs along the bottom edge, below the controls, with the
    // progress bar at its right end: neither covers anything.
    statusBar = new QStatusBar(client);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    statusBar->setSizeGripEnabled(false);
    const int panelWidths[] = {px(2400), px(1500)};
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(statusBar);
        label->setObjectName(QStringLiteral("panel%1").arg(i + 1));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setFixedWidth(panelWidths[i]);
        statusBar->addWidget(label);
        panels_[i] = label;
    }

    progressBar = new QProgressBar(statusBar);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setFixedSize(px(1400), px(200));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    statusBar->addPermanentWidget(progressBar);
    const int barHeight = statusBar->sizeHint().height();
    const int controlsBottom = std::max({subfoldersCheck->geometry().bottom(), logFilesCheck->geometry().bottom(),
                                         clearButton->geometry().bottom()}) +
                               1;
    client->setFixedSize(px(5430), std::max(px(2475) - barHeight, controlsBottom) + barHeight);
    statusBar->setGeometry(0, client->height() - barHeight, client->width(), barHeight);

    setTabOrder(keywordField, searchButton);
    setTabOrder(searchButton, hitList);
    setTabOrder(hitList, subfoldersCheck);
    setTabOrder(subfoldersCheck, logFilesCheck);
    setTabOrder(logFilesCheck, clearButton);

    connect(searchButton, &QPushButton::clicked, this, &SearchDialog::startSearch);
    connect(clearButton, &QPushButton::clicked, this, &SearchDialog::clearResults);
    connect(hitList, &ResultList::mousePressed, this, &SearchDialog::onHitPressed);
    // Panel 1 names the folder a search covers from the start, also for a
    // dialog created again after the main window unloaded it.
    setPanel(1, displayPath(main_.currentFolder()));
}

SearchDialog::~SearchDialog() = default;

QString SearchDialog::panel(int n) const { return panels_[n - 1]->text(); }

void SearchDialog::setPanel(int n, const QString& text) { panels_[n - 1]->setText(text); }

bool SearchDialog::hasHits() const { return hitList->count() != 0 && !hitList->item(0)->text().isEmpty(); }

QString SearchDialog::keyword() const { return keywordField->text(); }

void SearchDialog::removeSelectedHit(const QString& path)
{
    QListWidgetItem* item = hitList->currentItem();
    if (item && item->isSelected() && item->text() == path) delete hitList->takeItem(hitList->row(item));
}

QString SearchDialog::selectedPath() const
{
    const QListWidgetItem* item = hitList->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

platform::Answer SearchDialog::ask(const platform::MessageRequest& request)
{
    setAlwaysOnTop(false);
    const platform::Answer answer = main_.services().prompts.message(boxOwner(), request);
    setAlwaysOnTop(true);
    return answer;
}

void SearchDialog::startSearch()
{
    const Handling handling(*this);
    if (searching_) return;
    candidateFiles.clear();
    const QString keyword = keywordField->text();
    if (keyword.isEmpty()) {
        ask({QStringLiteral("キーワードを入れて下さい"), QStringLiteral("警告"), platform::Buttons::Ok,
             platform::Icon::Warning});
    } else {
        searchButton->setEnabled(false);
        const platform::Answer answer =
            ask({QStringLiteral("なるべくテキストファイルの少ないところで実行して下さい。実行しますか？"),
                 QStringLiteral("警告"), platform::Buttons::YesNo, platform::Icon::Warning});
        if (answer == platform::Answer::Yes) runSearch(keyword);
    }
    clearButton->setEnabled(true);
    searchButton->setEnabled(true);
    progressBar->setValue(0);
    keywordField->setEnabled(true);
}

void SearchDialog::runSearch(const QString& keyword)
{
    searching_ = true;
    disableWindows();

    QString root = main_.currentFolder();
    if (!root.endsWith(kSeparator)) root += kSeparator;
    keywordField->setEnabled(false);
    hitList->clear();
    setPanel(2, QString());
    panels_[1]->setToolTip(QString());

    SearchJob job;
    job.root = toNativePath(root);
    job.pattern = logFilesCheck->isChecked() ? "*.log" : "*.txt";
    job.subfolders = subfoldersCheck->isChecked() ? search::Subfolders::Include : search::Subfolders::Exclude;
    job.keyword = keyword.toStdU16String();
    main_.setDisplayButtonEnabled(false);

    // The walk and the reading run as a command over this dialog: off the GUI
    // thread, while the GUI thread keeps the windows painting (they are
    // disabled, so no other command starts). Progress reaches the bar as queued
    // calls, one per whole percent; the dialog's bar is the only feedback.
    QProgressBar* bar = progressBar;
    CommandStyle style;
    style.input = CommandStyle::Input::Delivered;
    style.feedback = CommandStyle::Feedback::Own;
    // An application quit stops the work at the next file.
    style.cancelOnQuit = &job.cancel;
    (void)runCommand(
        *this,
        [&job, bar](const CommandProgress&) {
            // Whatever fails here ends the search without hits, not the program.
            try {
                search::WalkControl walkControl;
                walkControl.cancel = &job.cancel;
                search::collectCandidates(job.root, job.pattern, job.subfolders, job.candidates, walkControl);
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
                job.result = {};
            }
        },
        style);
    candidateFiles = std::move(job.candidates);

    QStringList hits;
    hits.reserve(static_cast<qsizetype>(job.result.hits.size()));
    for (const auto& hit : job.result.hits) hits << fromNativePath(hit.native());
    hitList->addItems(hits);
    setPanel(2, countText(static_cast<std::size_t>(hitList->count()), job.result.unreadable.size()));
    panels_[1]->setToolTip(unreadableList(job.result.unreadable));

    enableWindows();
    searching_ = false;
}

void SearchDialog::disableWindows()
{
    disabled_.clear();
    for (QWidget* window : main_.commandWindows()) disabled_.emplace_back(window);
    disabled_.emplace_back(this);
    for (const auto& window : disabled_) window->setEnabled(false);
}

void SearchDialog::enableWindows()
{
    for (const auto& window : disabled_) {
        if (window) window->setEnabled(true);
    }
    disabled_.clear();
}

void SearchDialog::clearResults()
{
    const Handling handling(*this);
    hitList->clear();
    keywordField->clear();
    keywordField->setEnabled(true);
    main_.setShownFrom(ShownFrom::FileList);
    main_.setDisplayButtonEnabled(false);
    clearButton->setEnabled(false);
}

void SearchDialog::onHitPressed(Qt::MouseButton button, QPoint globalPos)
{
    const Handling handling(*this);
    if (searching_) return;
    QString path = selectedPath();
    if (button == Qt::RightButton) {
        // The program is read again from the settings file before the popup.
        const settings::SettingsFile file(toNativePath(main_.services().app.settingsPath()));
        main_.userSettings().programCommand =
            QString::fromStdU16String(file.readSetting(settings::kSection, settings::kProgram, u""));
        // The boxes of the chosen command ("削除しますか？", a program that
        // cannot start) belong to the main window: they stand above this
        // dialog only while it is not on top.
        setAlwaysOnTop(false);
        main_.showFilePopup(path, globalPos);
        setAlwaysOnTop(true);
        // A command that removed the entry (delete) leaves nothing selected,
        // not the entry that took its place.
        if (!path.isEmpty() && hitList->findItems(path, Qt::MatchExactly).isEmpty()) {
            hitList->clearSelection();
            path.clear();
        }
    }
    if (main_.quickMode()) showHit(path);
    main_.setDisplayButtonEnabled(true);
    main_.setShownFrom(ShownFrom::SearchHit);
    main_.refreshFileList();
}

void SearchDialog::showHit(const QString& path)
{
    // The main window's boxes (unsaved edits, a hit that cannot be read) stand
    // above this dialog only while it is not on top; leaving that state
    // re-creates the window, so it is left only when a box may come.
    const bool boxMayCome =
        main_.pane().hasUnsavedEdits() || (!path.isEmpty() && ::access(toNativePath(path).c_str(), R_OK) != 0);
    if (boxMayCome) setAlwaysOnTop(false);
    main_.showSearchHitFile(path, keywordField->text(), HitPress::QuickPress);
    if (boxMayCome) setAlwaysOnTop(true);
    if (!path.isEmpty()) setPanel(2, folderAndFileLabel(path));
}

}  // namespace soramie
