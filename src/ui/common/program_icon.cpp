// SPDX-License-Identifier: MIT
#include "ui/common/program_icon.h"

#include "core/version.h"

#include <QString>

namespace soramie {

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/soramie/soramie-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QString versionText() { return QStringLiteral("SORAMIE ver.") + QLatin1String(kVersionNumber); }

QString aboutVersionText() { return QStringLiteral("SORAMIE ver") + QLatin1String(kVersionNumber); }

}  // namespace soramie
