// SPDX-License-Identifier: MIT
#include "platform/qt_services.h"

#include "core/command_line.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QSystemTrayIcon>

namespace soramie::platform {

// ---- QtPrompts -------------------------------------------------------------------

namespace {

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer QtPrompts::message(QWidget* owner, const MessageRequest& request)
{
    QMessageBox box(toQt(request.icon), request.title, request.text, QMessageBox::NoButton, owner);
    if (request.buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

QAction* QtPrompts::popup(QMenu& menu, QPoint globalPos) { return menu.exec(globalPos); }

// ---- QtPickers ---------------------------------------------------------------------

namespace {

QStringList nameFilters(const Filter& filter)
{
    QStringList out;
    for (const FilterPair& pair : filter) {
        // QFileDialog takes the patterns from the final parentheses of each entry.
        const QString suffix = QLatin1Char('(') + pair.pattern + QLatin1Char(')');
        out << (pair.label.endsWith(suffix) ? pair.label : pair.label + QLatin1Char(' ') + suffix);
    }
    return out;
}

QString askFile(QWidget* owner, const Filter& filter, const QString& initialFolder, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, QString(), initialFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters = nameFilters(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

QString QtPickers::askOpen(QWidget* owner, const Filter& filter, const QString& initialFolder)
{
    return askFile(owner, filter, initialFolder, QFileDialog::AcceptOpen);
}

QString QtPickers::askSave(QWidget* owner, const Filter& filter, const QString& initialFolder)
{
    return askFile(owner, filter, initialFolder, QFileDialog::AcceptSave);
}

QString QtPickers::askFolder(QWidget* owner)
{
    return QFileDialog::getExistingDirectory(owner, QString(), QDir::currentPath(),
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

bool QtPickers::applyTopmost(QWidget* window, bool onTop)
{
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    window->show();  // changing the flags hides a window; the call also shows it
    return true;
}

// ---- QtLauncher -----------------------------------------------------------------------

QStringList commandWords(const QString& commandLine)
{
    QStringList words;
    for (const std::u16string& w : splitCommandLine(commandLine.toStdU16String()))
        words << QString::fromStdU16String(w);
    return words;
}

QStringList launchWords(const QString& commandLine, const QString& filePath)
{
    QStringList words = commandWords(commandLine);
    if (!words.isEmpty() && !filePath.isEmpty()) words << filePath;
    return words;
}

bool QtLauncher::start(const QString& commandLine, const QString& filePath)
{
    QStringList words = launchWords(commandLine, filePath);
    if (words.isEmpty()) return false;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words);
}

// ---- LockFileInstance ------------------------------------------------------------------

LockFileInstance::LockFileInstance(const QString& lockPath) : lock_(std::make_unique<QLockFile>(lockPath))
{
    // Only a dead owner makes a lock stale, however old the lock is.
    lock_->setStaleLockTime(0);
}

LockFileInstance::~LockFileInstance() = default;

bool LockFileInstance::anotherIsRunning()
{
    if (lock_->isLocked()) return false;
    if (lock_->tryLock(0)) return false;
    return lock_->error() == QLockFile::LockFailedError;
}

QString LockFileInstance::defaultLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QStringLiteral("/soramie.lock");
}

// ---- QtDrives -----------------------------------------------------------------------------

namespace {

bool browsable(const QStorageInfo& volume)
{
    if (!volume.isValid() || !volume.isReady()) return false;
    const QString root = volume.rootPath();
    if (root == QLatin1String("/")) return true;
    if (!QFileInfo(root).isDir()) return false;  // a bind-mounted single file
    static const QStringList systemTrees = {QStringLiteral("/proc"), QStringLiteral("/sys"),  QStringLiteral("/dev"),
                                            QStringLiteral("/run"),  QStringLiteral("/boot"), QStringLiteral("/snap")};
    for (const QString& tree : systemTrees) {
        if (root == tree || root.startsWith(tree + QLatin1Char('/'))) {
            if (!root.startsWith(QStringLiteral("/run/media/"))) return false;
        }
    }
    static const QStringList pseudo = {QStringLiteral("proc"),   QStringLiteral("sysfs"),   QStringLiteral("devpts"),
                                       QStringLiteral("cgroup"), QStringLiteral("cgroup2"), QStringLiteral("mqueue"),
                                       QStringLiteral("autofs"), QStringLiteral("squashfs")};
    return !pseudo.contains(QString::fromLatin1(volume.fileSystemType()));
}

}  // namespace

QStringList QtDrives::roots() const
{
    QStringList out{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!browsable(volume)) continue;
        QString root = volume.rootPath();
        if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
        if (!out.contains(root)) out << root;
    }
    std::sort(out.begin() + 1, out.end());
    return out;
}

// ---- QtTray -----------------------------------------------------------------------------------

QtTray::QtTray() = default;
QtTray::~QtTray() = default;

bool QtTray::available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void QtTray::add(const QString& toolTip)
{
    if (icon_) return;
    icon_ = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
    icon_->setToolTip(toolTip);
    QObject::connect(icon_.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
        if (!handler_) return;
        if (reason == QSystemTrayIcon::Trigger) handler_(TrayEvent::LeftPress);
        else if (reason == QSystemTrayIcon::Context) handler_(TrayEvent::RightPress);
    });
    icon_->show();
}

void QtTray::remove() { icon_.reset(); }

bool QtTray::shown() const { return icon_ != nullptr; }

void QtTray::setHandler(std::function<void(TrayEvent)> handler) { handler_ = std::move(handler); }

// ---- QtServices --------------------------------------------------------------------------------

QtServices::QtServices() : instance_(LockFileInstance::defaultLockPath()) {}
QtServices::~QtServices() = default;

Services QtServices::services()
{
    return Services{prompts_, pickers_, launcher_, instance_, drives_, tray_, currentAppInfo()};
}

AppInfo currentAppInfo()
{
    AppInfo info;
    info.executableDir = QCoreApplication::applicationDirPath();
    info.baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    info.homeFolder = QDir::homePath();
    const QFileInfo logs(QStringLiteral("/var/log"));
    info.defaultStartFolder = logs.isDir() && logs.isExecutable() ? logs.absoluteFilePath() : info.homeFolder;
    return info;
}

}  // namespace soramie::platform
