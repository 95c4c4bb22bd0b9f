// SPDX-License-Identifier: MIT
#include "platform/file_names.h"
#include "platform/services.h"

namespace soramie::platform {

Filter textFilter()
{
    return {{QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"), QStringLiteral("*.txt")},
            {QStringLiteral("全てのﾌｧｲﾙ(*.*)"), QStringLiteral("*.*")}};
}

Filter programFilter()
{
    return {{QStringLiteral("ﾌﾟﾛｸﾞﾗﾑﾌｧｲﾙ(*.exe)"), QStringLiteral("*.exe")},
            {QStringLiteral("全てのﾌｧｲﾙ(*.*)"), QStringLiteral("*.*")}};
}

namespace {

// The folder part of a chosen path, with its final separator: the path without
// its last name (a name that also occurs earlier in the path is cut only at the end).
QString folderWithSeparator(const QString& path) { return path.left(path.lastIndexOf(QLatin1Char('/')) + 1); }

void enterFolderOf(const QString& path) { enterProcessFolder(folderWithSeparator(absoluteCleanPath(path))); }

}  // namespace

QString Pickers::showOpenDialog(QWidget* owner, const Filter& filter, const QString& initialFolder)
{
    QString path = askOpen(owner, filter, initialFolder);
    if (path.isEmpty()) return {};
    enterFolderOf(path);
    lastChosenFolder_ = folderWithSeparator(path);
    return path;
}

QString Pickers::showSaveDialog(QWidget* owner, const Filter& filter, const QString& initialFolder)
{
    QString path = askSave(owner, filter, initialFolder);
    if (path.isEmpty()) return {};
    enterFolderOf(path);
    return path;
}

QString Pickers::browseForFolder(QWidget* owner) { return askFolder(owner); }

bool Pickers::setAlwaysOnTop(QWidget* window, bool onTop) { return window != nullptr && applyTopmost(window, onTop); }

}  // namespace soramie::platform
