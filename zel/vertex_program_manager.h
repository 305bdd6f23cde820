// Vertex programs: the process-wide built-in program sets and the display's counted program handles.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "zel/display_state.h"
#include "zel/program_text.h"
#include "zel/reference_count.h"

namespace Zel {

// A looked-up program. Nothing is compiled; the handle keeps the local
// registers written to it so tests can read what a material set.
class VertexProgram : public ReferenceCount {
public:
    VertexProgram(std::string name, std::string set, uint32_t vertexType)
        : name_(std::move(name)), set_(std::move(set)), vertexType_(vertexType)
    {}
    const std::string& GetName() const { return name_; }
    const std::string& GetSetName() const { return set_; }
    uint32_t GetVertexType() const { return vertexType_; }
    void SetLocal(int index, const Vector4& value) { locals_[index] = value; }
    // The last value written to that register, or null.
    const Vector4* GetLocal(int index) const;

private:
    std::string name_;
    std::string set_;
    uint32_t vertexType_;
    std::map<int, Vector4> locals_;
};

class VertexProgramManager {
public:
    // Stores a set's text under its name (a later text replaces it); false
    // when the header cannot be read. Shared by every display.
    static bool RegisterBuiltInPrograms(const char* setName, const char* text);

    // A new counted handle (the caller releases it), or null when the set is
    // not registered, does not name the program, or a test refuses the name.
    VertexProgram* Lookup(const char* program, const char* setName, uint32_t vertexType);
    void SetRefuse(const std::string& program, bool refuse);

private:
    RefusedNames refused_;
};

}  // namespace Zel
