// The bump materials' program texts: one vertex-program set and six texture combiners, registered with the engine by name.
#pragma once

namespace Zel {

inline constexpr const char* kBumpVertexProgramSet = "KorvelBumpMaterial_Vtx";
// The vertex type the bump programs are looked up for (position, normal,
// texture coordinates, tangent).
inline constexpr unsigned kBumpVertexType = 99;

struct BuiltInProgramText {
    const char* name;
    const char* text;
};

// The vertex-program set.
const BuiltInProgramText& BumpVertexPrograms();
// The six combiners, in the order of the table the plug-ins register from.
const BuiltInProgramText* BumpCombiners(int& count);
// The text of a combiner by name, or null.
const char* FindBumpCombinerText(const char* name);

// Registers the vertex-program set and the named combiners with the engine's
// program managers; false when one of them is not ours or is refused.
bool RegisterBumpPrograms(const char* const* combiners, int count);

}  // namespace Zel
