// SPDX-License-Identifier: MIT
// A Form1 under test: real temporary folders, scripted services, the program's
// own boxes run modally. Brings the main window's controls and dialogs that
// the tests drive.
#pragma once

#include "fake_services.h"
#include "ui/dialogs/form3.h"
#include "ui/dialogs/form4.h"
#include "ui/main/file_browser.h"
#include "ui/main/form1.h"
#include "ui/pane/text_pane.h"

#include <QAction>
#include <QByteArray>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace soramie::testing {

// A temporary root with an "app" folder (executable folder: settings file),
// a "default" start folder and a "home" folder, and a Form1 on FakeServices.
class Form1Harness {
public:
    Form1Harness();
    ~Form1Harness();

    // Root of the temporary tree; paths below it are for the test's files.
    QString root() const { return dir_.path(); }
    QString defaultFolder() const { return root() + QStringLiteral("/default"); }
    QString homeFolder() const { return root() + QStringLiteral("/home"); }
    // The path of name in the folder "logs".
    QString logs(const QString& name) const { return root() + QStringLiteral("/logs/") + name; }

    // Writes the settings file beside the "executable" (CP932 bytes as given).
    bool writeSettings(const QByteArray& ini) { return writeFile(fakes.app.settingsPath(), ini); }

    // Builds the window (once) and runs Form_Load; returns its result.
    bool load() { return form().Form_Load(); }
    Form1& form();
    // Loads the window on the folder "logs" holding the files, nothing selected;
    // settings are more CR LF-ended lines of the settings file.
    Form1& loadWith(const std::vector<std::pair<QString, QByteArray>>& files, const QByteArray& settings = {});
    // Shows the listed file name with the display button.
    void show(const QString& name);
    // The title and panels 1..3: what a command that must change nothing compares.
    QString windowState();
    QStringList boxes() const { return fakes.prompts.boxes(); }

    FakeServices fakes;

private:
    QTemporaryDir dir_;
    std::unique_ptr<Form1> form_;
};

}  // namespace soramie::testing
