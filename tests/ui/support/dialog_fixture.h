// SPDX-License-Identifier: MIT
// One fixture for the dialog tests: a shown fake main window and the dialogs a
// test opens on it (destroyed before the window).
#pragma once

#include "fake_main_window.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <vector>

namespace soramie::testing {

class DialogTest : public ::testing::Test {
protected:
    DialogTest() { main.show(); }
    ~DialogTest() override
    {
        for (const auto& dialog : dialogs_) delete dialog.data();
    }

    // Creates dialog D on the main window and shows it, as the menu command does.
    template <class D>
    D& open()
    {
        auto* dialog = new D(main);
        dialogs_.emplace_back(dialog);
        dialog->show();
        return *dialog;
    }
    QStringList boxes() const { return prompts.boxes(); }

    FakeMainWindow main;
    ScriptedPrompts& prompts = main.fakes.prompts;
    ScriptedPickers& pickers = main.fakes.pickers;

private:
    std::vector<QPointer<QWidget>> dialogs_;
};

}  // namespace soramie::testing
