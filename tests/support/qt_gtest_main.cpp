#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need the application object before any widget exists.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
