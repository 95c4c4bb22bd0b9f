// SPDX-License-Identifier: MIT
// Sizes of windows and controls in twips (1/1440 inch). At 96 dots per inch 15
// twips make one logical pixel; every conversion between the two goes through
// Twips::toPixels and Twips::fromPixels.
#pragma once

#include <QString>
#include <QWidget>

#include <cmath>
#include <compare>

namespace soramie {

struct Twips {
    static constexpr int kPerPixel = 15;

    int value = 0;
    constexpr Twips() = default;
    constexpr explicit Twips(int v) : value(v) {}
    constexpr auto operator<=>(const Twips&) const = default;
    constexpr Twips operator+(Twips o) const { return Twips(value + o.value); }
    constexpr Twips operator-(Twips o) const { return Twips(value - o.value); }

    // The nearest whole number of pixels (halves away from zero).
    [[nodiscard]] int toPixels() const { return static_cast<int>(std::lround(static_cast<double>(value) / kPerPixel)); }
    [[nodiscard]] static constexpr Twips fromPixels(int pixels) { return Twips(pixels * kPerPixel); }
};

// A window's width and height.
struct TwipsSize {
    Twips width;
    Twips height;
    constexpr bool operator==(const TwipsSize&) const = default;
};

namespace twips {

// Pixels of a layout length given in twips.
inline int px(int twips) { return Twips(twips).toPixels(); }

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

}  // namespace twips

}  // namespace soramie
