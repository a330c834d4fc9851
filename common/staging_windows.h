#pragma once
// The rule the owner of the Windows staging folder is held to, open to the
// tests: the user, the owner of what the user creates, the system account
// and the administrators; nobody else. A run as administrator leaves the
// folder owned by the Administrators group, and later normal runs use it.
#include <windows.h>

namespace korvane::win {

bool FolderOwnerAccepted(PSID owner, PSID user, PSID tokenOwner);

}  // namespace korvane::win
