#include "tests/support_qt/widget_tests.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include "tests/support/scratch_folder.h"

namespace korvane::test {

int RunWidgetTests(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the cases needs no window system at all.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    // Running them needs no display either; a platform named by the caller
    // (xcb under Xvfb, say) is kept.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const ScratchFolder scratch;
    const QDir home(QString::fromStdString(scratch.path));
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit());  // private already: mode 0700
    qputenv("KORVANE_STAGING_DIR", home.filePath("staging").toLocal8Bit());
    QDir::setCurrent(home.path());
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace korvane::test
