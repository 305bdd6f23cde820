// Combiner texts by name and combiner handles looked up from them.
#include "zel/texture_combiner_manager.h"

namespace Zel {
namespace {

ProgramTextStore& Texts()
{
    // Never destroyed, like the vertex-program sets.
    static ProgramTextStore* store = new ProgramTextStore();
    return *store;
}

}  // namespace

TextureCombiner::TextureCombiner(std::string name, std::vector<ProgramTextHeader::Constant> constants)
    : name_(std::move(name)), constants_(std::move(constants))
{}

int TextureCombiner::FindConstant(const std::string& name) const
{
    for (const auto& constant : constants_) {
        if (constant.name == name)
            return constant.index;
    }
    return -1;
}

bool TextureCombiner::SetConstant(int index, const Vector4& value)
{
    for (auto& constant : constants_) {
        if (constant.index == index) {
            constant.defaults = value;
            return true;
        }
    }
    return false;
}

const Vector4* TextureCombiner::GetConstant(int index) const
{
    for (const auto& constant : constants_) {
        if (constant.index == index)
            return &constant.defaults;
    }
    return nullptr;
}

bool TextureCombinerManager::RegisterBuiltInPrograms(const char* name, const char* text)
{
    return Texts().Register(name, text);
}

TextureCombiner* TextureCombinerManager::Lookup(const char* name)
{
    if (!name || refused_.Has(name))
        return nullptr;
    ProgramTextHeader header;
    if (!Texts().Find(name, header))
        return nullptr;
    return new TextureCombiner(name, std::move(header.constants));
}

void TextureCombinerManager::SetRefuse(const std::string& name, bool refuse)
{
    refused_.Set(name, refuse);
}

}  // namespace Zel
