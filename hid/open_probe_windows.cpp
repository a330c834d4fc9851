#include <windows.h>

#include "common/utf16_windows.h"
#include "hid/open_probe.h"

namespace korvane {

std::optional<OpenRefusal> ProbeOpen(const std::string& path) {
    OpenRefusal r;
    const auto wide = win::Widen(path);
    if (!wide || wide->empty()) {
        r.kind = OpenRefusal::Kind::Absent;
        r.text = "the path is no interface path";
        return r;
    }
    // The backend's own open: read and write, shared both ways, overlapped.
    const HANDLE h =
        CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return std::nullopt;
    }
    const DWORD error = GetLastError();
    r.code = error;
    r.text = win::ErrorText(error);
    switch (error) {
        case ERROR_SHARING_VIOLATION:
            r.kind = OpenRefusal::Kind::Sharing;
            break;
        case ERROR_ACCESS_DENIED:
            r.kind = OpenRefusal::Kind::Access;
            break;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEVICE_NOT_CONNECTED:
            r.kind = OpenRefusal::Kind::Absent;
            break;
        default:
            break;
    }
    return r;
}

}  // namespace korvane
