#pragma once
// Runs korvane-cli as a separate process in a scratch folder of its own:
// the working folder (where the key file is looked for), the staging folder
// and any state or profile files all live there.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <tuple>
#include <vector>

namespace korvane::clitest {

struct CliResult {
    int code = -1;  // the exit status; -1 when the process crashed or did not finish
    std::string out;
    std::string err;
};

class CliScratch {
  public:
    CliScratch();

    bool valid() const { return dir_.isValid(); }
    // A path inside the scratch folder.
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString StagingDir() const { return Path("staging"); }

    // Runs the program with `args` and waits for it to end.
    CliResult Run(const QStringList& args, int timeoutMs = 30000) const;
    // Starts the program without waiting (for a test that signals it).
    void Start(QProcess& process, const QStringList& args) const;

    bool WriteFile(const QString& name, const QByteArray& bytes) const;
    QByteArray ReadFile(const QString& name) const;
    bool Exists(const QString& name) const;

  private:
    QTemporaryDir dir_;
};

// Variables of the test process, which the programs it starts inherit; each
// is set back as it was when the object goes.
class Environment {
  public:
    void Set(const char* name, const QByteArray& value) {
        saved_.emplace_back(name, qgetenv(name), qEnvironmentVariableIsSet(name));
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~Environment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            std::get<2>(*it) ? qputenv(std::get<0>(*it), std::get<1>(*it))
                             : qunsetenv(std::get<0>(*it));
    }

  private:
    std::vector<std::tuple<const char*, QByteArray, bool>> saved_;
};

}  // namespace korvane::clitest
