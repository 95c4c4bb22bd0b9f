// SPDX-License-Identifier: MIT
// The viewer's command line: `soramie [FILE]`, `--help`, `--version`.
#pragma once

#include <QString>
#include <QStringList>

namespace soramie::app {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString file;   // Run: the file to show at start-up, as given; empty for none
    QString error;  // Error: what was wrong, one line
};

// Reads the arguments after the program name. -h/--help wins over everything
// else, then -v/--version, wherever they stand, so a help request always gets
// help. "--" ends the options: what follows is a file name even when it begins
// with "-". Any other argument that begins with "-" is an error, and so is a
// second file.
CommandLine parseCommandLine(const QStringList& arguments);

// The file path a FILE argument names: a "file://" URL (as some launchers pass
// it) becomes its local path; anything else is taken as it is.
QString fileArgumentPath(const QString& argument);

// The text --help prints, ending with a line break.
QString usageText();

}  // namespace soramie::app
