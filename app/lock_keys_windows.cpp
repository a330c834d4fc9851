#include <windows.h>

#include "app/lock_keys.h"

namespace korvane {

namespace {
// The low bit of GetKeyState is the key's toggle.
bool Toggled(int key) { return (GetKeyState(key) & 1) != 0; }
}  // namespace

bool LockKeysReadable() { return true; }

LockKeys ReadLockKeys() { return {Toggled(VK_CAPITAL), Toggled(VK_NUMLOCK), Toggled(VK_SCROLL)}; }

}  // namespace korvane
