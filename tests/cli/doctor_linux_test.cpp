// What the doctor reads of a Linux system, over trees made here: the udev
// rule files, logind's seats and sessions, the processes' open files.
#include "cli/doctor_linux.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace korvane::cli::linux_doctor {
namespace {

class Tree {
  public:
    bool Write(const QString& name, const QByteArray& text) const {
        QDir().mkpath(QFileInfo(Path(name)).absolutePath());
        QFile f(Path(name));
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    }
    bool Link(const QString& name, const QString& target) const {
        QDir().mkpath(QFileInfo(Path(name)).absolutePath());
        return ::symlink(target.toUtf8().constData(), Path(name).toUtf8().constData()) == 0;
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    std::string P(const QString& name) const { return Path(name).toStdString(); }

  private:
    QTemporaryDir dir_;
};

const QByteArray kRule =
    "# the hosts, for the user at the seat\n"
    "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"7890\", "
    "TAG+=\"uaccess\"\n";

TEST(DoctorLinux, RuleFilesAreCountedAsUdevReadsThem) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, QByteArray>> files;  // under etc/ and usr/
        bool libIsLink;                                         // lib -> usr/lib, merged /usr
        std::string rule;
        std::size_t notes;
    };
    const std::vector<Case> cases = {
        {"none",
         {{"usr/lib/udev/rules.d/60-other.rules", "ATTRS{idVendor}==\"046d\"\n"}},
         false,
         "missing",
         0},
        {"only in a comment",
         {{"usr/lib/udev/rules.d/70-korvane.rules", "# 0483 7890 uaccess\n"}},
         false,
         "missing",
         0},
        {"the package's copy, seen twice through merged /usr",
         {{"usr/lib/udev/rules.d/70-korvane.rules", kRule}},
         true,
         "once",
         0},
        {"a copy in /etc of the same name hides the package's",
         {{"etc/udev/rules.d/70-korvane.rules", kRule},
          {"usr/lib/udev/rules.d/70-korvane.rules", kRule}},
         false,
         "once",
         1},
        {"a copy under another name applies as well",
         {{"etc/udev/rules.d/99-hosts.rules", kRule},
          {"usr/lib/udev/rules.d/70-korvane.rules", kRule}},
         false,
         "twice",
         0},
        {"a rule without uaccess",
         {{"etc/udev/rules.d/50-hosts.rules",
           "ATTRS{idVendor}==\"0483\", MODE=\"0666\", "
           "ATTRS{idProduct}==\"1234\"\n"}},
         false,
         "once",
         1},
    };
    for (const Case& c : cases) {
        Tree t;
        for (const auto& [name, text] : c.files) ASSERT_TRUE(t.Write(name, text)) << c.what;
        QDir().mkpath(t.Path("usr/lib/udev/rules.d"));
        if (c.libIsLink) {
            ASSERT_TRUE(t.Link("lib", t.Path("usr/lib")));
        }
        const AccessSetup s = FindRules({t.P("etc/udev/rules.d"), t.P("run/udev/rules.d"),
                                         t.P("usr/lib/udev/rules.d"), t.P("lib/udev/rules.d")});
        EXPECT_EQ(s.rule, c.rule) << c.what;
        EXPECT_EQ(s.notes.size(), c.notes) << c.what << ": " << ::testing::PrintToString(s.notes);
    }
}

TEST(DoctorLinux, TheSeatIsUnknownWithoutLogindAndOtherwiseAnActiveSessionOfTheUser) {
    const QByteArray mine = "UID=1000\nUSER=op\nACTIVE=1\nSEAT=seat0\n";
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, QByteArray>> files;
        std::string seat;
    };
    const std::vector<Case> cases = {
        {"no logind", {{"systemd/sessions/1", mine}}, "unknown"},
        {"at the seat",
         {{"systemd/seats/seat0", "IS_SEAT0=1\n"}, {"systemd/sessions/2", mine}},
         "yes"},
        {"another user's session",
         {{"systemd/seats/seat0", ""}, {"systemd/sessions/2", "UID=1001\nACTIVE=1\nSEAT=seat0\n"}},
         "no"},
        {"a remote session, no seat",
         {{"systemd/seats/seat0", ""}, {"systemd/sessions/3", "UID=1000\nACTIVE=1\nREMOTE=1\n"}},
         "no"},
        {"switched away",
         {{"systemd/seats/seat0", ""}, {"systemd/sessions/2", "UID=1000\nACTIVE=0\nSEAT=seat0\n"}},
         "no"},
    };
    for (const Case& c : cases) {
        Tree t;
        QDir().mkpath(t.Path("systemd/seats"));
        for (const auto& [name, text] : c.files) ASSERT_TRUE(t.Write(name, text));
        EXPECT_EQ(SeatOf(1000, t.P("")), c.seat) << c.what;
    }
}

TEST(DoctorLinux, TheProcessesHoldingTheNodeAreNamedButThisOne) {
    Tree t;
    ASSERT_TRUE(t.Write("dev/hidraw0", ""));
    ASSERT_TRUE(t.Write("dev/other", ""));
    ASSERT_TRUE(t.Write("proc/812/comm", "otherapp\n"));
    ASSERT_TRUE(t.Link("proc/812/fd/5", t.Path("dev/hidraw0")));
    ASSERT_TRUE(t.Link("proc/812/fd/6", t.Path("gone")));
    ASSERT_TRUE(t.Write("proc/900/comm", "bystander\n"));
    ASSERT_TRUE(t.Link("proc/900/fd/3", t.Path("dev/other")));
    ASSERT_TRUE(t.Write("proc/77/comm", "korvane-cli\n"));
    ASSERT_TRUE(t.Link("proc/77/fd/4", t.Path("dev/hidraw0")));
    ASSERT_TRUE(t.Write("proc/self/comm", "not a process\n"));
    const NodeAccess a = HoldersOf(t.P("dev/hidraw0"), t.P("proc"), 77);
    ASSERT_EQ(a.holders.size(), 1u);
    EXPECT_EQ(a.holders[0].pid, 812);
    EXPECT_EQ(a.holders[0].name, "otherapp");
}

}  // namespace
}  // namespace korvane::cli::linux_doctor
