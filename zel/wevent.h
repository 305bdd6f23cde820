// Zel::WEvent: a Windows-style event built from a mutex and a condition variable.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace Zel {

class WEvent {
public:
    // A manual-reset event stays set until Reset; an automatic one lets one
    // waiter through and resets.
    explicit WEvent(bool manualReset = true, bool initialState = false) : manualReset_(manualReset), set_(initialState)
    {}
    WEvent(const WEvent&) = delete;
    WEvent& operator=(const WEvent&) = delete;

    void Set();
    void Reset();
    // Wakes the threads waiting now (one for an automatic event) and leaves
    // the event reset; with nobody waiting it only resets.
    void Pulse();
    // -1 waits for ever, 0 only tests. True when the event was set (or pulsed).
    bool Wait(int timeoutMs = -1);
    bool IsSet() const;

private:
    bool TakeLocked(uint64_t generation);

    const bool manualReset_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool set_;
    uint64_t generation_ = 0;  // advanced by every Pulse
    int waiters_ = 0;
    int pulseTokens_ = 0;  // automatic events: waiters a Pulse may still release
};

}  // namespace Zel
