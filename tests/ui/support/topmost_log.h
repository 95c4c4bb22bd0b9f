// SPDX-License-Identifier: MIT
// The always-on-top changes a window asked for, as one comparable string.
#pragma once

#include "fake_services.h"

#include <QString>

namespace soramie::testing {

// "+" on, "-" off, in order; "?" marks a change for a window other than `window`.
inline QString stacking(const ScriptedPickers& pickers, const QWidget* window)
{
    QString out;
    for (const auto& c : pickers.topmostCalls) out += c.window != window ? u'?' : c.onTop ? u'+' : u'-';
    return out;
}

}  // namespace soramie::testing
