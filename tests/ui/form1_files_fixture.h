// SPDX-License-Identifier: MIT
// Shared steps of the file-command tests: a window on a folder "logs" of real files.
#pragma once

#include "support/form1_harness.h"

#include <QByteArray>
#include <QFile>
#include <QString>

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

}  // namespace soramie::testing
