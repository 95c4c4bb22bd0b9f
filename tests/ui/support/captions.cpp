// SPDX-License-Identifier: MIT
#include "captions.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>

namespace soramie::testing {

QStringList cutCaptions(const QWidget& window)
{
    QStringList cut;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        QString caption;
        int decoration = 0;  // room the control needs besides the text
        if (const auto* box = qobject_cast<const QCheckBox*>(w)) {
            caption = box->text();
            decoration = w->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, w) +
                         w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, w);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            caption = button->text();
            decoration = 4;  // the frame, both sides
        } else if (const auto* label = qobject_cast<const QLabel*>(w)) {
            caption = label->text();
        } else if (const auto* group = qobject_cast<const QGroupBox*>(w)) {
            caption = group->title();
        }
        caption.remove(QLatin1Char('&'));
        if (caption.isEmpty() || w->isHidden()) continue;
        const QFontMetrics metrics = w->fontMetrics();
        if (metrics.horizontalAdvance(caption) + decoration > w->width() || metrics.height() > w->height())
            cut << w->objectName() + QStringLiteral(": ") + caption;
    }
    return cut;
}

bool underJapaneseFonts(const std::function<void(const QString& family)>& check)
{
    const QFont saved = QApplication::font();
    bool any = false;
    for (const QString& family : {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")}) {
        if (!QFontDatabase::families().contains(family)) continue;
        any = true;
        QApplication::setFont(QFont(family, 9));
        check(family);
    }
    QApplication::setFont(saved);
    return any;
}

}  // namespace soramie::testing
