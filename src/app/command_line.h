// SPDX-License-Identifier: MIT
// The viewer's command line: `soramie [FILE]`, `--help`, `--version`, and the
// window system's own options, which Qt takes. Arguments are bytes: a file
// name need not be UTF-8.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace soramie::app {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QByteArray file;  // Run: the file to show at start-up, as given; empty for none
    QString error;    // Error: what was wrong, one line
};

// The arguments without the window system's options (-platform NAME,
// -display NAME, -style=NAME, -reverse, ...; also with two dashes), which Qt
// reads and removes when the application starts. Lets the command line be
// checked before there is a display.
QList<QByteArray> withoutToolkitOptions(const QList<QByteArray>& arguments);

// Reads the arguments after the program name. -h/--help wins over everything
// else, then -v/--version, wherever they stand, so a help request always gets
// help. "--" ends the options: what follows is a file name even when it begins
// with "-". Any other argument that begins with "-" is an error, and so is a
// second file.
CommandLine parseCommandLine(const QList<QByteArray>& arguments);

// The file path a FILE argument names: a "file://" URL (as some launchers pass
// it) becomes its local path, its percent escapes the name's bytes; anything
// else is taken as it is.
QByteArray fileArgumentPath(const QByteArray& argument);

// The text --help prints, ending with a line break.
QString usageText();

}  // namespace soramie::app
