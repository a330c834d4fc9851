#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/korvane_app.h"
#include "app/screenshots.h"
#include "common/running_mark.h"

int main(int argc, char** argv) {
    // Help and version need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(UsageText().c_str(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", VersionText().c_str());
            return 0;
        }
    }
    QApplication qapp(argc, argv);
    std::vector<std::string> args;
    const QStringList qargs = QApplication::arguments();
    for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
    const StartOptions options = ParseStartOptions(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "korvane: %s\n\n%s", options.error.c_str(), UsageText().c_str());
        return 2;
    }
    CKorvaneApp app;
    korvane::MarkProgramRunning();
    if (!app.InitInstance(options)) return 1;
    if (!options.screenshotsDir.empty()) {
        QTimer::singleShot(0, [&] {
            RunScreenshots(app, QString::fromStdString(options.screenshotsDir));
            QApplication::quit();
        });
    }
    return QApplication::exec();
}
