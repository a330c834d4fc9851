#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/caption_style.h"
#include "app/korvane_app.h"
#include "app/screenshots.h"
#include "app/start_text.h"
#include "common/running_mark.h"

int main(int argc, char** argv) {
    // Help and version need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            ShowStartText(UsageText(), false, SystemTextOutlets());
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            ShowStartText(VersionText() + "\n", false, SystemTextOutlets());
            return 0;
        }
    }
    QApplication qapp(argc, argv);
    // Over the style Qt chose (the platform's, or the one -style names).
    QApplication::setStyle(
        new CaptionColourStyle(QStyleFactory::create(QApplication::style()->name())));
    std::vector<std::string> args;
    const QStringList qargs = QApplication::arguments();
    for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
    const StartOptions options = ParseStartOptions(args);
    if (!options.error.empty()) {
        ShowStartText("korvane: " + options.error + "\n\n" + UsageText(), true,
                      SystemTextOutlets());
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
