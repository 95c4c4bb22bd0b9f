// SPDX-License-Identifier: MIT
// Shared steps of the main-window tests: a window on a folder "logs" of real files.
#pragma once

#include "support/form1_harness.h"
#include "ui/main/file_browser.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace soramie::testing {

// The file's bytes, or "<missing>".
inline QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Loads the window on the folder "logs" holding the files, nothing selected;
// `settings` are more CR LF-ended lines of the settings file.
inline Form1& loadWith(Form1Harness& h, const std::vector<std::pair<QString, QByteArray>>& files,
                       const QByteArray& settings = {})
{
    makeFolder(h.root() + "/logs");
    for (const auto& [name, bytes] : files) writeFile(h.root() + "/logs/" + name, bytes);
    EXPECT_TRUE(h.writeSettings("[main]\r\nlog = " + (h.root() + "/logs").toUtf8() + "\r\n" + settings));
    EXPECT_TRUE(h.load());
    return h.form();
}

// The path of `name` in the folder "logs".
inline QString logs(const Form1Harness& h, const QString& name) { return h.root() + "/logs/" + name; }

// Shows the listed file `name` with the display button.
inline void show(Form1& f, const QString& name)
{
    ASSERT_TRUE(f.File1->selectFile(name));
    f.Flag = 0;
    f.Command1_Click();
}

// Every message shown so far as "title|text", in order.
inline QStringList boxes(const Form1Harness& h)
{
    QStringList out;
    for (const auto& m : h.fakes.prompts.messages) out << m.title + "|" + m.text;
    return out;
}

// The panels 1..3 and the title: what a command that must change nothing compares.
inline QString windowState(const Form1& f)
{
    return f.windowTitle() + "|" + f.panel(1) + "|" + f.panel(2) + "|" + f.panel(3);
}

}  // namespace soramie::testing
