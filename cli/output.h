#pragma once
// Everything korvane-cli prints of its own: the help, the usage errors, and
// the values a command read, as text lines or as one JSON object. The
// commands build the values; this is the one place that formats them. (The
// window's result boxes and the progress bar go through TerminalOperator.)
#include <QJsonObject>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/doctor.h"
#include "common/lamp_model.h"
#include "operations/voice_plan.h"
#include "protocol/records.h"

namespace korvane::cli {

// One attached host as 'list' shows it.
struct HostEntry {
    std::string path;
    uint16_t vendor = 0;
    uint16_t product = 0;
    LampModel model = LampModel::Rt220;
    std::string serial;  // empty where the host tells none
    std::string port;
};

class Output {
  public:
    explicit Output(std::FILE* out = stdout, std::FILE* err = stderr) : out_(out), err_(err) {}

    // --json: the values read go out as one JSON object.
    bool json = false;

    void Help() const;
    void Version() const;  // of korvane-cli itself
    // "korvane-cli: WHY" and the pointer to --help, on standard error.
    void UsageError(const std::string& why) const;
    // "korvane-cli: WHAT" on standard error.
    void Error(const std::string& what) const;
    // The same for what is only told (it is no failure of the command).
    void Note(const std::string& what) const;
    // One of the window's texts as a line on standard error.
    void Message(const std::string& text) const;

    void FirmwareVersion(const std::string& version) const;
    void Frequency(float mhz) const;
    void Hosts(const std::vector<HostEntry>& hosts) const;
    void Basic(const BasicReadBack& b) const;
    void Address(const std::vector<AddressReadItem>& items) const;
    // A profile's JSON text, as it is.
    void Profile(const std::string& jsonText) const;
    // A download worked out without sending: the entries in sending order,
    // the warnings, the totals against the bounds, and the verdict.
    void Plan(const std::string& folder, const ops::SoundPlan& plan) const;
    // Lines of the provisioning record: a table, or with json as JSON lines.
    void RecordLines(const std::vector<QJsonObject>& lines) const;
    // The doctor's report: the verdict and its likely reasons first.
    void Doctor(const DoctorReport& report) const;
    // Text made elsewhere (a trace's summary), as it is, on standard output.
    void Text(const std::string& text) const;

    // With --json, a command that failed says so as JSON on standard output:
    // the error (the last one told, else the last text shown) and every
    // text shown. Once: a usage error under --json has said it already, and
    // a run on several hosts ends with its summary instead.
    void Failure(const std::vector<std::string>& shown) const;
    void FailureSaid() const { failureSaid_ = true; }

  private:
    void PrintJson(const QJsonObject& o) const;
    mutable std::string lastError_;
    mutable bool failureSaid_ = false;

    std::FILE* out_;
    std::FILE* err_;
};

// Terminal columns of UTF-8 text: the wide characters of Chinese and its
// neighbours take two.
std::size_t Columns(const std::string& utf8);

}  // namespace korvane::cli
