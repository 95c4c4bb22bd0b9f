// SPDX-License-Identifier: MIT
#include "main_window_harness.h"

#include <QDir>
#include <QFile>

namespace soramie::testing {

MainWindowHarness::MainWindowHarness()
{
    fakes.app.executableDir = root() + QStringLiteral("/app");
    fakes.app.defaultStartFolder = defaultFolder();
    fakes.app.homeFolder = homeFolder();
    for (const QString& folder : {fakes.app.executableDir, defaultFolder(), homeFolder()}) QDir().mkpath(folder);
}

MainWindowHarness::~MainWindowHarness()
{
    // The process's current folder may lie inside the tree about to be removed.
    QDir::setCurrent(QDir::tempPath());
}

MainWindow& MainWindowHarness::form()
{
    if (!form_) form_ = std::make_unique<MainWindow>(fakes.services());
    return *form_;
}

MainWindow& MainWindowHarness::loadWith(const std::vector<std::pair<QString, QByteArray>>& files,
                                        const QByteArray& settings)
{
    makeFolder(root() + QStringLiteral("/logs"));
    for (const auto& [name, bytes] : files) writeFile(logs(name), bytes);
    writeSettings("[main]\r\nlog = " + QFile::encodeName(root() + QStringLiteral("/logs")) + "\r\n" + settings);
    load();
    return form();
}

void MainWindowHarness::show(const QString& name)
{
    ui(form()).fileList->selectFile(name);
    viewerState(form()).shownFrom = soramie::ShownFrom::FileList;
    form().showSelectedFile();
}

QString MainWindowHarness::windowState()
{
    MainWindow& f = form();
    return f.windowTitle() + QLatin1Char('|') + f.panel(1) + QLatin1Char('|') + f.panel(2) + QLatin1Char('|') +
           f.panel(3);
}

}  // namespace soramie::testing
