// SPDX-License-Identifier: MIT
#include "ui/common/status_text.h"

namespace soramie {

QString kilobytesText(std::uint64_t bytes)
{
    QString text = QString::number(bytes / 1000);
    const std::uint64_t rest = bytes % 1000;
    if (rest != 0) {
        QString fraction = QStringLiteral("%1").arg(rest, 3, 10, QLatin1Char('0'));
        while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
        text += QLatin1Char('.') + fraction;
    }
    return text;
}

QString fileSizeText(const QString& amount, SizeUnit unit)
{
    return QStringLiteral("File Size ") + amount +
           (unit == SizeUnit::Bytes ? QStringLiteral(" byte") : QStringLiteral(" KB"));
}

QString fileSizeTextLike(const QString& shown, std::uint64_t bytes)
{
    qsizetype indent = 0;
    while (indent < shown.size() && shown[indent] == QLatin1Char(' ')) ++indent;
    const QString text = shown.endsWith(QStringLiteral(" KB")) ? fileSizeText(kilobytesText(bytes), SizeUnit::Kilobytes)
                                                               : fileSizeText(QString::number(bytes), SizeUnit::Bytes);
    return shown.left(indent) + text;
}

}  // namespace soramie
