#pragma once
// What the operator sees of a multi-host run: on a terminal one live row per
// host, redrawn in place; into a pipe or a file one line per host for each
// step and for its result, prefixed with the host's label; with --json one
// JSON object per event. Then the summary.
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

#include "cli/output.h"
#include "fleet/fleet_run.h"

namespace korvane::cli {

class FleetView {
  public:
    FleetView(const Output& out, bool json, bool live);

    void Follow(fleet::FleetRun& run);
    // A form that found no host, or a host that cannot be found again.
    void Unmatched(const std::string& form, const std::string& why);
    // A host of another model than the command's, left out of "all".
    void Skipped(const fleet::FleetHost& host, std::optional<LampModel> model);
    void Watching();
    // The table (or the summary object); true when every host served succeeded.
    bool Summary(const fleet::FleetRun& run, const std::string& runId,
                 const std::vector<fleet::FleetHost>& skipped);

  private:
    void Begun(std::size_t index);
    void Changed(std::size_t index);
    void Ended(std::size_t index);
    void Redraw();
    std::string Row(const fleet::HostRun& h) const;

    const Output& out_;
    bool json_;
    bool live_;
    fleet::FleetRun* run_ = nullptr;
    std::vector<std::string> steps_;  // the step each host's lines told last
    std::size_t rowsDrawn_ = 0;
    bool dirty_ = false;
    QTimer redraw_;
};

// The host as the run's JSON names it.
QJsonObject HostJson(const fleet::FleetHost& host);
// What the operator reads it by, padded to `width` columns of the terminal
// (a Chinese character takes two).
std::string Padded(const std::string& utf8, std::size_t width);

}  // namespace korvane::cli
