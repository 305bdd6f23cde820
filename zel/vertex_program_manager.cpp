// Vertex-program sets by name and program handles looked up from them.
#include "zel/vertex_program_manager.h"

#include <algorithm>

#include "zel/program_text.h"

namespace Zel {
namespace {

ProgramTextStore& Sets()
{
    // Never destroyed: plug-ins may register from static constructors and
    // look up after static destructors began.
    static ProgramTextStore* store = new ProgramTextStore();
    return *store;
}

}  // namespace

const Vector4* VertexProgram::GetLocal(int index) const
{
    auto found = locals_.find(index);
    return found == locals_.end() ? nullptr : &found->second;
}

bool VertexProgramManager::RegisterBuiltInPrograms(const char* setName, const char* text)
{
    return Sets().Register(setName, text);
}

VertexProgram* VertexProgramManager::Lookup(const char* program, const char* setName, uint32_t vertexType)
{
    if (!program || !setName || refused_.Has(program))
        return nullptr;
    ProgramTextHeader header;
    if (!Sets().Find(setName, header))
        return nullptr;
    if (std::find(header.programs.begin(), header.programs.end(), program) == header.programs.end())
        return nullptr;
    return new VertexProgram(program, setName, vertexType);
}

void VertexProgramManager::SetRefuse(const std::string& program, bool refuse)
{
    refused_.Set(program, refuse);
}

}  // namespace Zel
