// SPDX-License-Identifier: MIT
// Whether a window's captions are whole in the font it has.
#pragma once

#include <QStringList>

class QWidget;

namespace soramie::testing {

// The controls of window (buttons, check boxes, labels, group boxes) whose
// caption does not fit the place they have, as "objectName: caption".
QStringList cutCaptions(const QWidget& window);

// The Japanese UI fonts a desktop offers, as installed here (empty: none is).
QStringList japaneseFonts();

}  // namespace soramie::testing
