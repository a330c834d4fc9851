#pragma once
// The lock keys' state as the status-bar panes show it, where the system
// tells it: Windows does, for whichever window has the focus; a Linux
// program cannot read it portably (Wayland keeps it from clients), so there
// the panes stay blank.

namespace korvane {

struct LockKeys {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// false where the state cannot be read: the panes are left blank.
bool LockKeysReadable();
LockKeys ReadLockKeys();

}  // namespace korvane
