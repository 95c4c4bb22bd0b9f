// SPDX-License-Identifier: MIT
#include "app/command_line.h"

#include "platform/file_names.h"

#include <QUrl>

namespace soramie::app {

CommandLine parseCommandLine(const QStringList& arguments)
{
    CommandLine result;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    QStringList files;
    for (const QString& argument : arguments) {
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            files << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            help = true;
        } else if (argument == QLatin1String("-v") || argument == QLatin1String("--version")) {
            version = true;
        } else if (result.error.isEmpty()) {
            result.error = QStringLiteral("unknown option '%1'").arg(argument);
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

QString fileArgumentPath(const QString& argument)
{
    if (!argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) return argument;
    const QString path = pathOfFileUrl(QUrl(argument));
    return path.isEmpty() ? argument : path;
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
