// Widget tests run headless, in a scratch folder (no "Sky.bmp", no key
// file) and with settings kept away from the user's own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    if (!scratch.isValid()) return 1;
    qputenv("XDG_CONFIG_HOME", QDir(scratch.path()).filePath("config").toLocal8Bit());
    qputenv("HOME", scratch.path().toLocal8Bit());
    qputenv("KORVANE_STAGING_DIR", QDir(scratch.path()).filePath("staging").toLocal8Bit());
    QDir::setCurrent(scratch.path());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
