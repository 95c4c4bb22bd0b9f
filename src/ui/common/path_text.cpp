// SPDX-License-Identifier: MIT
#include "ui/common/path_text.h"

#include "core/paths.h"

#include <QFile>

namespace soramie {

std::string toNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString fromNativePath(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

QString joinFolderFile(const QString& folder, const QString& name)
{
    return fromNativePath(JoinFolderFile(toNativePath(folder), toNativePath(name)));
}

QString folderFileLabel(const QString& path) { return fromNativePath(FolderFileLabel(toNativePath(path))); }

QString withoutFinalSeparator(const QString& path)
{
    QString out = path;
    while (out.size() > 1 && out.endsWith(QLatin1Char('/'))) out.chop(1);
    return out;
}

}  // namespace soramie
