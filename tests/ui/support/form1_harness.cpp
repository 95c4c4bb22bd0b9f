// SPDX-License-Identifier: MIT
#include "form1_harness.h"

#include "ui/main/file_browser.h"

#include <QDir>
#include <QFile>

namespace soramie::testing {

namespace {

// The tree must exist before FakeServices reads its paths.
QString prepared(const QTemporaryDir& dir, const char* name)
{
    const QString path = dir.path() + QLatin1Char('/') + QLatin1String(name);
    QDir().mkpath(path);
    return path;
}

}  // namespace

Form1Harness::Form1Harness() : fakes(QString(), QString(), QString())
{
    fakes.app.executableDir = prepared(dir_, "app");
    fakes.app.defaultStartFolder = prepared(dir_, "default");
    fakes.app.homeFolder = prepared(dir_, "home");
}

Form1Harness::~Form1Harness()
{
    // The process's current folder may lie inside the tree about to be removed.
    QDir::setCurrent(QDir::tempPath());
}

bool Form1Harness::writeSettings(const QByteArray& ini)
{
    return writeFile(appDir() + QStringLiteral("/soramie.ini"), ini);
}

Form1& Form1Harness::form()
{
    if (!form_) form_ = std::make_unique<Form1>(fakes.services());
    return *form_;
}

bool Form1Harness::load() { return form().Form_Load(); }

Form1& Form1Harness::loadWith(const std::vector<std::pair<QString, QByteArray>>& files, const QByteArray& settings)
{
    const QString folder = root() + QStringLiteral("/logs");
    makeFolder(folder);
    for (const auto& [name, bytes] : files) writeFile(logs(name), bytes);
    writeSettings("[main]\r\nlog = " + QFile::encodeName(folder) + "\r\n" + settings);
    load();
    return form();
}

void Form1Harness::show(const QString& name)
{
    form().File1->selectFile(name);
    form().Flag = 0;
    form().Command1_Click();
}

QString Form1Harness::windowState()
{
    Form1& f = form();
    return f.windowTitle() + QLatin1Char('|') + f.panel(1) + QLatin1Char('|') + f.panel(2) + QLatin1Char('|') +
           f.panel(3);
}

}  // namespace soramie::testing
