// Constants of the compiled library image (.gsl): shared by the compiler's
// writer and every reader, so the two sides cannot drift.
#pragma once

#include <cstdint>

namespace GSImage {

constexpr uint32_t kMagic = 0xF762575D;
constexpr uint32_t kVersionBits = 0x3F828F5C;     // 1.02f
constexpr uint32_t kLineTableMagic = 0x6462676C;  // "lgbd"
constexpr uint32_t kNone = 0xFFFFFFFF;

// Header: total length, magic, version, source CRC, file-name CRC, then the
// name length and the name. Registration reads only the first 20 bytes.
constexpr uint32_t kProbeBytes = 20;
constexpr uint32_t kHeaderFixedBytes = 24;

enum SectionId : uint32_t {
    SECTION_DEPENDENCIES = 2,
    SECTION_STRINGS = 3,
    SECTION_CLASS_REFERENCES = 4,
    SECTION_FUNCTION_REFERENCES = 5,
    SECTION_CLASSES = 6,
};

enum RecordId : uint32_t {
    RECORD_CLASS = 7,
    RECORD_FUNCTION_TABLE = 8,
    RECORD_FUNCTION = 9,
    RECORD_MEMBERS = 10,
    RECORD_METHODS = 11,
    RECORD_LAYOUT = 12,
};

constexpr uint32_t kClassFlagMask = 0x14C;    // static, final, game, secured
constexpr uint32_t kFunctionFlagMask = 0x3B;  // public, native, final, thread, constructor
constexpr uint32_t kConstructorFlag = 0x20;
constexpr uint32_t kNativeFlag = 0x2;

// Instance-layout entry kinds.
constexpr uint32_t kLayoutValue = 0;
constexpr uint32_t kLayoutMethodTable = 1;

// Entry sizes in bytes.
constexpr uint32_t kSectionHeaderBytes = 12;
constexpr uint32_t kDependencyBytes = 8;
constexpr uint32_t kClassReferenceBytes = 8;
constexpr uint32_t kFunctionReferenceBytes = 12;
constexpr uint32_t kBaseEntryBytes = 12;
constexpr uint32_t kMemberEntryBytes = 20;
constexpr uint32_t kMethodSlotBytes = 8;
constexpr uint32_t kLayoutEntryBytes = 12;
constexpr uint32_t kLinePairBytes = 8;
// size, id, name, the nine frame words, the two local words, k and c.
constexpr uint32_t kFunctionRecordMinBytes = 4 * 16;

}  // namespace GSImage
