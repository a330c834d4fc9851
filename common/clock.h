#pragma once
// Every wait of the program goes through one clock, so that tests can run the
// long protocol pauses (4000 ms, 28000 ms ...) in virtual time and assert them.
#include <cstdint>

namespace korvane {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual int64_t NowMs() const = 0;
    // Blocks the calling thread for `ms` milliseconds (no event pumping).
    virtual void SleepMs(int64_t ms) = 0;

    // The same time in microseconds, for the pauses a host counts to the
    // millisecond; a clock that keeps milliseconds only gives NowMs() × 1000.
    virtual int64_t NowUs() const { return NowMs() * 1000; }
    // Blocks until NowUs() has reached `deadlineUs`: never less, and as
    // little more as the system allows.
    virtual void SleepUntilUs(int64_t deadlineUs);
};

// Wall-clock time on a monotonic source.
class SystemClock final : public Clock {
  public:
    int64_t NowMs() const override;
    void SleepMs(int64_t ms) override;
    int64_t NowUs() const override;
    void SleepUntilUs(int64_t deadlineUs) override;
};

// Time that only moves when someone sleeps on it.
class VirtualClock final : public Clock {
  public:
    int64_t NowMs() const override { return now_; }
    void SleepMs(int64_t ms) override {
        if (ms > 0) now_ += ms;
    }
    void AdvanceTo(int64_t t) {
        if (t > now_) now_ = t;
    }

  private:
    int64_t now_ = 0;
};

}  // namespace korvane
