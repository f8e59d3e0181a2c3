#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need the application object before any widget exists. CTest lists the cases by
// running the binary without the tests' environment, so headless is the default here too.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
