#pragma once
// What the suites that run korvane-cli inside the mock share: its
// environment, with the hidraw nodes dressed as in this process, and a main.
// Each suite names the program and the dress (KORVANE_CLI_PATH,
// KORVANE_NODE_DRESS) through korvane_cli_mock_test.
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace korvane::testing {

// This process's environment, with the nodes dressed for korvane-cli.
inline QProcessEnvironment DressedEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", env.value("LD_PRELOAD") + ":" + KORVANE_NODE_DRESS);
    return env;
}

// The same, with staging and the data folder inside `dir`, and neither a
// record nor a trace turned on from outside.
inline QProcessEnvironment CliEnvironment(const QTemporaryDir& dir) {
    QProcessEnvironment env = DressedEnvironment();
    env.insert("KORVANE_STAGING_DIR", dir.filePath("staging"));
    env.insert("XDG_DATA_HOME", dir.filePath("data"));
    env.remove("KORVANE_RECORD");
    env.remove("KORVANE_TRACE");
    return env;
}

}  // namespace korvane::testing
