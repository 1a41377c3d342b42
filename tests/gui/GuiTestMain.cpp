// The window tests need one QApplication, set up as the program sets up its
// own; they run on the offscreen platform unless a display is asked for.
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/WindowLook.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kerfmax::gui::SetUpWindowLook(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
