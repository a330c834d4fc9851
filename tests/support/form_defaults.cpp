#include "tests/support/form_defaults.h"

namespace korvane::test {

BasicParamValues FormBasicParams() { return {"10", 0, 0, kFormPassword}; }

AddressCodeValues FormAddressCodes() {
    AddressCodeValues v;
    v.volume = "0";
    for (auto& g : v.groups) g = AddressGroupValues{false, kFormAddress, 0, 0, "0", "1", "0"};
    v.alarmOffAddress = kFormAlarmOffAddress;
    return v;
}

}  // namespace korvane::test
