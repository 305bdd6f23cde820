// The engine's JIRF container: file header, tagged chunk framing and reserved sizes filled in afterwards.
//
// A container is "JIRF", an int32 content size (the bytes after that field),
// a four-character file type, then chunks. A chunk is a tag, an int32 size
// (the bytes after the size field, version included) and an int32 version.
// Everything is little-endian; a tag is four ASCII bytes in reading order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Zel {

class File;

// A tag as the little-endian word of its four bytes: JIRFTag("MMTF") == 0x46544D4D.
constexpr uint32_t JIRFTag(const char (&text)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

// --- Writing -------------------------------------------------------------

// Writes a four-byte placeholder and returns its position, -1 on failure.
int64_t MarkSizePos(File& file);
// Fills the placeholder at mark with the bytes written after it and returns to
// the end. False on a failed write or seek, or a size past int32.
bool WriteSizeAtMark(File& file, int64_t mark);

// Writes "JIRF", a reserved content size and the file type; returns the mark
// to hand to JIRFPatchSize once the content is written, -1 on failure.
int64_t JIRFWriteHeader(File& file, uint32_t fileType);
inline bool JIRFPatchSize(File& file, int64_t mark)
{
    return WriteSizeAtMark(file, mark);
}

// Writes tag, reserved size and version; returns the mark for JIRFEndChunk.
int64_t JIRFWriteChunkHead(File& file, uint32_t tag, int32_t version);
inline bool JIRFEndChunk(File& file, int64_t mark)
{
    return WriteSizeAtMark(file, mark);
}

// --- Reading (bounded: a read past the end reads nothing and leaves the position) ---

// Reads four bytes at position into value and advances; false (nothing read,
// position kept) when fewer than four bytes are left.
bool JIRFReadWord(const uint8_t* data, size_t size, size_t& position, uint32_t& value);

struct JIRFHeader {
    uint32_t type = 0;
    // Offset just after the size field plus the size. Signed and 64-bit: a
    // hostile size may point before the data or far past it.
    int64_t contentEnd = 0;
};

// Reads "JIRF", the content size and the file type. False when "JIRF" or the
// size or the type cannot be read or the mark differs; the caller compares
// the type.
bool JIRFReadHeader(const uint8_t* data, size_t size, size_t& position, JIRFHeader& header);

struct JIRFChunkHead {
    bool tagRead = false;  // four bytes were there to read
    uint32_t tag = 0;
    int32_t size = 0;
    int32_t version = 0;
    size_t sizeEnd = 0;  // offset just after the size field: where the size counts from
    bool sizeRead = false;
    bool versionRead = false;
    // sizeEnd + size, 64-bit and signed like the header's end.
    int64_t End() const { return static_cast<int64_t>(sizeEnd) + size; }
};

// Reads tag, size and version, each bounded on its own: a truncated chunk
// head leaves the fields it could not read at 0 (so a version check then
// fails). Reading stops after a tag that differs from expected.
JIRFChunkHead JIRFReadChunkHead(const uint8_t* data, size_t size, size_t& position, uint32_t expected);

// Reads four bytes; when they are not tag, steps back by the bytes actually
// read and reports false. Nothing read at the end of the data is no step.
bool JIRFPeekChunk(const uint8_t* data, size_t size, size_t& position, uint32_t tag);

}  // namespace Zel
