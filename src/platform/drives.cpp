// SPDX-License-Identifier: MIT
#include "platform/services.h"

#include <QDir>
#include <QFileInfo>

namespace soramie::platform {

namespace {

bool enterable(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isExecutable();
}

}  // namespace

QString Drives::driveOf(const QString& folder) const
{
    QString best;
    for (const QString& root : roots()) {
        const bool under = folder.startsWith(root) || folder + QLatin1Char('/') == root;
        if (under && root.size() > best.size()) best = root;
    }
    return best.isEmpty() ? QStringLiteral("/") : best;
}

void Drives::rememberProcessFolder() const
{
    const QString cwd = QDir::currentPath();
    current_.insert(driveOf(cwd), cwd);
}

QString Drives::currentFolder(const QString& drive) const
{
    rememberProcessFolder();
    const auto it = current_.constFind(drive);
    if (it != current_.constEnd() && enterable(*it)) return *it;
    return drive;
}

bool Drives::setCurrentFolder(const QString& folder)
{
    if (!enterable(folder)) return false;
    rememberProcessFolder();
    if (!QDir::setCurrent(folder)) return false;
    current_.insert(driveOf(folder), folder);
    return true;
}

}  // namespace soramie::platform
