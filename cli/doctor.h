#pragma once
// korvane-cli doctor: one report of why a host is found or not, for the
// operator and for a support request. It reads versions and nothing else:
// nothing that changes a host goes out.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/lamp_model.h"
#include "hid/hid_backend.h"
#include "hid/open_probe.h"

namespace korvane::cli {

struct Options;

inline constexpr int kDoctorVersionReads = 10;

struct RoundTrip {
    double minMs = 0;
    double medianMs = 0;
    double maxMs = 0;
    int reads = 0;
};

struct NodeHolder {
    long pid = 0;
    std::string name;
};

// What the system tells of a device's node beyond whether it opens (Linux:
// its owner and mode, the processes that hold it). Empty where it tells nothing.
struct NodeAccess {
    std::string node;  // "crw-rw---- root:plugdev"
    std::vector<std::string> notes;
    std::vector<NodeHolder> holders;  // other programs that have it open
    std::size_t unseen = 0;           // processes whose open files could not be looked at
};

struct DoctorDevice {
    HidDeviceInfo info;
    std::optional<LampModel> model;  // nullopt: another product of the host's vendor
    bool opened = false;
    std::optional<OpenRefusal> refusal;   // why it would not open, as the system says
    std::string failure;                  // what went wrong, as the window would tell it
    std::optional<std::string> firmware;  // UTF-8
    std::optional<RoundTrip> roundTrip;
    NodeAccess access;
};

// How access to the hosts is set up on this system (Linux: the udev rule and
// the seat). Empty where the system has no such thing.
struct AccessSetup {
    std::string rule;                    // "missing", "once", "twice"
    std::vector<std::string> ruleFiles;  // the files that give the rule, in effect
    std::vector<std::string> notes;      // a copy hidden by another, a rule without uaccess
    std::string seat;                    // "yes", "no", "unknown"
};

struct FileCheck {
    std::string what;  // "staging", "record", "trace"
    std::string path;
    bool usable = false;
    std::string state;  // why not, or what is to know ("off", "made when first used")
};

struct DoctorReport {
    std::string version;
    std::string system;
    std::string backend;
    bool emulated = false;
    std::vector<DoctorDevice> devices;  // every HID device of the host's vendor
    AccessSetup setup;
    std::vector<FileCheck> files;
    // From Conclude.
    bool answered = false;
    std::vector<std::string> reasons;   // why no host answered, the likely one first
    std::vector<std::string> warnings;  // what is amiss all the same
};

// Looks at everything the report holds: the devices, one version read
// and then the timed ones on each host that opens, the files, the program.
DoctorReport Examine(const Options& options);
// Whether a host answered, and the reasons and warnings, from what was found.
void Conclude(DoctorReport& report);
// "/dev/hidraw3 (RT-221)", "/dev/hidraw4 (0483:5740)".
std::string DeviceLabel(const DoctorDevice& d);
// The least, the middle and the largest of `ms` (the mean of the middle two
// for an even count); nullopt for none.
std::optional<RoundTrip> RoundTripOf(std::vector<double> ms);

}  // namespace korvane::cli
