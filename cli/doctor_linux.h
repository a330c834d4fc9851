#pragma once
// The pieces of the Linux examination, each over a root of its own so that
// a test can hand it a tree of its making.
#include <string>
#include <vector>

#include "cli/doctor.h"

namespace korvane::cli::linux_doctor {

// The udev rule folders, the one that wins first.
std::vector<std::string> RuleFolders();
// The rule files among `folders` that serve the hosts (a rule line naming the
// vendor and a host's product), as udev reads them: a file of the same name
// in a later folder is hidden by the earlier one, and a folder reached twice
// (/lib as a link to /usr/lib) counts once.
AccessSetup FindRules(const std::vector<std::string>& folders);
// "unknown" where no logind runs (no seat in <run>/systemd/seats), "yes" when the
// user has an active session at a seat, else "no".
std::string SeatOf(unsigned uid, const std::string& runRoot);
// The processes of <procRoot> (but `self`) that have the file at `path` open.
NodeAccess HoldersOf(const std::string& path, const std::string& procRoot, long self);

}  // namespace korvane::cli::linux_doctor
