// The window tests run inside the program's own application object, on Qt's offscreen
// platform unless another is named.

#include <gtest/gtest.h>

#include "console/window/application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
