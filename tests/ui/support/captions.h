// SPDX-License-Identifier: MIT
// Whether a window's captions are whole under the Japanese fonts of a desktop.
#pragma once

#include <QStringList>

#include <functional>

class QWidget;

namespace soramie::testing {

// The controls of window (buttons, check boxes, labels, group boxes) whose
// caption does not fit the place they have, as "objectName: caption".
QStringList cutCaptions(const QWidget& window);

// Runs check once under each Japanese UI font installed here (IPAGothic, Noto
// Sans CJK JP) as the application's font, with the family's name; false when
// none is installed.
bool underJapaneseFonts(const std::function<void(const QString& family)>& check);

}  // namespace soramie::testing
