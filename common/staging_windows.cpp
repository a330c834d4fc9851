#include <windows.h>
// windows.h first: aclapi.h needs its types.
#include <aclapi.h>

#include <algorithm>
#include <vector>

#include "common/staging.h"
#include "common/staging_windows.h"
#include "common/utf16_windows.h"

namespace korvane {

namespace {

class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (ok()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

std::vector<BYTE> TokenInformation(TOKEN_INFORMATION_CLASS what) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    Handle hold(token);
    DWORD need = 0;
    GetTokenInformation(token, what, nullptr, 0, &need);
    if (need == 0 || need > 65536) return {};
    std::vector<BYTE> buf(need);
    if (!GetTokenInformation(token, what, buf.data(), need, &need)) return {};
    return buf;
}

// Who this process runs as, and whom the system makes owner of what it
// creates (the Administrators group for an elevated administrator).
struct Identity {
    std::vector<BYTE> user;
    std::vector<BYTE> owner;
    PSID userSid() const { return reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid; }
    PSID ownerSid() const { return reinterpret_cast<const TOKEN_OWNER*>(owner.data())->Owner; }
    bool ok() const { return !user.empty() && !owner.empty(); }
};

Identity CurrentIdentity() { return {TokenInformation(TokenUser), TokenInformation(TokenOwner)}; }

// One entry: full control for the current user, passed on to every file and
// folder inside. Nothing is inherited from the parent, so the folder is
// private wherever it lies, not only inside the user's own profile (whose
// list would do, but KORVANE_STAGING_DIR may point anywhere).
std::vector<BYTE> OwnerOnlyAcl(PSID user) {
    const DWORD size = static_cast<DWORD>(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) +
                                          GetLengthSid(user));
    std::vector<BYTE> buf(size);
    auto* acl = reinterpret_cast<PACL>(buf.data());
    if (!InitializeAcl(acl, size, ACL_REVISION) ||
        !AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                               FILE_ALL_ACCESS, user))
        return {};
    return buf;
}

bool RegularFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// Rights that let someone put, replace or remove files in the folder, or
// take the folder over.
bool GrantsWriting(ACCESS_MASK mask) {
    return (mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                    WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL)) != 0;
}

// The user, the owner of what the user creates, and those who hold the
// machine anyway (the system account, the administrators), as root does on Linux.
bool Trusted(PSID sid, PSID user, PSID tokenOwner) {
    return EqualSid(sid, user) || EqualSid(sid, tokenOwner) ||
           IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

bool Trusted(PSID sid, const Identity& me) { return Trusted(sid, me.userSid(), me.ownerSid()); }

// Nobody else may write: others may read, as group and others may on Linux.
bool OnlyTrustedMayWrite(const ACL* dacl, const Identity& me) {
    if (dacl == nullptr) return false;  // no list at all lets everyone do anything
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), i, &ace)) return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;  // for what is inside only
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return false;  // a kind not judged here
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        auto* sid = reinterpret_cast<PSID>(&allowed->SidStart);
        if (!Trusted(sid, me) && GrantsWriting(allowed->Mask)) return false;
    }
    return true;
}

// A folder of ours, not a junction or a link to one, that nobody else may
// write to. One that others may write to is refused, not repaired: it was
// not made here, and whoever made it may change it again.
bool PrivateFolder(const std::wstring& dir, const Identity& me) {
    Handle h(CreateFileW(
        dir.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.ok()) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h.get(), &info) || !RegularFolder(info.dwFileAttributes))
        return false;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(h.get(), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return false;
    const bool ok = win::FolderOwnerAccepted(owner, me.userSid(), me.ownerSid()) &&
                    OnlyTrustedMayWrite(dacl, me);
    LocalFree(sd);
    return ok;
}

bool MakePrivateFolder(const std::wstring& dir) {
    const Identity me = CurrentIdentity();
    if (!me.ok()) return false;
    std::vector<BYTE> acl = OwnerOnlyAcl(me.userSid());
    if (acl.empty()) return false;
    SECURITY_DESCRIPTOR sd;
    if (!InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&sd, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE) ||
        !SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    // Created private from the start, so no file lands in it before the list is on.
    SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
    if (!CreateDirectoryW(dir.c_str(), &sa) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    return PrivateFolder(dir, me);
}

bool Gone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

std::wstring StagingCandidate() {
    std::wstring dir = win::Environment(L"KORVANE_STAGING_DIR");
    if (!dir.empty()) return dir;
    const std::wstring local = win::Environment(L"LOCALAPPDATA");
    return local.empty() ? std::wstring() : local + L"\\Korvane";
}

}  // namespace

namespace win {

bool FolderOwnerAccepted(PSID owner, PSID user, PSID tokenOwner) {
    return owner != nullptr && IsValidSid(owner) && Trusted(owner, user, tokenOwner);
}

}  // namespace win

std::string StagingFolderName() { return win::Narrow(StagingCandidate()); }

std::optional<std::string> StagingDirectory() {
    const std::wstring dir = StagingCandidate();
    if (dir.empty() || !MakePrivateFolder(dir)) return std::nullopt;
    return win::Narrow(dir);
}

std::optional<std::string> StagingPath(const char* fileName) {
    auto dir = StagingDirectory();
    if (!dir || fileName == nullptr) return std::nullopt;
    return *dir + "\\" + fileName;
}

std::optional<Bytes> ReadWholeFile(const std::string& path, std::size_t maxLength) {
    const auto wide = win::Widen(path);
    if (!wide) return std::nullopt;
    // A link planted at the path is opened as itself and refused below; a
    // pipe or device is refused by its type without a read that could wait.
    Handle h(CreateFileW(wide->c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!h.ok()) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(h.get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return std::nullopt;
    Bytes out;
    uint8_t chunk[4096];
    while (out.size() < maxLength) {
        const auto want = static_cast<DWORD>(std::min(sizeof chunk, maxLength - out.size()));
        DWORD got = 0;
        if (!ReadFile(h.get(), chunk, want, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        out.insert(out.end(), chunk, chunk + got);
    }
    return out;
}

bool RemoveFile(const std::string& path) {
    const auto wide = win::Widen(path);
    if (!wide) return false;
    return DeleteFileW(wide->c_str()) || Gone(GetLastError());
}

bool WriteWholeFile(const uint8_t* data, std::size_t n, const std::string& path) {
    if (n > 0 && data == nullptr) return false;
    const auto wide = win::Widen(path);
    if (!wide || !RemoveFile(path)) return false;
    // CREATE_NEW after the delete: whatever appears at the path in between
    // (a link planted by someone else) makes the creation fail. The file
    // takes the staging folder's owner-only list.
    HANDLE h = CreateFileW(wide->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::size_t done = 0;
    bool ok = true;
    while (done < n) {
        const auto want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 20));
        DWORD put = 0;
        if (!WriteFile(h, data + done, want, &put, nullptr) || put == 0) {
            ok = false;
            break;
        }
        done += put;
    }
    if (!CloseHandle(h)) ok = false;
    if (!ok) DeleteFileW(wide->c_str());
    return ok;
}

}  // namespace korvane
