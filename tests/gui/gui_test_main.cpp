// Main of the GUI test executables: one application for all tests, offscreen.
#include <gtest/gtest.h>

#include "tool_application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs the executable without the test environment, and no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ToolApplication app(argc, argv);
    // A message box would block the test; an exception escaping a handler fails it instead.
    app.SetErrorDisplay([](const QString& message) {
        ADD_FAILURE() << "exception in an event handler: " << message.toStdString();
    });
    return RUN_ALL_TESTS();
}
