// SPDX-License-Identifier: MIT
// The viewer: reads the command line, builds the real platform services and the
// main window, and hands a file to an already running viewer.
#include "app/command_line.h"
#include "app/hand_over.h"
#include "platform/file_names.h"
#include "platform/qt_services.h"
#include "settings/location.h"
#include "ui/main/form1.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

using soramie::app::CommandLine;

void print(std::FILE* stream, const QString& text) { std::fputs(text.toLocal8Bit().constData(), stream); }

// --help and --version are answered before the window system is touched, so
// they work without a display.
// The arguments after the program name, file names with their bytes.
QStringList argumentsOf(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << soramie::fromNativePath(argv[i]);
    return arguments;
}

bool answeredWithoutWindows(int argc, char** argv, int& exitCode)
{
    const CommandLine line = soramie::app::parseCommandLine(argumentsOf(argc, argv));
    if (line.action == CommandLine::Action::Help) {
        print(stdout, soramie::app::usageText());
    } else if (line.action == CommandLine::Action::Version) {
        print(stdout, soramie::Form1::versionText() + QLatin1Char('\n'));
    } else {
        return false;
    }
    exitCode = 0;
    return true;
}

// The settings file and readme.txt of this executable's layout.
void placeProgramFiles(soramie::platform::AppInfo& app)
{
    const std::filesystem::path exeFolder = QFile::encodeName(app.executableDir).toStdString();
    const std::string base = QFile::encodeName(app.baseName).toStdString();
    const auto layout = soramie::settings::detectLayout(exeFolder, base);
    if (layout == soramie::settings::Layout::Portable) return;
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    // The settings writer puts its temporary file beside the settings file, so
    // the folder has to exist before the settings dialog first saves.
    QDir().mkpath(configFolder);
    const auto files =
        soramie::settings::programFiles(layout, exeFolder, base, QFile::encodeName(configFolder).toStdString());
    app.settingsFile = QFile::decodeName(files.settings.c_str());
    app.readmeFile = QFile::decodeName(files.readme.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (answeredWithoutWindows(argc, argv, exitCode)) return exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("SORAMIE"));
    soramie::platform::useJapaneseQtTexts(app);
    // Window-system options have been taken out of argv by now.
    const CommandLine line = soramie::app::parseCommandLine(argumentsOf(argc, argv));
    if (line.action == CommandLine::Action::Error) {
        print(stderr, QStringLiteral("soramie: ") + line.error + QStringLiteral("\nTry 'soramie --help'.\n"));
        return 2;
    }
    // Made absolute now: start-up moves the process to the work folder.
    const QString file =
        line.file.isEmpty() ? QString() : soramie::absoluteCleanPath(soramie::app::fileArgumentPath(line.file));

    soramie::platform::QtServices platform;
    soramie::platform::Services services = platform.services();
    placeProgramFiles(services.app);

    const QString socketPath = soramie::app::defaultHandOverPath();
    if (!file.isEmpty() && services.instance.anotherIsRunning() &&
        soramie::app::sendFile(socketPath, file, std::chrono::seconds(3))) {
        return 0;
    }

    soramie::Form1 window(services);
    if (!window.Form_Load()) return 0;
    soramie::app::FileReceiver receiver(socketPath,
                                        [&window](const QString& path) { window.showHandedOverFile(path); });
    receiver.listen();  // without it a second start only shows its refusal
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    if (!file.isEmpty()) QTimer::singleShot(0, &window, [&window, file] { window.showFileFromOutside(file); });
    return QApplication::exec();
}
