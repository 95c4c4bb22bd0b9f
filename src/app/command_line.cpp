// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include "platform/file_names.h"

#include <QUrl>

#include <algorithm>

namespace soramie::app {

QList<QByteArray> withoutToolkitOptions(const QList<QByteArray>& arguments)
{
    static const QList<QByteArray> withValue = {"-platform",        "-platformpluginpath",
                                                "-platformtheme",   "-plugin",
                                                "-qwindowgeometry", "-geometry",
                                                "-qwindowtitle",    "-title",
                                                "-qwindowicon",     "-icon",
                                                "-display",         "-name",
                                                "-session",         "-style",
                                                "-stylesheet",      "-visual"};
    static const QList<QByteArray> alone = {"-reverse", "-testability", "-widgetcount", "-nograb", "-dograb", "-sync"};
    static const QList<QByteArray> joined = {"-style=", "-stylesheet=", "-qmljsdebugger="};
    QList<QByteArray> out;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& argument = arguments[i];
        optionsEnded = optionsEnded || argument == "--";
        const QByteArray option = argument.startsWith("--") ? argument.mid(1) : argument;
        if (!optionsEnded && withValue.contains(option)) {
            ++i;  // its value
        } else if (optionsEnded ||
                   !(alone.contains(option) || std::any_of(joined.begin(), joined.end(), [&](const QByteArray& j) {
                         return option.startsWith(j);
                     }))) {
            out << argument;
        }
    }
    return out;
}

CommandLine parseCommandLine(const QList<QByteArray>& arguments)
{
    CommandLine result;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    QList<QByteArray> files;
    for (const QByteArray& argument : arguments) {
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            files << argument;
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "-h" || argument == "--help") {
            help = true;
        } else if (argument == "-v" || argument == "--version") {
            version = true;
        } else if (result.error.isEmpty()) {
            result.error = QStringLiteral("unknown option '%1'").arg(QString::fromLocal8Bit(argument));
        }
    }
    if (help) return {CommandLine::Action::Help, {}, {}};
    if (version) return {CommandLine::Action::Version, {}, {}};
    if (result.error.isEmpty() && files.size() > 1) result.error = QStringLiteral("only one FILE can be given");
    if (result.error.isEmpty() && files.size() == 1 && files.first().isEmpty()) {
        result.error = QStringLiteral("the FILE name is empty");
    }
    if (!result.error.isEmpty()) {
        result.action = CommandLine::Action::Error;
        return result;
    }
    if (!files.isEmpty()) result.file = files.first();
    return result;
}

QByteArray fileArgumentPath(const QByteArray& argument)
{
    if (!argument.toLower().startsWith("file:")) return argument;
    const QString path = pathOfFileUrl(QUrl(QString::fromUtf8(argument)));
    return path.isEmpty() ? argument : QByteArray::fromStdString(toNativePath(path));
}

QString usageText()
{
    return QStringLiteral(
        "Usage: soramie [FILE]\n"
        "       soramie --help | --version\n"
        "\n"
        "SORAMIE shows Shift-JIS (CP932) text and log files.\n"
        "\n"
        "  FILE           show this file at start-up; when SORAMIE is already\n"
        "                 running, the running window shows it instead\n"
        "  -h, --help     print this help and exit\n"
        "  -v, --version  print the version and exit\n"
        "  --             end of options: a FILE may then begin with '-'\n");
}

}  // namespace soramie::app
