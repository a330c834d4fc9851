// The main of a suite that runs korvane-cli inside the mock: under
// umockdev's preload, with a Qt core application for QProcess.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "mock_hid_device.h"

int main(int argc, char** argv) {
    korvane::testing::RunUnderUmockdev(argc, argv);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
