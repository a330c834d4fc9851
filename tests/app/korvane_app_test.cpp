#include "app/korvane_app.h"

#include <gtest/gtest.h>

#include <QSettings>

TEST(RecentFiles, KeepsFourNewestFirstWithoutRepeats) {
    QSettings().clear();
    CKorvaneApp::SetSettingsNames();
    RecentFileList list;
    for (const char* p : {"/a", "/b", "/c", "/d", "/e", "/c"}) list.Add(QString::fromLatin1(p));
    EXPECT_EQ(list.Entries(), QStringList({"/c", "/e", "/d", "/b"}));
    list.Save();
    RecentFileList loaded;
    loaded.Load();
    EXPECT_EQ(loaded.Entries(), list.Entries());
}
