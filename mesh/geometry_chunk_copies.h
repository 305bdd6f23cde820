// Chunk copies the instances make: a private copy, a copy with another chunk's geometry appended, and blend-index slot remapping.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/geometry_chunk.h"

// A chunk's own copy: streams, indices, face normals, neighbours, program,
// opacity and, unless told otherwise, its matrix slots.
Zel::GeometryChunk* CopyGeometryChunk(Zel::GeometryChunk& chunk, bool withMatrixSlots = true);

// A copy of target with source's vertices, faces and face normals after its
// own; source's indices are moved past target's vertices. Null when the two
// are not both triangle lists with the same vertex items, or when the sum
// would not be indexable in 16 bits. Target's matrix slots are kept; the
// appended vertices' blend indices still name source's slots.
Zel::GeometryChunk* AppendGeometryChunk(Zel::GeometryChunk& target, Zel::GeometryChunk& source);

// Rewrites the blend-index bytes (slot x 3) of every vertex from first on
// through slotMap. The bytes of a vertex are visited in order and the first
// that names no slot (of the chunk's matrices, or of the map) ends that
// vertex's visit. False without a blend-index item or when first is not
// below the vertex count.
bool RemapBlendIndices(uint32_t first, Zel::GeometryChunk& chunk, const std::vector<int>& slotMap);
