// The entry layout of the "ACS$" binary soup body, and its bounds check.
#include "soup/binary_soup_entries.h"
#include "soup/soup_words.h"

#include <cstring>
#include <vector>

namespace {

// The bounds rules of an entry without looking at its name; false when no
// entry starts at `at`.
bool EntryBounds(const uint8_t* body, uint32_t at, uint32_t end, uint64_t& typeAt, uint64_t& next)
{
    if (!HasBinarySoupEntryRoom(at, end))
        return false;
    const uint64_t size = LoadSoupWord(body + at);
    const uint32_t nameLength = body[at + 4];
    typeAt = uint64_t(at) + 5 + nameLength;
    if (typeAt >= end || size < uint64_t(nameLength) + 2)
        return false;
    next = uint64_t(at) + 4 + size;
    return next <= end;
}

}  // namespace

bool ParseBinarySoupEntry(const uint8_t* body, uint32_t at, uint32_t end, BinarySoupEntry& out)
{
    uint64_t typeAt;
    uint64_t next;
    if (!EntryBounds(body, at, end, typeAt, next))
        return false;
    const uint32_t nameLength = body[at + 4];
    const char* name = reinterpret_cast<const char*>(body + at + 5);
    // A name without its zero byte is taken within its N bytes only.
    const void* zero = std::memchr(name, 0, nameLength);
    const size_t nameBytes = zero ? size_t(static_cast<const char*>(zero) - name) : nameLength;
    out.offset = at;
    out.name = std::string_view(name, nameBytes);
    out.fileType = body[typeAt];
    out.payload = uint32_t(typeAt + 1);
    out.payloadLength = uint32_t(next - typeAt - 1);
    out.next = uint32_t(next);
    return true;
}

bool CheckBinarySoupEntries(const uint8_t* body, uint32_t start, uint32_t end)
{
    // Depth first in file order, so the walk reads the body front to back;
    // an explicit list of the ranges to resume keeps the stack flat.
    struct Range {
        uint32_t at;
        uint32_t end;
        int depth;
    };
    std::vector<Range> resume;
    Range range{start, end, 0};
    while (true) {
        while (HasBinarySoupEntryRoom(range.at, range.end)) {
            uint64_t typeAt;
            uint64_t next;
            if (!EntryBounds(body, range.at, range.end, typeAt, next))
                return false;
            if (body[typeAt] != BinaryTypeContainer) {
                range.at = uint32_t(next);
                continue;
            }
            if (range.depth + 1 > kBinarySoupMaxDepth)
                return false;
            resume.push_back(Range{uint32_t(next), range.end, range.depth});
            range = Range{uint32_t(typeAt + 1), uint32_t(next), range.depth + 1};
        }
        if (resume.empty())
            return true;
        range = resume.back();
        resume.pop_back();
    }
}
