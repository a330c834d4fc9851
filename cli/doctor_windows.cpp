#include <windows.h>

#include "cli/doctor_system.h"

namespace korvane::cli {

std::string SystemName() {
    // GetVersionEx answers as the manifest allows; ntdll tells the truth.
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto get = ntdll != nullptr ? reinterpret_cast<GetVersion>(reinterpret_cast<void*>(
                                            GetProcAddress(ntdll, "RtlGetVersion")))
                                      : nullptr;
    if (get == nullptr || get(&v) != 0) return "Windows";
    return "Windows " + std::to_string(v.dwMajorVersion) + "." + std::to_string(v.dwMinorVersion) +
           "." + std::to_string(v.dwBuildNumber);
}

const char* BackendName() { return "SetupAPI + hid.dll"; }

// An interface that will not open says why through ProbeOpen; who holds it
// the system does not tell without asking every process.
NodeAccess ExamineNode(const std::string&) { return {}; }

// Windows grants a HID interface to every user: no rule, no seat.
AccessSetup ExamineAccessSetup() { return {}; }

}  // namespace korvane::cli
