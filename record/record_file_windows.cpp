#include <windows.h>

#include "common/utf16_windows.h"
#include "record/record_file.h"
#include "record/record_log.h"

namespace korvane::record {

namespace {

std::string LastError() { return win::ErrorText(GetLastError()); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

std::string RecordEnvironment() { return win::Narrow(win::Environment(L"KORVANE_RECORD")); }

const char* DefaultRecordPlace() { return "%LOCALAPPDATA%\\Korvane\\record.jsonl"; }

std::string DefaultRecordPath() {
    const std::wstring local = win::Environment(L"LOCALAPPDATA");
    if (local.empty()) return {};
    return win::Narrow(local + L"\\Korvane\\record.jsonl");
}

bool AppendLine(const std::string& path, const std::string& line, std::string& why) {
    const auto wide = win::Widen(path);
    if (!wide) {
        why = "the name is not UTF-8";
        return false;
    }
    // Append access alone: every write lands at the end, whoever else writes.
    HANDLE h = CreateFileW(wide->c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                           kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        why = LastError();
        return false;
    }
    // A device or a pipe named as the record is no place for it.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        why = "it is not a file";
        return false;
    }
    std::string text = line + "\n";
    LARGE_INTEGER size{};
    if (GetFileSizeEx(h, &size) && size.QuadPart > 0) {
        OVERLAPPED at{};
        const ULONGLONG lastAt = static_cast<ULONGLONG>(size.QuadPart - 1);
        at.Offset = static_cast<DWORD>(lastAt & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(lastAt >> 32);
        char last = '\n';
        DWORD got = 0;
        if (ReadFile(h, &last, 1, &got, &at) && got == 1 && last != '\n')
            text.insert(text.begin(), '\n');
    }
    DWORD put = 0;
    const bool written = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &put, nullptr);
    if (!written) why = LastError();
    if (written && put != text.size()) why = "the line was cut short (disk full?)";
    CloseHandle(h);
    return written && put == text.size();
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    const auto a = win::Widen(from);
    const auto b = win::Widen(to);
    return a && b && MoveFileExW(a->c_str(), b->c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace korvane::record
