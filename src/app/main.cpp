// SPDX-License-Identifier: MIT
// The viewer: reads the command line, builds the real platform services and the
// main window, and hands a file to an already running viewer.
#include "app/command_line.h"
#include "app/hand_over.h"
#include "core/private_folder.h"
#include "platform/file_names.h"
#include "platform/qt_services.h"
#include "settings/location.h"
#include "ui/common/program_icon.h"
#include "ui/main/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

using soramie::app::CommandLine;

void print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// The command line is checked before the window system is touched, so help,
// version and mistakes are answered without a display.
CommandLine readCommandLine(int argc, char** argv)
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i) arguments << QByteArray(argv[i]);
    return soramie::app::parseCommandLine(soramie::app::withoutToolkitOptions(arguments));
}

// The settings file and readme.txt of this executable's layout.
void placeProgramFiles(soramie::platform::AppInfo& app)
{
    // The folder's and the name's bytes, whatever their encoding.
    const std::filesystem::path exeFolder = soramie::toNativePath(app.executableDir);
    const std::string base = soramie::toNativePath(app.baseName);
    const auto layout = soramie::settings::detectLayout(exeFolder, base);
    if (layout == soramie::settings::Layout::Portable) return;
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    // The settings writer puts its temporary file beside the settings file, so
    // the folder has to exist before the settings dialog first saves.
    QDir().mkpath(configFolder);
    const auto files =
        soramie::settings::programFiles(layout, exeFolder, base, QFile::encodeName(configFolder).toStdString());
    app.settingsFile = soramie::fromNativePath(files.settings.native());
    app.readmeFile = soramie::fromNativePath(files.readme.native());
}

}  // namespace

int main(int argc, char** argv)
{
    const CommandLine line = readCommandLine(argc, argv);
    switch (line.action) {
        case CommandLine::Action::Help:
            print(stdout, soramie::app::usageText());
            return 0;
        case CommandLine::Action::Version:
            print(stdout, soramie::versionText() + QLatin1Char('\n'));
            return 0;
        case CommandLine::Action::Error:
            print(stderr, QStringLiteral("soramie: ") + line.error + QLatin1Char('\n') + soramie::app::usageText());
            return 2;
        case CommandLine::Action::Run:
            break;
    }
    // Made absolute now: start-up moves the process to the work folder. The
    // window holds file names as text that keeps their bytes (platform/file_names.h).
    const QString file = line.file.isEmpty() ? QString()
                                             : soramie::absoluteCleanPath(soramie::fromNativePath(
                                                   soramie::app::fileArgumentPath(line.file).toStdString()));

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SORAMIE"));
    soramie::platform::useJapaneseQtTexts(app);

    // The lock and the hand-over socket live only where no other user can put
    // or replace them; without such a place the viewer runs as a lone instance.
    const std::optional<std::string> runtimeFolder =
        soramie::privateRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"), soramie::homeFolder());
    if (!runtimeFolder) {
        print(stderr, QStringLiteral("soramie: no private folder for the single-instance lock "
                                     "($XDG_RUNTIME_DIR or ~/.cache/soramie-run); running without one\n"));
    }
    const QString folder = runtimeFolder ? QFile::decodeName(runtimeFolder->c_str()) : QString();
    soramie::platform::QtServices platform(folder.isEmpty() ? QString() : folder + QStringLiteral("/soramie.lock"));
    soramie::platform::Services services = platform.services();
    placeProgramFiles(services.app);

    const QString socketPath = folder.isEmpty() ? QString() : folder + QStringLiteral("/soramie.socket");
    if (!file.isEmpty() && !socketPath.isEmpty() && services.instance.anotherIsRunning() &&
        soramie::app::sendFile(socketPath, QByteArray::fromStdString(soramie::toNativePath(file)),
                               std::chrono::seconds(3))) {
        return 0;
    }

    soramie::MainWindow window(services);
    if (!window.start()) return 0;
    soramie::app::FileReceiver receiver(socketPath, [&window](const QByteArray& path) {
        window.showHandedOverFile(
            soramie::fromNativePath(std::string_view(path.constData(), static_cast<std::size_t>(path.size()))));
    });
    if (!socketPath.isEmpty()) receiver.listen();  // without it a second start only shows its refusal
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    if (!file.isEmpty()) QTimer::singleShot(0, &window, [&window, file] { window.showFileFromOutside(file); });
    return QApplication::exec();
}
