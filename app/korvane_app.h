#pragma once
// The application object, its contentless document and the recent-file list.
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/start_options.h"
#include "common/clock.h"

class CMainFrame;
class FormController;
class SessionEndGuard;
class FrameBroadcasts;

// The document holds no data: opening remembers a path, nothing is read or written.
class CKorvaneDoc : public QObject {
    Q_OBJECT
  public:
    void OnNewDocument() { path_.clear(); }
    void OnOpenDocument(const QString& path) { path_ = path; }
    QString PathName() const { return path_; }

  private:
    QString path_;
};

// Four most recent documents, newest first, kept in the settings under
// "Recent File List" as File1..File4.
class RecentFileList {
  public:
    static constexpr int kSize = 4;
    void Load();
    void Save() const;
    void Add(const QString& path);
    QStringList Entries() const { return entries; }

  private:
    QStringList entries;
};

class CKorvaneApp {
  public:
    // Sets the organisation and application names the settings live under.
    static void SetSettingsNames();

    CKorvaneApp();
    ~CKorvaneApp();
    // Builds and shows the main window; false ends the program.
    bool InitInstance(const StartOptions& options);

    CMainFrame* Frame() const { return frame.get(); }
    FormController* Controller() const { return controller.get(); }
    const StartOptions& Options() const { return options; }

  private:
    StartOptions options;
    CKorvaneDoc doc;
    RecentFileList recent;
    korvane::SystemClock clock;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<SessionEndGuard> sessionEnd;
    std::unique_ptr<FrameBroadcasts> broadcasts;
    // Declared after the frame: it lets go of the form before the form goes.
    std::unique_ptr<FormController> controller;
};
