// SPDX-License-Identifier: MIT
#include "platform/file_names.h"
#include "platform/services.h"

namespace soramie::platform {

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
    const QString cwd = processFolder();
    current_.insert(driveOf(cwd), cwd);
}

QString Drives::currentFolder(const QString& drive) const
{
    rememberProcessFolder();
    const auto it = current_.constFind(drive);
    if (it != current_.constEnd() && isEnterableFolder(*it)) return *it;
    return drive;
}

bool Drives::setCurrentFolder(const QString& folder)
{
    if (!isEnterableFolder(folder)) return false;
    rememberProcessFolder();
    if (!enterProcessFolder(folder)) return false;
    current_.insert(driveOf(folder), folder);
    return true;
}

}  // namespace soramie::platform
