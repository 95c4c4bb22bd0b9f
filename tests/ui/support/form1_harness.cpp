// SPDX-License-Identifier: MIT
#include "form1_harness.h"

#include <QDir>
#include <QFile>

namespace soramie::testing {

Form1Harness::Form1Harness()
{
    fakes.app.executableDir = root() + QStringLiteral("/app");
    fakes.app.defaultStartFolder = defaultFolder();
    fakes.app.homeFolder = homeFolder();
    for (const QString& folder : {fakes.app.executableDir, defaultFolder(), homeFolder()}) QDir().mkpath(folder);
}

Form1Harness::~Form1Harness()
{
    // The process's current folder may lie inside the tree about to be removed.
    QDir::setCurrent(QDir::tempPath());
}

Form1& Form1Harness::form()
{
    if (!form_) form_ = std::make_unique<Form1>(fakes.services());
    return *form_;
}

Form1& Form1Harness::loadWith(const std::vector<std::pair<QString, QByteArray>>& files, const QByteArray& settings)
{
    makeFolder(root() + QStringLiteral("/logs"));
    for (const auto& [name, bytes] : files) writeFile(logs(name), bytes);
    writeSettings("[main]\r\nlog = " + QFile::encodeName(root() + QStringLiteral("/logs")) + "\r\n" + settings);
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
