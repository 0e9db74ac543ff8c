// The end-to-end tests run inside the program's own application object, so a failure that a
// handler lets through reaches the same error box as in the program.

#include <gtest/gtest.h>

#include "console/window/application.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
