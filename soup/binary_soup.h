// Reading and writing a soup in the "ACS$" binary form ("chump", "cdp", daemon replies).
#pragma once

#include "soup/acs_chunk.h"

class SoupHandle;
class TStream;

// Header (magic, version 1, reserved 0, body length), then the root's tags.
// A null handle gives the 16-byte header with body length 0.
void WriteBinarySoup(TStream& stream, const SoupHandle& soup);
// Every tag of the container, by index from 0.
void WriteBinaryContainer(const ChunkRef& container, TStream& stream);
// One entry. A name of 255 bytes or more is left out with its value; values
// are written as the chunk holds them, without conversion.
void WriteBinaryTag(const ChunkRef& chunk, const Zel::PString& name, TStream& stream);

// Loads the file lazily into the handle. False (and a null handle) for a
// wrong magic or a body the stream cannot hold; a damaged body or an unknown
// version give an empty soup and true.
bool ReadBinarySoup(SoupHandle& soup, TStream& stream);
// The same, for daemon replies, where the result does not matter.
void ReadBinarySoupUnchecked(SoupHandle& soup, TStream& stream);
