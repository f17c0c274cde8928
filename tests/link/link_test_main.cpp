#include <QCoreApplication>

#include <gtest/gtest.h>

// The tool runs the link on a thread with an event loop; so do the tests.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
