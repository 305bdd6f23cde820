// Serial numbers of the objects that findings are about.
#include "templates/dod_finding_subject.h"

#include <atomic>

namespace DODLib {

namespace {
std::atomic<uint64_t> nextSerial{1};
}

FindingSubject::FindingSubject() : serial_(nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

}  // namespace DODLib
