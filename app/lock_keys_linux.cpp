#include "app/lock_keys.h"

namespace korvane {

bool LockKeysReadable() { return false; }

LockKeys ReadLockKeys() { return {}; }

}  // namespace korvane
