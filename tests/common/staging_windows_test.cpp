// The staging folder on Windows: private to the current user by its own
// access list, never a reparse point, its files never followed through one.
#include <windows.h>
// windows.h first: aclapi.h needs its types.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/staging.h"
#include "common/staging_windows.h"
#include "tests/support/bytes.h"

namespace korvane::test {
namespace {

namespace fs = std::filesystem;

class Scratch {
  public:
    Scratch() {
        path = fs::temp_directory_path() /
               ("korvane-staging-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount64()));
        fs::create_directories(path);
    }
    ~Scratch() {
        SetEnvironmentVariableW(L"KORVANE_STAGING_DIR", nullptr);
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    void UseAsStaging(const fs::path& dir) {
        SetEnvironmentVariableW(L"KORVANE_STAGING_DIR", dir.wstring().c_str());
    }
    fs::path path;
};

std::vector<BYTE> CurrentUserSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD need = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &need);
    std::vector<BYTE> buf(need);
    GetTokenInformation(token, TokenUser, buf.data(), need, &need);
    CloseHandle(token);
    auto* sid = reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid;
    return std::vector<BYTE>(static_cast<BYTE*>(sid), static_cast<BYTE*>(sid) + GetLengthSid(sid));
}

struct Ace {
    std::vector<BYTE> sid;
    ACCESS_MASK mask = 0;
};

struct AccessList {
    bool read = false;
    std::vector<Ace> allowed;  // in order
};

AccessList ListOf(const fs::path& p) {
    AccessList out;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoW(p.wstring().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return out;
    out.read = dacl != nullptr;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) continue;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        auto* sid = reinterpret_cast<PSID>(&allowed->SidStart);
        out.allowed.push_back({std::vector<BYTE>(static_cast<BYTE*>(sid),
                                                 static_cast<BYTE*>(sid) + GetLengthSid(sid)),
                               allowed->Mask});
    }
    LocalFree(sd);
    return out;
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The system account and the administrators hold the machine anyway.
bool HoldsTheMachine(const std::vector<BYTE>& sid) {
    auto* p = const_cast<BYTE*>(sid.data());
    return IsWellKnownSid(p, WinLocalSystemSid) || IsWellKnownSid(p, WinBuiltinAdministratorsSid);
}

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

constexpr ACCESS_MASK kWriting = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE |
                                 WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

TEST(StagingWindows, FolderIsMadeSoThatNobodyElseMayWrite) {
    Scratch scratch;
    const fs::path dir = scratch.path / "staging";
    scratch.UseAsStaging(dir);
    const auto made = StagingDirectory();
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(fs::u8path(*made), dir);
    EXPECT_EQ(StagingPath("Temp.txt"), dir.u8string() + "\\Temp.txt");

    // Windows keeps the list as given (the user alone, nothing inherited);
    // wine turns it into Unix permission bits and reads back a list made
    // from those, with the system account in it. Either way nobody else may write.
    const AccessList folder = ListOf(dir);
    ASSERT_TRUE(folder.read);
    bool user = false;
    for (const Ace& ace : folder.allowed) {
        if (ace.sid == CurrentUserSid()) {
            user = true;
            EXPECT_EQ(ace.mask & FILE_ALL_ACCESS, FILE_ALL_ACCESS);
        } else if (!HoldsTheMachine(ace.sid)) {
            EXPECT_EQ(ace.mask & kWriting, 0u);
        }
    }
    EXPECT_TRUE(user);

    const std::string file = *StagingPath("Write.txt");
    const Bytes data = Hex("31 2C 05 3B");
    ASSERT_TRUE(WriteWholeFile(data.data(), data.size(), file));
    for (const Ace& ace : ListOf(fs::u8path(file)).allowed) {
        if (ace.sid != CurrentUserSid() && !HoldsTheMachine(ace.sid)) {
            EXPECT_EQ(ace.mask & kWriting, 0u);
        }
    }
    EXPECT_EQ(ReadWholeFile(file, 100), data);
    ASSERT_TRUE(StagingDirectory().has_value()) << "found again as it was left";
}

// Folders that are there already, made with a given access list ("%s" is
// the current user's SID).
TEST(StagingWindows, AFolderOthersMayWriteToIsRefused) {
    struct Case {
        const char* sddl;
        bool accepted;
    } cases[] = {
        {"D:P(A;OICI;FA;;;%s)", true},
        {"D:P(A;OICI;FA;;;%s)(A;OICI;FR;;;WD)", true},                  // everyone may read
        {"D:P(A;OICI;FA;;;%s)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},  // system, administrators
        {"D:P(A;OICI;FA;;;%s)(A;OICI;FA;;;WD)", false},                 // everyone may do anything
        {"D:P(A;OICI;FA;;;%s)(A;OICI;FRFW;;;WD)", false},               // everyone may write
        {"D:NO_ACCESS_CONTROL", false},                                 // no list at all
    };
    LPWSTR me = nullptr;
    const std::vector<BYTE> sid = CurrentUserSid();
    ASSERT_TRUE(ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &me));
    Scratch scratch;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sddl);
        std::wstring sddl = fs::u8path(c.sddl).wstring();
        for (std::size_t at; (at = sddl.find(L"%s")) != std::wstring::npos;)
            sddl.replace(at, 2, me);
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
            sddl.c_str(), SDDL_REVISION_1, &sd, nullptr));
        SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
        const fs::path dir = scratch.path / ("made" + std::to_string(n++));
        ASSERT_TRUE(CreateDirectoryW(dir.wstring().c_str(), &sa));
        LocalFree(sd);
        scratch.UseAsStaging(dir);
        // wine keeps only Unix permission bits, under its umask, and never
        // reads back a list that lets others write: those rows hold on Windows.
        if (!c.accepted && UnderWine()) continue;
        EXPECT_EQ(StagingDirectory().has_value(), c.accepted);
    }
    LocalFree(me);
}

// wine keeps no owners, so the rule is held at its seam. After one "Run as
// administrator" the folder belongs to the Administrators group; the normal
// runs after it must go on using it.
TEST(StagingWindows, TheFolderMayBeOwnedByTheUserOrThoseWhoHoldTheMachine) {
    struct Case {
        const wchar_t* owner;
        bool accepted;
    } cases[] = {
        {L"S-1-5-21-1-2-3-1001", true},   // the user
        {L"S-1-5-21-1-2-3-513", true},    // what the user's token makes owner
        {L"S-1-5-32-544", true},          // Administrators
        {L"S-1-5-18", true},              // the system account
        {L"S-1-5-21-1-2-3-1002", false},  // another user
        {L"S-1-1-0", false},              // everyone
        {L"S-1-5-32-545", false},         // Users
    };
    PSID user = nullptr;
    PSID tokenOwner = nullptr;
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-21-1-2-3-1001", &user));
    ASSERT_TRUE(ConvertStringSidToSidW(L"S-1-5-21-1-2-3-513", &tokenOwner));
    for (const Case& c : cases) {
        PSID owner = nullptr;
        ASSERT_TRUE(ConvertStringSidToSidW(c.owner, &owner));
        EXPECT_EQ(win::FolderOwnerAccepted(owner, user, tokenOwner), c.accepted)
            << fs::path(c.owner).u8string();
        LocalFree(owner);
    }
    EXPECT_FALSE(win::FolderOwnerAccepted(nullptr, user, tokenOwner));
    LocalFree(user);
    LocalFree(tokenOwner);
}

TEST(StagingWindows, APlainFileIsNoStagingFolder) {
    Scratch scratch;
    const fs::path file = scratch.path / "plain";
    std::ofstream(file) << "x";
    scratch.UseAsStaging(file);
    EXPECT_FALSE(StagingDirectory().has_value());
    EXPECT_FALSE(StagingPath("Write.txt").has_value());
}

TEST(StagingWindows, ALinkIsNoStagingFolder) {
    Scratch scratch;
    const fs::path real = scratch.path / "real";
    fs::create_directories(real);
    const fs::path alias = scratch.path / "alias";
    CreateSymbolicLinkW(alias.wstring().c_str(), real.wstring().c_str(),
                        SYMBOLIC_LINK_FLAG_DIRECTORY);
    // wine 8 answers the call without making a link.
    if (GetFileAttributesW(alias.wstring().c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no symbolic link can be made here";
    scratch.UseAsStaging(alias);
    EXPECT_FALSE(StagingDirectory().has_value());
}

TEST(StagingWindows, WritingReplacesALinkInsteadOfFollowingIt) {
    Scratch scratch;
    const fs::path victim = scratch.path / "victim";
    std::ofstream(victim) << "keep";
    const fs::path staged = scratch.path / "Write.txt";
    CreateSymbolicLinkW(staged.wstring().c_str(), victim.wstring().c_str(), 0);
    if (GetFileAttributesW(staged.wstring().c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no symbolic link can be made here";
    EXPECT_FALSE(ReadWholeFile(staged.u8string(), 100).has_value());
    const Bytes data = Hex("31 2C 05 3B");
    ASSERT_TRUE(WriteWholeFile(data.data(), data.size(), staged.u8string()));
    EXPECT_EQ(Slurp(victim), "keep");
    EXPECT_EQ(Slurp(staged), "1,\x05;");
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(staged)));
}

TEST(StagingWindows, APipeAtThePathIsNotRead) {
    const std::string name =
        "\\\\.\\pipe\\korvane-staging-" + std::to_string(GetCurrentProcessId());
    HANDLE pipe =
        CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReadWholeFile(name, 10).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    CloseHandle(pipe);
}

TEST(StagingWindows, ChineseNamesReachTheFile) {
    Scratch scratch;
    const std::string path = (scratch.path / fs::u8path("暂存.txt")).u8string();
    const Bytes data = Hex("B1 A8");
    ASSERT_TRUE(WriteWholeFile(data.data(), data.size(), path));
    EXPECT_TRUE(fs::exists(fs::u8path(path)));
    EXPECT_EQ(ReadWholeFile(path, 10), data);
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(fs::exists(fs::u8path(path)));
    EXPECT_TRUE(RemoveFile(path)) << "already gone counts as removed";
}

}  // namespace
}  // namespace korvane::test
