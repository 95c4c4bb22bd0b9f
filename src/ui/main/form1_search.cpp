// SPDX-License-Identifier: MIT
// Form1: the search and replace dialogs as the main window sees them.
#include "ui/main/form1.h"

namespace soramie {

void Form1::appSword_Click() {}
void Form1::appOki_Click() {}
void Form1::showSearchFolder(const QString&) {}
void Form1::showSearchHit() {}

}  // namespace soramie
