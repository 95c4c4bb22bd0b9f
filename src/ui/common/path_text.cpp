// SPDX-License-Identifier: MIT
#include "ui/common/path_text.h"

#include "core/paths.h"

namespace soramie {

QString joinPath(const QString& folder, const QString& name)
{
    return fromNativePath(joinPath(toNativePath(folder), toNativePath(name)));
}

QString folderAndFileLabel(const QString& path)
{
    return fromNativePath(folderAndFileLabel(toNativePath(displayPath(path))));
}

QString PathDelegate::displayText(const QVariant& value, const QLocale& /*locale*/) const
{
    return displayPath(value.toString());
}

QString withoutFinalSeparator(const QString& path)
{
    QString out = path;
    while (out.size() > 1 && out.endsWith(QLatin1Char('/'))) out.chop(1);
    return out;
}

}  // namespace soramie
