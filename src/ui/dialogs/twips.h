// SPDX-License-Identifier: MIT
// Dialog layouts are given in twips (1/1440 inch); at 96 dots per inch 15
// twips make one logical pixel.
#pragma once

#include <QString>
#include <QWidget>

#include <cmath>

namespace soramie::twips {

inline int px(int twips) { return static_cast<int>(std::lround(static_cast<double>(twips) / 15.0)); }

// Places w at (left, top) with the given size, all in twips.
inline void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}

// Gives w its object name and tool tip (none when empty), places it in twips
// and returns it.
template <class Widget>
Widget* control(Widget* w, const char* name, const QString& toolTip, int left, int top, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    if (!toolTip.isEmpty()) w->setToolTip(toolTip);
    place(w, left, top, width, height);
    return w;
}

}  // namespace soramie::twips
