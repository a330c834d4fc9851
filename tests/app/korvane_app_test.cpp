#include "app/korvane_app.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

TEST(RecentFiles, KeepsFourNewestFirstWithoutRepeats) {
    QSettings().clear();
    CKorvaneApp::SetSettingsNames();
    // Absolute on both systems: "/" on Linux, the current drive ("Z:/") on Windows.
    const QString root = QDir::rootPath();
    RecentFileList list;
    for (const char* p : {"a", "b", "c", "d", "e", "c"}) list.Add(root + QLatin1String(p));
    EXPECT_EQ(list.Entries(), QStringList({root + "c", root + "e", root + "d", root + "b"}));
    list.Save();
    RecentFileList loaded;
    loaded.Load();
    EXPECT_EQ(loaded.Entries(), list.Entries());
}
