#pragma once
// While a long transfer runs, the window asks Windows not to end the session
// (a shutdown, a restart, a log-off): the question is answered no, and the
// reason shown to the person shutting down is "正在传输数据，请勿关机".
// Linux asks nothing of the kind.
#include <functional>
#include <memory>

class QWidget;

class SessionEndGuard {
  public:
    explicit SessionEndGuard(QWidget& window);
    ~SessionEndGuard();
    SessionEndGuard(const SessionEndGuard&) = delete;
    SessionEndGuard& operator=(const SessionEndGuard&) = delete;

    // Sets (true) or withdraws (false) the reason the session may not end;
    // the system's call by default, replaceable by tests.
    std::function<void(bool blocked)> setReason;

    struct Filter;

  private:
    std::unique_ptr<Filter> filter_;
};
