// SPDX-License-Identifier: MIT
// A Form1 under test: real temporary folders, scripted services, no real boxes.
#pragma once

#include "fake_services.h"
#include "ui/main/form1.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace soramie::testing {

// Writes bytes to path, creating its folders. Returns false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
// Creates the folder path with its parents.
bool makeFolder(const QString& path);

// A temporary root with an "app" folder (executable folder: settings file),
// a "default" start folder and a "home" folder, and a Form1 on FakeServices.
class Form1Harness {
public:
    Form1Harness();
    ~Form1Harness();

    // Root of the temporary tree; paths below it are for the test's files.
    QString root() const { return dir_.path(); }
    QString appDir() const { return root() + QStringLiteral("/app"); }
    QString defaultFolder() const { return root() + QStringLiteral("/default"); }
    QString homeFolder() const { return root() + QStringLiteral("/home"); }

    // Writes the settings file beside the "executable" (CP932 bytes as given).
    bool writeSettings(const QByteArray& ini);

    // Builds the window (once) and runs Form_Load; returns its result.
    bool load();
    Form1& form();

    FakeServices fakes;

private:
    QTemporaryDir dir_;
    std::unique_ptr<Form1> form_;
};

}  // namespace soramie::testing
