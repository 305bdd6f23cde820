// The per-file compile unit and parse-tree node creation.
#include "script/compiler/compile_unit.h"

#include <cstring>

namespace GSCompiler {

float GSTreeNode::FloatValue() const
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void GSTreeNode::SetFloat(float value)
{
    std::memcpy(&bits, &value, sizeof bits);
}

GSCompileUnit::GSCompileUnit()
{
    textMemory.ReleaseAll();
}

GSCompileUnit::~GSCompileUnit()
{
    Destroy();
}

void GSCompileUnit::Destroy()
{
    nodePool.Destroy();
    textMemory.ReleaseAll();
}

void GSCompileUnit::Init(GSSymbolTable* owner, GSCompileLog* compileLog)
{
    Destroy();
    nodePool.Init(sizeof(GSTreeNode));
    // Names and strings of a unit come in their hundreds of thousands; larger
    // frames mean fewer heap calls and nothing else (a text never spans frames).
    textMemory.Init(16384);
    fileName = nullptr;
    sourceCrc = fileNameCrc = 0;
    root = nullptr;
    errorCount = warningCount = spare = 0;
    context = owner;
    log = compileLog;
}

GSTreeNode* GSCompileUnit::NewNode(int32_t group, int32_t kind, int32_t line, int32_t code)
{
    void* raw = nodePool.Alloc();
    if (raw == nullptr)
        return nullptr;
    GSTreeNode* node = static_cast<GSTreeNode*>(raw);
    std::memset(node, 0, sizeof *node);
    node->group = group;
    node->kind = kind;
    node->line = line;
    node->code = code;
    node->resultType = TYPE_NONE;
    return node;
}

const char* GSCompileUnit::CopyText(const char* text)
{
    if (text == nullptr)
        return nullptr;
    return textMemory.StrdupAnyLength(text, std::strlen(text));
}

const char* GSCompileUnit::CopyText(const char* text, size_t length)
{
    if (text == nullptr)
        return nullptr;
    return textMemory.StrdupAnyLength(text, length);
}

}  // namespace GSCompiler
