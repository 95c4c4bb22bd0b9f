// SPDX-License-Identifier: MIT
// Form1: construction, layout and start-up.
#include "ui/main/form1.h"

#include "settings/settings.h"
#include "ui/common/path_text.h"
#include "ui/common/program_icon.h"
#include "ui/common/twips.h"
#include "ui/dialogs/form2.h"
#include "ui/dialogs/form4.h"
#include "ui/main/file_browser.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

namespace soramie {

// The status bar's four panels: labels side by side, panel 4 fixed.
class StatusBar4 : public QStatusBar {
public:
    explicit StatusBar4(QWidget* parent) : QStatusBar(parent)
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
    }
    QLabel* panels[4] = {};
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

QAction* separator(QMenu* menu, const char* name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

QString Form1::notepadCommand() { return QStringLiteral("xdg-open"); }

QString Form1::versionText() { return QStringLiteral("SORAMIE ver.0.097a"); }

Form1::Form1(platform::Services services, QWidget* parent) : QMainWindow(parent), services_(std::move(services))
{
    setObjectName(QStringLiteral("Form1"));
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
    adjustSize();
}

Form1::~Form1() = default;

void Form1::buildControls(QWidget* client)
{
    Drive1 = new DriveList(client);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    place(Drive1, 0, 0, 2415, 300);
    Drive1->setDrives(services_.drives.roots());

    Dir1 = new FolderList(client);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    place(Dir1, 0, 360, 2415, 2190);

    Combo1 = new QComboBox(client);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->addItems({QStringLiteral("*.txt"), QStringLiteral("*.log"), QStringLiteral("*.*")});
    Combo1->setCurrentIndex(0);
    Combo1->setToolTip(QStringLiteral("拡張子"));
    place(Combo1, 40, 2635, 1095, 300);

    Command8 = new QPushButton(QStringLiteral("更新"), client);
    Command8->setObjectName(QStringLiteral("Command8"));
    Command8->setToolTip(QStringLiteral("更新"));
    place(Command8, 1220, 2640, 1140, 300);

    File1 = new FileList(client);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setToolTip(QStringLiteral("表示ファイル"));
    place(File1, -10, 3000, 2455, 3870);

    Command1 = pictureButton(client, "Command1", QStyle::SP_FileDialogContentsView, QStringLiteral("表示"));
    Command1->setEnabled(false);
    place(Command1, 2480, 0, 675, 605);

    Command6 = pictureButton(client, "Command6", QStyle::SP_DialogResetButton, QStringLiteral("表示クリア"));
    Command6->setEnabled(false);
    place(Command6, 3200, 0, 675, 605);

    Command12 = pictureButton(client, "Command12", QStyle::SP_ArrowDown, QStringLiteral("折り返す"));
    Command12->setText(QStringLiteral("折返し"));
    Command12->setIconSize(QSize(16, 16));
    Command12->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    place(Command12, 3920, 0, 675, 605);

    Text1 = new TextPane(client);
    Text1->setObjectName(QStringLiteral("Text1"));
    place(Text1, 2425, 615, 8895, 6255);

    Text6 = new QLineEdit(QStringLiteral("100"), client);
    Text6->setObjectName(QStringLiteral("Text6"));
    place(Text6, 8040, 2280, 1215, 270);
    Text6->hide();

    StatusBar1 = new StatusBar4(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    setPanel(4, versionText());
    StatusBar1->panels[3]->setToolTip(versionText());
}

void Form1::buildMenus()
{
    QMenuBar* bar = menuBar();
    appFile = bar->addMenu(QStringLiteral("ファイル"));
    appFile->setObjectName(QStringLiteral("appFile"));
    appOpen = item(appFile, "appOpen", QStringLiteral("開く"), QKeySequence(Qt::CTRL | Qt::Key_O));
    appLine = separator(appFile, "appLine");
    appWrite = item(appFile, "appWrite", QStringLiteral("上書き保存"), QKeySequence(Qt::CTRL | Qt::Key_S));
    appNWrite = item(appFile, "appNWrite", QStringLiteral("名前を付けて保存"));
    appLine2 = separator(appFile, "appLine2");
    appHt = item(appFile, "appHt", QStringLiteral("HTMLに出力"), QKeySequence(Qt::CTRL | Qt::Key_H));
    appLine4 = separator(appFile, "appLine4");
    appExit = item(appFile, "appExit", QStringLiteral("終了"), QKeySequence(Qt::CTRL | Qt::Key_X));

    appHen = bar->addMenu(QStringLiteral("編集"));
    appHen->setObjectName(QStringLiteral("appHen"));
    appDel = item(appHen, "appDel", QStringLiteral("ファイル削除"), QKeySequence(Qt::Key_Delete));
    appLine3 = separator(appHen, "appLine3");
    appSe = item(appHen, "appSe", QStringLiteral("設定"), QKeySequence(Qt::CTRL | Qt::Key_E));

    appS = bar->addMenu(QStringLiteral("検索(その他)"));
    appS->setObjectName(QStringLiteral("appS"));
    appSword = item(appS, "appSword", QStringLiteral("文字列検索"), QKeySequence(Qt::CTRL | Qt::Key_F));
    appOki = item(appS, "appOki", QStringLiteral("置換"), QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuMode = item(appS, "mnuMode", QStringLiteral("モード変更"), QKeySequence(Qt::CTRL | Qt::Key_M));

    mnuHelp = bar->addMenu(QStringLiteral("ヘルプ"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuVer = item(mnuHelp, "mnuVer", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

    mnuMemo = new QMenu(QStringLiteral("メモ"), this);
    mnuMemo->setObjectName(QStringLiteral("mnuMemo"));
    mnuMemo1 = item(mnuMemo, "mnuMemo1", QStringLiteral("メモ帳で開く"));
    mnuApp = item(mnuMemo, "mnuApp", QStringLiteral("(設定されていません)"));
    mnuline1 = separator(mnuMemo, "mnuline1");
    mnudel = item(mnuMemo, "mnudel", QStringLiteral("削除"));

    mnuTray = new QMenu(QStringLiteral("タスク"), this);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    mnuAbout = item(mnuTray, "mnuAbout", QStringLiteral("元に戻す"));
    mnuline = separator(mnuTray, "mnuline");
    mnuEnd = item(mnuTray, "mnuEnd", QStringLiteral("終了"));
}

void Form1::connectHandlers()
{
    connect(Drive1, &DriveList::changed, this, &Form1::Drive1_Change);
    connect(Dir1, &FolderList::changed, this, &Form1::Dir1_Change);
    connect(Dir1, &FolderList::enterFailed, this, &Form1::reportFolderFailure);
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(File1, &FileList::mousePressed, this, &Form1::File1_MouseDown);
    connect(Command1, &QToolButton::clicked, this, &Form1::Command1_Click);
    connect(Command6, &QToolButton::clicked, this, &Form1::Command6_Click);
    connect(Command12, &QToolButton::clicked, this, &Form1::Command12_Click);
    connect(Text6, &QLineEdit::textChanged, this, &Form1::Text6_Change);
    acceptFileDrops();

    const std::pair<QAction*, void (Form1::*)()> commands[] = {
        {appOpen, &Form1::appOpen_Click}, {appWrite, &Form1::appWrite_Click}, {appNWrite, &Form1::appNWrite_Click},
        {appHt, &Form1::appHt_Click},     {appExit, &Form1::appExit_Click},   {appDel, &Form1::appDel_Click},
        {appSe, &Form1::appSe_Click},     {appSword, &Form1::appSword_Click}, {appOki, &Form1::appOki_Click},
        {mnuMode, &Form1::mnuMode_Click}, {mnuVer, &Form1::mnuVer_Click},     {mnuMemo1, &Form1::mnuMemo1_Click},
        {mnuApp, &Form1::mnuApp_Click},   {mnudel, &Form1::mnudel_Click},     {mnuAbout, &Form1::mnuAbout_Click},
        {mnuEnd, &Form1::mnuEnd_Click},
    };
    for (const auto& [action, handler] : commands) {
        connect(action, &QAction::triggered, this, [this, handler = handler] { (this->*handler)(); });
    }
}

QString Form1::panel(int n) const { return StatusBar1->panels[n - 1]->text(); }

// ---- The port the dialogs use ------------------------------------------------------------

void Form1::setPanel(int n, const QString& text) { StatusBar1->panels[n - 1]->setText(text); }

QString Form1::currentFolder() const { return Dir1->path(); }

void Form1::refreshFileList() { File1->refresh(); }

void Form1::setCaption(const QString& name)
{
    setWindowTitle(QStringLiteral("SORAMIE - ") + name + QStringLiteral(" -"));
}

bool Form1::quickMode() const { return Command1->isHidden(); }

void Form1::setDisplayButtonEnabled(bool enabled) { Command1->setEnabled(enabled); }

void Form1::enableDisplay()
{
    Text1->setEnabled(true);
    Command6->setEnabled(true);
}

void Form1::showFilePopup(const QString& path, QPoint globalPos)
{
    if (pro.isEmpty()) mnuApp->setVisible(false);
    memoFile = path;
    memonameM = notepadCommand() + QLatin1Char(' ') + path;
    memoname = pro + QLatin1Char(' ') + path;
    services_.prompts.popup(*mnuMemo, globalPos);
}

void Form1::setProgramItem(const QString& program, const QString& name)
{
    mnuApp->setVisible(!program.isEmpty());
    mnuApp->setText(name.isEmpty() ? QStringLiteral("(設定されていません)") : name + QStringLiteral("で開く"));
}

void Form1::setWrapCount(const QString& count) { Text6->setText(count); }

TwipsSize Form1::windowSize() const
{
    const QWidget* client = centralWidget();
    return {Twips::fromPixels(client->width()) + kFrameWidth,
            Twips::fromPixels(client->height()) + kStatusBarHeight + kFrameHeight};
}

void Form1::setWindowSize(TwipsSize size)
{
    const QSize client((size.width - kFrameWidth).toPixels(),
                       (size.height - kFrameHeight - kStatusBarHeight).toPixels());
    const QSize target = this->size() + (client - centralWidget()->size());
    if (target != this->size()) resize(target);
}

QList<QWidget*> Form1::commandWindows()
{
    QList<QWidget*> out{this};
    if (form2) out << form2.data();
    if (form4) out << form4.data();
    return out;
}

bool Form1::Form_Load()
{
    const settings::SettingsFile file(toNativePath(services_.app.settingsPath()));
    const auto read = [&file](std::u16string_view key, std::u16string_view def) {
        return QString::fromStdU16String(file.ReadSetting(settings::kSection, key, def));
    };
    br = read(settings::kBrowse, u"");
    flagb = 0;
    flagc = read(settings::kTypedate, settings::kTypedateDefault);
    pro = read(settings::kProgram, u"");
    pron = read(settings::kName, u"");
    setProgramItem(pro, pron);
    wrapWidth_ = 100;

    if (services_.instance.anotherIsRunning()) {
        services_.prompts.message(nullptr, {QStringLiteral("既に起動されています"), QStringLiteral("SORAMIE"),
                                            platform::Buttons::Ok, platform::Icon::Warning});
        return false;
    }

    strret = read(settings::kLog, u"");
    // The work folder, else the default folder, else the home folder: the first
    // one that can be entered. The three lists always end on the same folder.
    const QString candidates[] = {strret, services_.app.defaultStartFolder, services_.app.homeFolder,
                                  QStringLiteral("/")};
    for (const QString& folder : candidates) {
        if (!folder.isEmpty() && enterStartFolder(folder)) break;
    }
    return true;
}

bool Form1::enterStartFolder(const QString& folder)
{
    const QString clean = withoutFinalSeparator(absoluteCleanPath(folder));
    if (!services_.drives.setCurrentFolder(clean)) return false;
    if (!Dir1->setPath(clean)) return false;
    Drive1->setDrive(services_.drives.driveOf(Dir1->path()));
    return true;
}

}  // namespace soramie
