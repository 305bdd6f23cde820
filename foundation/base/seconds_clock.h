// SecondsClock: where time-dependent parts read the time, so that tests can drive it.
#pragma once

// Seconds as a double; only differences between readings of one clock mean anything.
class SecondsClock {
public:
    virtual ~SecondsClock() = default;
    virtual double Now() = 0;
};

// The process clock (ApplicationClock: seconds since the first main-loop tick).
SecondsClock& ApplicationSecondsClock();
// CLOCK_MONOTONIC, for the log writer's time stamps.
SecondsClock& MonotonicSecondsClock();

// A clock that moves only when told to: tests run 10-s and 600-s rules without sleeping.
class ManualClock : public SecondsClock {
public:
    explicit ManualClock(double start = 0.0) : now_(start) {}
    double Now() override { return now_; }
    void Set(double seconds) { now_ = seconds; }
    void Advance(double seconds) { now_ += seconds; }

private:
    double now_;
};
