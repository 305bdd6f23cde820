// Texture combiners: the process-wide built-in combiner texts and the display's counted combiner handles.
#pragma once

#include <string>
#include <vector>

#include "zel/program_text.h"
#include "zel/reference_count.h"

namespace Zel {

// A looked-up combiner with its constant registers, starting at the text's
// defaults; register writes stay on the handle.
class TextureCombiner : public ReferenceCount {
public:
    TextureCombiner(std::string name, std::vector<ProgramTextHeader::Constant> constants);
    const std::string& GetName() const { return name_; }
    // -1 when no register has that name.
    int FindConstant(const std::string& name) const;
    // False for a register the text does not declare.
    bool SetConstant(int index, const Vector4& value);
    // Null for a register the text does not declare.
    const Vector4* GetConstant(int index) const;
    const std::vector<ProgramTextHeader::Constant>& GetConstants() const { return constants_; }

private:
    std::string name_;
    std::vector<ProgramTextHeader::Constant> constants_;
};

class TextureCombinerManager {
public:
    // Stores a combiner text under its name (a later text replaces it);
    // false when the header cannot be read. Shared by every display.
    static bool RegisterBuiltInPrograms(const char* name, const char* text);

    // A new counted handle (the caller releases it), or null when no text of
    // that name is registered or a test refuses the name.
    TextureCombiner* Lookup(const char* name);
    void SetRefuse(const std::string& name, bool refuse);

private:
    RefusedNames refused_;
};

}  // namespace Zel
