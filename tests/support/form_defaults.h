#pragma once
// The form as the operator first sees it, spelled out once for every suite
// that starts from it: tests compare the program's defaults with these, never
// with its own constants.
#include "protocol/records.h"

namespace korvane::test {

inline constexpr const char* kFormPassword = "QKMR";
inline constexpr const char* kFormAddress = "0120120";
inline constexpr const char* kFormAlarmOffAddress = "0119119";

// Alarm time "10", the first volume ("1") and channel ("0"), password "QKMR".
BasicParamValues FormBasicParams();
// Every group at "0120120", red, flashing, lamp 0, sound effect 1, sound 0;
// volume "0"; alarm-off address "0119119"; nothing in effect.
AddressCodeValues FormAddressCodes();

}  // namespace korvane::test
