// Deep copy of a soup tree into a container: new nodes, shared value bytes.
#pragma once

#include "soup/acs_chunk.h"

// Copies the source's value (when it has a type) and children into target,
// removing target's children first. Value bytes are shared through view
// blocks, which keep the source chunks alive; nodes are never shared.
void CopyChunkTree(const ChunkRef& target, const ChunkRef& source);
