#pragma once
// What the doctor's report asks of the system itself, which differs between
// Linux (doctor_linux.cpp) and Windows (doctor_windows.cpp).
#include <string>

#include "cli/doctor.h"

namespace korvane::cli {

// "Linux 6.1.0-18-amd64 x86_64 (Debian GNU/Linux 12 (bookworm))".
std::string SystemName();
// How real hosts are reached here.
const char* BackendName();
// The node behind `path`: its owner, mode and the processes holding it.
NodeAccess ExamineNode(const std::string& path);
// The rule that gives access to the hosts, and whether this user is at the seat.
AccessSetup ExamineAccessSetup();

}  // namespace korvane::cli
