// SPDX-License-Identifier: MIT
// MainWindow: construction, layout, start-up and the port the dialogs use.
#include "ui/main/main_window.h"

#include "document/document.h"
#include "settings/settings.h"
#include "ui/common/path_text.h"
#include "ui/common/program_icon.h"
#include "ui/common/twips.h"
#include "ui/dialogs/replace_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/main/file_browser.h"
#include "ui/main/find_bar.h"
#include "ui/main/follow.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace soramie {

// The status bar's four panels: labels side by side, panel 4 fixed.
class StatusPanels : public QStatusBar {
public:
    explicit StatusPanels(QWidget* parent) : QStatusBar(parent)
    {
        setSizeGripEnabled(false);
        const int widths[] = {180, 160, 150, 0};
        for (int i = 0; i < 4; ++i) {
            auto* label = new QLabel(this);
            label->setFrameShape(QFrame::StyledPanel);
            label->setFrameShadow(QFrame::Sunken);
            label->setObjectName(QStringLiteral("panel%1").arg(i + 1));
            if (widths[i] > 0) label->setMinimumWidth(widths[i]);
            addWidget(label, i == 3 ? 1 : 0);
            panels[i] = label;
        }
        // The state of the shown file's reading, beside the numbered panels.
        note = new QLabel(this);
        note->setObjectName(QStringLiteral("loadStatus"));
        // A note never widens the status bar (nor the window): it takes the
        // room the panels leave; the tool tip holds a text too long for it.
        note->setMinimumWidth(1);
        note->setMaximumWidth(note->fontMetrics().horizontalAdvance(QStringLiteral("ファイルが縮小されました")) + 8);
        addPermanentWidget(note);
    }
    QLabel* panels[4] = {};
    QLabel* note = nullptr;
};

namespace {

using twips::place;

// The frame around the client area that the window sizes in twips include
// (borders, caption and menu bar).
constexpr Twips kFrameWidth(90);
constexpr Twips kFrameHeight(660);
// The status bar belongs to the client area, below the controls: it counts as
// this height whatever its height in pixels, so that the controls end right
// above it (no empty band) and the client area of the design is 11295 x 7110.
constexpr Twips kStatusBarHeight(240);

QToolButton* pictureButton(QWidget* parent, const char* name, QStyle::StandardPixmap picture, const QString& toolTip)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(picture));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(toolTip);
    return button;
}

QAction* item(QMenu* menu, const char* name, const QString& caption, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
}

}  // namespace

QString MainWindow::notepadCommand() { return QStringLiteral("xdg-open"); }

MainWindow::MainWindow(platform::Services services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("SORAMIE"));
    setWindowIcon(programIcon());
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // The design size; the window may grow (the settings dialog and the user
    // resize it) while the controls keep their places.
    client->setMinimumSize(twips::px(11295), (Twips(7110) - kStatusBarHeight).toPixels());
    setCentralWidget(client);
    buildControls(client);
    buildMenus();
    connectHandlers();
    setUpFollowing();
    adjustSize();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls(QWidget* client)
{
    ui_.driveList = new DriveList(client);
    ui_.driveList->setObjectName(QStringLiteral("driveList"));
    place(ui_.driveList, 0, 0, 2415, 300);
    ui_.driveList->setDrives(services_.drives.roots());

    ui_.folderList = new FolderList(client);
    ui_.folderList->setObjectName(QStringLiteral("folderList"));
    place(ui_.folderList, 0, 360, 2415, 2190);

    ui_.filterCombo = new QComboBox(client);
    ui_.filterCombo->setObjectName(QStringLiteral("filterCombo"));
    makeFilterBox(*ui_.filterCombo);
    ui_.filterCombo->addItems({QStringLiteral("*.txt"), QStringLiteral("*.log"), QStringLiteral("*.*")});
    ui_.filterCombo->setCurrentIndex(0);
    ui_.filterCombo->setToolTip(QStringLiteral("拡張子"));
    place(ui_.filterCombo, 40, 2635, 1095, 300);

    ui_.refreshButton = new QPushButton(QStringLiteral("更新"), client);
    ui_.refreshButton->setObjectName(QStringLiteral("refreshButton"));
    ui_.refreshButton->setToolTip(QStringLiteral("更新"));
    place(ui_.refreshButton, 1220, 2640, 1140, 300);

    ui_.fileList = new FileList(client);
    ui_.fileList->setObjectName(QStringLiteral("fileList"));
    ui_.fileList->setToolTip(QStringLiteral("表示ファイル"));
    place(ui_.fileList, -10, 3000, 2455, 3870);

    ui_.showButton = pictureButton(client, "showButton", QStyle::SP_FileDialogContentsView, QStringLiteral("表示"));
    ui_.showButton->setEnabled(false);
    place(ui_.showButton, 2480, 0, 675, 605);

    ui_.clearButton = pictureButton(client, "clearButton", QStyle::SP_DialogResetButton, QStringLiteral("表示クリア"));
    ui_.clearButton->setEnabled(false);
    place(ui_.clearButton, 3200, 0, 675, 605);

    ui_.wrapButton = pictureButton(client, "wrapButton", QStyle::SP_ArrowDown, QStringLiteral("折り返す"));
    ui_.wrapButton->setText(QStringLiteral("折返し"));
    ui_.wrapButton->setIconSize(QSize(16, 16));
    ui_.wrapButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    place(ui_.wrapButton, 3920, 0, 675, 605);

    ui_.pane = new TextPane(client);
    ui_.pane->setObjectName(QStringLiteral("pane"));
    place(ui_.pane, 2425, 615, 8895, 6255);
    paneArea_ = ui_.pane->geometry();
    ui_.findBar = new FindBar(*ui_.pane, client);

    ui_.statusBar = new StatusPanels(this);
    ui_.statusBar->setObjectName(QStringLiteral("statusBar"));
    setStatusBar(ui_.statusBar);
    ui_.statusBar->panels[3]->setText(versionText());
    ui_.statusBar->panels[3]->setToolTip(versionText());
}

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    ui_.fileMenu = bar->addMenu(QStringLiteral("ファイル"));
    ui_.fileMenu->setObjectName(QStringLiteral("fileMenu"));
    ui_.openAction = item(ui_.fileMenu, "openAction", QStringLiteral("開く"), QKeySequence(Qt::CTRL | Qt::Key_O));
    ui_.fileMenu->addSeparator();
    ui_.saveAction = item(ui_.fileMenu, "saveAction", QStringLiteral("上書き保存"), QKeySequence(Qt::CTRL | Qt::Key_S));
    ui_.saveAsAction = item(ui_.fileMenu, "saveAsAction", QStringLiteral("名前を付けて保存"));
    ui_.fileMenu->addSeparator();
    ui_.exportHtmlAction =
        item(ui_.fileMenu, "exportHtmlAction", QStringLiteral("HTMLに出力"), QKeySequence(Qt::CTRL | Qt::Key_H));
    ui_.fileMenu->addSeparator();
    ui_.quitAction = item(ui_.fileMenu, "quitAction", QStringLiteral("終了"), QKeySequence(Qt::CTRL | Qt::Key_X));

    ui_.editMenu = bar->addMenu(QStringLiteral("編集"));
    ui_.editMenu->setObjectName(QStringLiteral("editMenu"));
    ui_.deleteFileAction =
        item(ui_.editMenu, "deleteFileAction", QStringLiteral("ファイル削除"), QKeySequence(Qt::Key_Delete));
    ui_.editMenu->addSeparator();
    ui_.settingsAction =
        item(ui_.editMenu, "settingsAction", QStringLiteral("設定"), QKeySequence(Qt::CTRL | Qt::Key_E));

    ui_.searchMenu = bar->addMenu(QStringLiteral("検索(その他)"));
    ui_.searchMenu->setObjectName(QStringLiteral("searchMenu"));
    ui_.keywordSearchAction =
        item(ui_.searchMenu, "keywordSearchAction", QStringLiteral("文字列検索"), QKeySequence(Qt::CTRL | Qt::Key_F));
    ui_.replaceAction =
        item(ui_.searchMenu, "replaceAction", QStringLiteral("置換"), QKeySequence(Qt::CTRL | Qt::Key_R));
    ui_.findNextAction = item(ui_.searchMenu, "findNextAction", QStringLiteral("次を検索"), QKeySequence(Qt::Key_F3));
    ui_.findPreviousAction =
        item(ui_.searchMenu, "findPreviousAction", QStringLiteral("前を検索"), QKeySequence(Qt::SHIFT | Qt::Key_F3));
    ui_.quickModeAction =
        item(ui_.searchMenu, "quickModeAction", QStringLiteral("モード変更"), QKeySequence(Qt::CTRL | Qt::Key_M));
    ui_.followAction =
        item(ui_.searchMenu, "followAction", QStringLiteral("末尾を追跡"), QKeySequence(Qt::CTRL | Qt::Key_T));
    ui_.followAction->setCheckable(true);

    ui_.helpMenu = bar->addMenu(QStringLiteral("ヘルプ"));
    ui_.helpMenu->setObjectName(QStringLiteral("helpMenu"));
    ui_.aboutAction = item(ui_.helpMenu, "aboutAction", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

    ui_.filePopup = new QMenu(QStringLiteral("メモ"), this);
    ui_.filePopup->setObjectName(QStringLiteral("filePopup"));
    ui_.openInEditorAction = item(ui_.filePopup, "openInEditorAction", QStringLiteral("メモ帳で開く"));
    ui_.openInProgramAction = item(ui_.filePopup, "openInProgramAction", QStringLiteral("(設定されていません)"));
    ui_.filePopup->addSeparator();
    ui_.popupDeleteAction = item(ui_.filePopup, "popupDeleteAction", QStringLiteral("削除"));

    ui_.trayMenu = new QMenu(QStringLiteral("タスク"), this);
    ui_.trayMenu->setObjectName(QStringLiteral("trayMenu"));
    ui_.restoreAction = item(ui_.trayMenu, "restoreAction", QStringLiteral("元に戻す"));
    ui_.trayMenu->addSeparator();
    ui_.trayQuitAction = item(ui_.trayMenu, "trayQuitAction", QStringLiteral("終了"));
}

void MainWindow::connectHandlers()
{
    connect(ui_.driveList, &DriveList::changed, this, &MainWindow::onDriveChanged);
    connect(ui_.folderList, &FolderList::changed, this, &MainWindow::onFolderChanged);
    connect(ui_.folderList, &FolderList::enterFailed, this, &MainWindow::reportFolderFailure);
    connect(ui_.filterCombo, &QComboBox::activated, this, [this](int) { onFilterChosen(); });
    connect(ui_.refreshButton, &QPushButton::clicked, this, &MainWindow::refreshLists);
    connect(ui_.fileList, &FileList::mousePressed, this, &MainWindow::onFileListPressed);
    // Enter on the list does what a left press does: in quick mode it shows the file.
    connect(ui_.fileList, &FileList::enterPressed, this,
            [this] { onFileListPressed(Qt::LeftButton, ui_.fileList->mapToGlobal(QPoint())); });
    ui_.pane->installEventFilter(this);
    connect(ui_.showButton, &QToolButton::clicked, this, &MainWindow::showSelectedFile);
    connect(ui_.clearButton, &QToolButton::clicked, this, &MainWindow::clearPane);
    connect(ui_.wrapButton, &QToolButton::clicked, this, &MainWindow::wrapPane);
    acceptFileDrops();
    connect(ui_.findBar, &FindBar::heightChanged, this, &MainWindow::layOutPaneArea);
    layOutPaneArea();
    connect(ui_.findNextAction, &QAction::triggered, ui_.findBar, &FindBar::findNextFromWindow);
    connect(ui_.findPreviousAction, &QAction::triggered, ui_.findBar, &FindBar::findPreviousFromWindow);
    connectPane();

    const std::pair<QAction*, void (MainWindow::*)()> commands[] = {
        {ui_.openAction, &MainWindow::openFile},
        {ui_.saveAction, &MainWindow::save},
        {ui_.saveAsAction, &MainWindow::saveAs},
        {ui_.exportHtmlAction, &MainWindow::exportHtml},
        {ui_.quitAction, &MainWindow::quit},
        {ui_.deleteFileAction, &MainWindow::deleteTargetFile},
        {ui_.settingsAction, &MainWindow::showSettings},
        {ui_.keywordSearchAction, &MainWindow::showSearchDialog},
        {ui_.replaceAction, &MainWindow::showReplaceDialog},
        {ui_.quickModeAction, &MainWindow::toggleQuickMode},
        {ui_.aboutAction, &MainWindow::showAbout},
        {ui_.openInEditorAction, &MainWindow::openPopupFileInEditor},
        {ui_.openInProgramAction, &MainWindow::openPopupFileInProgram},
        {ui_.popupDeleteAction, &MainWindow::deletePopupFile},
        {ui_.restoreAction, &MainWindow::restoreFromTray},
        {ui_.trayQuitAction, &MainWindow::quitFromTray},
    };
    for (const auto& [action, handler] : commands) {
        connect(action, &QAction::triggered, this, [this, handler = handler] { (this->*handler)(); });
    }
}

void MainWindow::layOutPaneArea()
{
    // The hidden bar keeps its laid-out place too, so its controls always have their size.
    const int bar = ui_.findBar->sizeHint().height();
    ui_.pane->setGeometry(paneArea_.adjusted(0, 0, 0, ui_.findBar->isHidden() ? 0 : -bar));
    ui_.findBar->setGeometry(paneArea_.x(), paneArea_.bottom() + 1 - bar, paneArea_.width(), bar);
    ui_.findBar->layout()->activate();
}

QString MainWindow::panel(int n) const { return ui_.statusBar->panels[n - 1]->text(); }

QString MainWindow::loadStatus() const { return ui_.statusBar->note->text(); }

void MainWindow::setLoadStatus(const QString& text)
{
    ui_.statusBar->note->setText(text);
    ui_.statusBar->note->setToolTip(text);
}

// ---- The port the dialogs use ------------------------------------------------------------

void MainWindow::setPanel(int n, const QString& text) { ui_.statusBar->panels[n - 1]->setText(text); }

QString MainWindow::currentFolder() const { return ui_.folderList->path(); }

void MainWindow::refreshFileList() { ui_.fileList->refresh(); }

void MainWindow::setCaption(const QString& name)
{
    setWindowTitle(QStringLiteral("SORAMIE - ") + name + QStringLiteral(" -"));
}

bool MainWindow::quickMode() const { return ui_.showButton->isHidden(); }

void MainWindow::setDisplayButtonEnabled(bool enabled) { ui_.showButton->setEnabled(enabled); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Tab types a TAB in the pane; Ctrl+Tab and Ctrl+Shift+Tab move the focus
    // out of it, forward and back.
    if (watched == ui_.pane && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && (key->modifiers() & Qt::ControlModifier) && !(key->modifiers() & Qt::AltModifier)) {
            const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            focusNextPrevChild(!back);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::enableDisplay()
{
    ui_.pane->setEnabled(true);
    ui_.clearButton->setEnabled(true);
}

void MainWindow::showFilePopup(const QString& path, QPoint globalPos)
{
    if (state_.settings.programCommand.isEmpty()) ui_.openInProgramAction->setVisible(false);
    state_.popupFile = path;
    services_.prompts.popup(*ui_.filePopup, globalPos);
}

void MainWindow::setProgramItem(const QString& program, const QString& name)
{
    ui_.openInProgramAction->setVisible(!program.isEmpty());
    ui_.openInProgramAction->setText(name.isEmpty() ? QStringLiteral("(設定されていません)")
                                                    : name + QStringLiteral("で開く"));
}

void MainWindow::showDocument(const DocumentPtr& doc, const QString& path)
{
    ui_.pane->setDocument(doc);
    state_.shownPath = path;
    followShownFile();
}

void MainWindow::forgetShownFile()
{
    ui_.pane->setDocument(nullptr);
    state_.shownPath.clear();
    followShownFile();
}

TwipsSize MainWindow::windowSize() const
{
    const QWidget* client = centralWidget();
    return {Twips::fromPixels(client->width()) + kFrameWidth,
            Twips::fromPixels(client->height()) + kStatusBarHeight + kFrameHeight};
}

void MainWindow::setWindowSize(TwipsSize size)
{
    const QSize client((size.width - kFrameWidth).toPixels(),
                       (size.height - kFrameHeight - kStatusBarHeight).toPixels());
    const QSize target = this->size() + (client - centralWidget()->size());
    if (target != this->size()) resize(target);
}

QList<QWidget*> MainWindow::commandWindows()
{
    QList<QWidget*> out{this};
    if (dialogs_.settings) out << dialogs_.settings.data();
    if (dialogs_.replace) out << dialogs_.replace.data();
    return out;
}

bool MainWindow::start()
{
    const settings::SettingsFile file(toNativePath(services_.app.settingsPath()));
    const auto read = [&file](std::u16string_view key, std::u16string_view def) {
        return QString::fromStdU16String(file.readSetting(settings::kSection, key, def));
    };
    state_.settings.browserCommand = read(settings::kBrowse, u"");
    state_.replaceMode = ReplaceMode::Range;
    state_.settings.typedateValue = read(settings::kTypedate, settings::kTypedateDefault);
    state_.settings.programCommand = read(settings::kProgram, u"");
    state_.settings.programName = read(settings::kName, u"");
    setProgramItem(state_.settings.programCommand, state_.settings.programName);
    wrapLimit_ = 100;

    if (services_.instance.anotherIsRunning()) {
        services_.prompts.message(nullptr, {QStringLiteral("既に起動されています"), QStringLiteral("SORAMIE"),
                                            platform::Buttons::Ok, platform::Icon::Warning});
        return false;
    }

    state_.settings.workFolder = read(settings::kLog, u"");
    // The work folder, else the default folder, else the home folder: the first
    // one that can be entered. The three lists always end on the same folder.
    const QString candidates[] = {state_.settings.workFolder, services_.app.defaultStartFolder,
                                  services_.app.homeFolder, QStringLiteral("/")};
    for (const QString& folder : candidates) {
        if (!folder.isEmpty() && enterStartFolder(folder)) break;
    }
    return true;
}

bool MainWindow::enterStartFolder(const QString& folder)
{
    const QString clean = withoutFinalSeparator(absoluteCleanPath(folder));
    if (!services_.drives.setCurrentFolder(clean)) return false;
    if (!ui_.folderList->setPath(clean)) return false;
    ui_.driveList->setDrive(services_.drives.driveOf(ui_.folderList->path()));
    return true;
}

}  // namespace soramie
