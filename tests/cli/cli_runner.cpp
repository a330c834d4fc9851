#include "cli_runner.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

namespace korvane::clitest {

CliScratch::CliScratch() {
    if (dir_.isValid()) QDir(dir_.path()).mkdir("staging");
}

void CliScratch::Start(QProcess& process, const QStringList& args) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KORVANE_STAGING_DIR", StagingDir());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(dir_.path());
    process.setProgram(QStringLiteral(KORVANE_CLI_PATH));
    process.setArguments(args);
    process.start();
}

CliResult CliScratch::Run(const QStringList& args, int timeoutMs) const {
    QProcess process;
    Start(process, args);
    CliResult r;
    if (!process.waitForStarted(5000)) return r;
    // Closed input: nothing may wait for the operator.
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return r;
    }
    // Windows writes its text-mode line ends; the lines are what is compared.
    r.out = process.readAllStandardOutput().replace("\r\n", "\n").toStdString();
    r.err = process.readAllStandardError().replace("\r\n", "\n").toStdString();
    if (process.exitStatus() == QProcess::NormalExit) r.code = process.exitCode();
    return r;
}

bool CliScratch::WriteFile(const QString& name, const QByteArray& bytes) const {
    QFile f(Path(name));
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray CliScratch::ReadFile(const QString& name) const {
    QFile f(Path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool CliScratch::Exists(const QString& name) const { return QFile::exists(Path(name)); }

}  // namespace korvane::clitest

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
