// SPDX-License-Identifier: MIT
// A MainWindow under test: real temporary folders, scripted services, the
// program's own boxes run modally. Brings the main window's controls and
// dialogs that the tests drive, and the probe that reaches them.
#pragma once

#include "fake_services.h"
#include "main_window_probe.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/replace_dialog.h"
#include "ui/dialogs/search_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/main/file_browser.h"
#include "ui/main/main_window.h"
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
// a "default" start folder and a "home" folder, and a MainWindow on FakeServices.
class MainWindowHarness {
public:
    MainWindowHarness();
    ~MainWindowHarness();

    // Root of the temporary tree; paths below it are for the test's files.
    QString root() const { return dir_.path(); }
    QString defaultFolder() const { return root() + QStringLiteral("/default"); }
    QString homeFolder() const { return root() + QStringLiteral("/home"); }
    // The path of name in the folder "logs".
    QString logs(const QString& name) const { return root() + QStringLiteral("/logs/") + name; }

    // Writes the settings file beside the "executable" (CP932 bytes as given).
    bool writeSettings(const QByteArray& ini) { return writeFile(fakes.app.settingsPath(), ini); }

    // Builds the window (once) and runs start; returns its result.
    bool load() { return form().start(); }
    MainWindow& form();
    // Loads the window on the folder "logs" holding the files, nothing selected;
    // settings are more CR LF-ended lines of the settings file.
    MainWindow& loadWith(const std::vector<std::pair<QString, QByteArray>>& files, const QByteArray& settings = {});
    // Shows the listed file name with the display button.
    void show(const QString& name);
    // The title and panels 1..3: what a command that must change nothing compares.
    QString windowState();
    QStringList boxes() const { return fakes.prompts.boxes(); }

    FakeServices fakes;

private:
    QTemporaryDir dir_;
    std::unique_ptr<MainWindow> form_;
};

}  // namespace soramie::testing
