// The identity under which the error collector files a finding: a serial number per container or tag.
#pragma once

#include <cstdint>

namespace DODLib {

// Findings are keyed by this serial, never by the object's address: a new
// object allocated where a destroyed one lived must not inherit its findings.
class FindingSubject {
public:
    FindingSubject();
    FindingSubject(const FindingSubject&) = delete;
    FindingSubject& operator=(const FindingSubject&) = delete;

    // Never 0; 0 stands for "no subject" in the collector.
    uint64_t Serial() const { return serial_; }

private:
    uint64_t serial_;
};

}  // namespace DODLib
