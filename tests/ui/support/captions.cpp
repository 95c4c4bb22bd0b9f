// SPDX-License-Identifier: MIT
#include "captions.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>

namespace soramie::testing {

namespace {

// Room a caption needs inside its control, besides the text itself.
int decoration(const QWidget& w)
{
    const QStyle* style = w.style();
    if (qobject_cast<const QCheckBox*>(&w) != nullptr) {
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &w) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &w);
    }
    if (qobject_cast<const QAbstractButton*>(&w) != nullptr) return 4;  // the frame, both sides
    return 0;
}

QString captionOf(const QWidget& w)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(&w)) return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(&w)) return label->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(&w)) return group->title();
    return {};
}

}  // namespace

QStringList cutCaptions(const QWidget& window)
{
    QStringList cut;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        QString caption = captionOf(*w);
        caption.remove(QLatin1Char('&'));
        if (caption.isEmpty() || w->isHidden()) continue;
        const QFontMetrics metrics = w->fontMetrics();
        const int needed = metrics.horizontalAdvance(caption) + decoration(*w);
        if (needed > w->width() || metrics.height() > w->height())
            cut << w->objectName() + QStringLiteral(": ") + caption;
    }
    return cut;
}

QStringList japaneseFonts()
{
    QStringList out;
    for (const QString& family : {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")}) {
        if (QFontDatabase::families().contains(family)) out << family;
    }
    return out;
}

}  // namespace soramie::testing
