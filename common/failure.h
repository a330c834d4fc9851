#pragma once
// How a call says it failed and why: `bool f(..., std::string* why)`, false
// with the reason in `why` (when the caller asks for it by passing one).
// "Absent" is std::optional; a failure that has a reason is this.
#include <string>
#include <utility>

namespace korvane {

// false, with `reason` in `why`.
inline bool Fail(std::string reason, std::string* why) {
    if (why) *why = std::move(reason);
    return false;
}

// `ok`; when it is false, `reason` goes in `why`.
inline bool Require(bool ok, const char* reason, std::string* why) {
    return ok || Fail(reason, why);
}

}  // namespace korvane
