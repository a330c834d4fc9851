#pragma once
// Windows sends some device changes (volumes, ports) to every top-level
// window without being asked; the main frame's title follows those too, as
// it follows the watcher's. Linux has no such broadcasts.
#include <memory>

class CMainFrame;

class FrameBroadcasts {
  public:
    explicit FrameBroadcasts(CMainFrame& frame);
    ~FrameBroadcasts();
    FrameBroadcasts(const FrameBroadcasts&) = delete;
    FrameBroadcasts& operator=(const FrameBroadcasts&) = delete;

    struct Filter;

  private:
    std::unique_ptr<Filter> filter_;
};
