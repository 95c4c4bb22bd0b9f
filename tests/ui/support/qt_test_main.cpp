// SPDX-License-Identifier: MIT
// GoogleTest main for window tests: one QApplication for the whole run, with
// Qt's own texts in Japanese as the program has them.
#include "platform/qt_services.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    soramie::platform::useJapaneseQtTexts(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
