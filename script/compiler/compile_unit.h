// The per-file compile unit: node pool, text memory and the file's counters.
#pragma once

#include <cstdint>

#include "script/common/frame_memory.h"
#include "script/compiler/node_arena.h"
#include "script/compiler/tree.h"

class GSCompileLog;

namespace GSCompiler {

class GSSymbolTable;

// Takes each class declaration of a unit as soon as it is parsed, instead of
// the parse tree keeping it (a unit compiled a class at a time).
class GSClassSink {
public:
    virtual ~GSClassSink() = default;
    // `includes` is the unit's include list, parsed before any class.
    virtual void TakeClass(GSTreeNode* includes, GSTreeNode* declaration) = 0;
};

struct GSCompileUnit {
    GSCompileUnit();
    ~GSCompileUnit();
    GSCompileUnit(const GSCompileUnit&) = delete;
    GSCompileUnit& operator=(const GSCompileUnit&) = delete;

    // Releases everything the unit holds and binds it to a context and a log.
    void Init(GSSymbolTable* context, GSCompileLog* log);
    // Releases every node block and text frame.
    void Destroy();
    // A node with the parser's defaults; null when the pool cannot grow.
    GSTreeNode* NewNode(int32_t group, int32_t kind, int32_t line, int32_t code);
    // A copy in the unit's text memory (any length); null for null.
    const char* CopyText(const char* text);
    const char* CopyText(const char* text, size_t length);

    NodeArena nodePool;
    Utils::FrameMemory textMemory;
    const char* fileName = nullptr;
    uint32_t sourceCrc = 0;
    uint32_t fileNameCrc = 0;
    GSSymbolTable* context = nullptr;
    GSTreeNode* root = nullptr;
    int32_t errorCount = 0;
    int32_t warningCount = 0;
    int32_t spare = 0;
    GSCompileLog* log = nullptr;
    // Set while the unit is parsed a class at a time; the root then keeps
    // only the includes.
    GSClassSink* classSink = nullptr;
};

}  // namespace GSCompiler
