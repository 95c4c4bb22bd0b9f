// SPDX-License-Identifier: MIT
#include "platform/qt_services.h"

#include "core/command_line.h"
#include "platform/file_names.h"
#include "platform/file_picker.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QStorageInfo>
#include <QSystemTrayIcon>
#include <QTranslator>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

QMessageBox* newMessageBox(QWidget* owner, const MessageRequest& request)
{
    auto* box = new QMessageBox(toQt(request.icon), request.title, request.text, QMessageBox::NoButton, owner);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    if (request.buttons == Buttons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
        box->setDefaultButton(request.defaultAnswer == Answer::No ? QMessageBox::No : QMessageBox::Yes);
    } else if (request.buttons == Buttons::YesNoCancel) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
        box->setDefaultButton(request.defaultAnswer == Answer::No       ? QMessageBox::No
                              : request.defaultAnswer == Answer::Cancel ? QMessageBox::Cancel
                                                                        : QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    return box;
}

Answer answerOf(const MessageRequest& request, int execResult)
{
    if (request.buttons == Buttons::Ok) return Answer::Ok;
    if (execResult == QMessageBox::Yes) return Answer::Yes;
    if (request.buttons == Buttons::YesNoCancel && execResult != QMessageBox::No) return Answer::Cancel;
    return Answer::No;
}

Answer QtPrompts::message(QWidget* owner, const MessageRequest& request)
{
    const QPointer<QMessageBox> box = newMessageBox(owner, request);
    const int result = box->exec();
    // An owner destroyed while its box was open took the box with it: the box
    // counts as closed without a choice.
    if (!box) return answerOf(request, QMessageBox::Cancel);
    delete box.data();
    return answerOf(request, result);
}

QAction* QtPrompts::popup(QMenu& menu, QPoint globalPos) { return menu.exec(globalPos); }

// ---- QtPickers ---------------------------------------------------------------------

QDialog* newPickerDialog(QWidget* owner, PickerKind kind, const Filter& filter, const QString& initialFolder)
{
    QDialog* dialog = nullptr;
    if (kind == PickerKind::Folder) {
        auto* folders = new QFileDialog(owner, QString(), startFolder(initialFolder));
        folders->setOption(QFileDialog::DontUseNativeDialog);
        folders->setFileMode(QFileDialog::Directory);
        folders->setOption(QFileDialog::ShowDirsOnly);
        dialog = folders;
    } else {
        const auto mode = kind == PickerKind::Open ? FilePicker::Mode::Open : FilePicker::Mode::Save;
        dialog = new FilePicker(owner, filter, initialFolder, mode);
    }
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    return dialog;
}

QString pickedPath(const QDialog& dialog)
{
    if (const auto* picker = dynamic_cast<const FilePicker*>(&dialog)) return picker->selectedPath();
    const auto* folders = dynamic_cast<const QFileDialog*>(&dialog);
    const QStringList chosen = folders != nullptr ? folders->selectedFiles() : QStringList();
    return chosen.isEmpty() ? QString() : chosen.first();
}

namespace {

QString runPicker(QWidget* owner, PickerKind kind, const Filter& filter, const QString& initialFolder)
{
    const QPointer<QDialog> dialog = newPickerDialog(owner, kind, filter, initialFolder);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog) return {};  // went with its owner
    QString path = accepted ? pickedPath(*dialog) : QString();
    delete dialog.data();
    return path;
}

}  // namespace

QString QtPickers::askOpen(QWidget* owner, const Filter& filter, const QString& initialFolder)
{
    return runPicker(owner, PickerKind::Open, filter, initialFolder);
}

QString QtPickers::askSave(QWidget* owner, const Filter& filter, const QString& initialFolder)
{
    return runPicker(owner, PickerKind::Save, filter, initialFolder);
}

QString QtPickers::askFolder(QWidget* owner) { return runPicker(owner, PickerKind::Folder, {}, QString()); }

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

namespace {

// The file a program name stands for: a name with a slash as it is, else the
// first executable regular file of that name in PATH.
std::string resolveProgram(const std::string& name)
{
    if (name.find('/') != std::string::npos) return name;
    const char* pathVariable = std::getenv("PATH");
    const std::string searchPath = pathVariable != nullptr ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = std::min(searchPath.find(':', from), searchPath.size());
        const std::string folder = end == from ? std::string(".") : searchPath.substr(from, end - from);
        std::string candidate = folder;
        candidate += '/';
        candidate += name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        if (end == searchPath.size()) return {};
        from = end + 1;
    }
}

// Starts argv (file-name bytes, argv[0] resolved) in a session of its own, not a
// child of this process (the intermediate child exits at once, so no zombie is
// left). True when the program was executed; its exit is not waited for.
// Between fork and exec only async-signal-safe calls are made.
bool spawnDetached(const std::string& program, const std::vector<std::string>& words)
{
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (middle == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t child = ::fork();
        if (child == 0) {
            ::execv(program.c_str(), argv.data());
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(child < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {}
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    // Nothing read: the pipe closed at the exec, the program runs.
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace

bool QtLauncher::start(const QString& commandLine, const QString& filePath)
{
    const QStringList words = launchWords(commandLine, filePath);
    if (words.isEmpty()) return false;
    std::vector<std::string> native;
    native.reserve(static_cast<std::size_t>(words.size()));
    for (const QString& word : words) native.push_back(toNativePath(word));
    const std::string program = resolveProgram(native.front());
    return !program.empty() && spawnDetached(program, native);
}

// ---- LockFileInstance ------------------------------------------------------------------

LockFileInstance::LockFileInstance(const QString& lockPath)
{
    if (lockPath.isEmpty()) return;
    lock_ = std::make_unique<QLockFile>(lockPath);
    // Only a dead owner makes a lock stale, however old the lock is.
    lock_->setStaleLockTime(0);
}

LockFileInstance::~LockFileInstance() = default;

bool LockFileInstance::anotherIsRunning()
{
    if (!lock_ || lock_->isLocked()) return false;
    if (lock_->tryLock(0)) return false;
    return lock_->error() == QLockFile::LockFailedError;
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

QtServices::QtServices(const QString& lockPath) : instance_(lockPath) {}
QtServices::~QtServices() = default;

Services QtServices::services()
{
    return Services{prompts_, pickers_, launcher_, instance_, drives_, tray_, currentAppInfo()};
}

bool useJapaneseQtTexts(QCoreApplication& app)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* catalogue = new QTranslator(&app);
    if (!catalogue->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete catalogue;
        return false;
    }
    return QCoreApplication::installTranslator(catalogue);
}

AppInfo currentAppInfo()
{
    AppInfo info;
    // The executable's path as the kernel knows it: its bytes, so a folder or
    // name that is not UTF-8 (CP932 from a Windows archive) is kept exactly.
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error && exe.has_filename()) {
        info.executableDir = fromNativePath(exe.parent_path().native());
        const std::string name = exe.filename().native();
        const std::size_t dot = name.rfind('.');  // the name without its last extension
        info.baseName = fromNativePath(dot == std::string::npos || dot == 0 ? name : name.substr(0, dot));
    } else {
        info.executableDir = QCoreApplication::applicationDirPath();
        info.baseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    }
    info.homeFolder = QDir::homePath();
    const QFileInfo logs(QStringLiteral("/var/log"));
    info.defaultStartFolder = logs.isDir() && logs.isExecutable() ? logs.absoluteFilePath() : info.homeFolder;
    return info;
}

}  // namespace soramie::platform
