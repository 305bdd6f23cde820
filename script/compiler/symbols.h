// Compiler symbols (compile units, classes, functions, variables) and the
// symbol table that is also the compilation's context.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/common/block_memory.h"
#include "script/common/double_link_list.h"
#include "script/common/frame_memory.h"
#include "script/common/hash_table.h"
#include "script/common/keyed_hash_table.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/library_strings.h"

class GSCompileLog;

namespace GSCompiler {

enum SymbolKind : int32_t { SYM_DEPENDENT = 1, SYM_VARIABLE = 2, SYM_FUNCTION = 3, SYM_CLASS = 4 };

// Symbol flag: a function declared by a prototype only (no body yet).
constexpr uint32_t SYMBOL_PROTOTYPE = 0x2000000;

constexpr int kMaxScopeLevel = 63;
constexpr uint32_t kGlobalBuckets = 61;
constexpr uint32_t kMemberBuckets = 31;
constexpr int kMaxFunctionCandidates = 1024;

class GSClassSymbol;
class GSSymbolTable;

class GSSymbol : public Utils::IHashNode {
public:
    GSSymbol(int32_t symbolKind, const char* symbolName) : name(symbolName), kind(symbolKind) {}
    ~GSSymbol() override = default;
    uint32_t Hash() const override;
    // Names (dependents: without regard to case), then scope level: -1 matches
    // any level, a deeper level sorts first.
    int Compare(const Utils::IHashNode& other) const override;
    bool ComparesInOrder() const override;
    virtual void Dump(GSCompileLog* log) const;
    virtual void Clear() {}

    const char* name;
    int32_t index = -1;
    int32_t referenceIndex = -1;
    int32_t type = 12;
    int32_t scopeLevel = 0;
    uint32_t flags = 0;
    const char* textValue = nullptr;  // a string define's text
    uint32_t bits = 0;                // any other define's 32 bits
    int32_t kind;
    GSSymbol* scopeNext = nullptr;
    GSSymbol* owner = nullptr;  // the class whose member table holds it, or the table

    // Links of the table's list of every live symbol (for teardown).
    GSSymbol* liveNext = nullptr;
    GSSymbol* livePrevious = nullptr;
};

class GSDependentSymbol : public GSSymbol {
public:
    explicit GSDependentSymbol(const char* symbolName) : GSSymbol(SYM_DEPENDENT, symbolName) {}
    void Dump(GSCompileLog* log) const override;
    uint32_t sourceCrc = 0;
    uint32_t fileNameCrc = 0;
    const char* fileName = nullptr;  // the name its unit was loaded under (messages)
};

class GSVariableSymbol : public GSSymbol {
public:
    explicit GSVariableSymbol(const char* symbolName) : GSSymbol(SYM_VARIABLE, symbolName) {}
    void Dump(GSCompileLog* log) const override;
    const char* className = nullptr;
};

class GSFunctionSymbol : public GSSymbol {
public:
    explicit GSFunctionSymbol(const char* symbolName) : GSSymbol(SYM_FUNCTION, symbolName) {}
    void Dump(GSCompileLog* log) const override;
    const char* signature = nullptr;  // "$ret@Class::name(args)"
    int32_t parameterCounter = 1;     // ends as the parameter count + 1
    int32_t localCount = 0;
    const char* returnClass = nullptr;
    // The plain name: the text between "::" and "(" of the short signature.
    std::string PlainName() const;
};

struct BaseEntry {
    GSClassSymbol* base;
    int32_t memberOffset;
    int32_t methodOffset;
    bool direct;
};

struct PendingBase {
    const char* name;
    int32_t line;
};

class GSClassSymbol : public GSSymbol {
public:
    explicit GSClassSymbol(const char* symbolName);
    void Dump(GSCompileLog* log) const override;
    void Clear() override;

    std::vector<BaseEntry> bases;
    std::vector<PendingBase> pending;
    Utils::HashTable members;  // 31 buckets
    // The functions of `members` by plain name, in declaration order. Call
    // resolution looks here instead of walking the whole table, then puts the
    // few found in the table's iteration order, which decides among overloads.
    // Only looked up, never iterated.
    std::unordered_map<std::string, std::vector<GSFunctionSymbol*>> functionsByName;
    GSDependentSymbol* library = nullptr;
    int32_t memberCount = 0;
    int32_t methodCount = 0;
    int32_t memberBase = 2;
    int32_t methodBase = 0;
    bool resolving = false;  // guards against cyclic bases across files
};

class GSSymbolTable : public GSSymbol {
public:
    GSSymbolTable();
    ~GSSymbolTable() override;
    GSSymbolTable(const GSSymbolTable&) = delete;
    GSSymbolTable& operator=(const GSSymbolTable&) = delete;

    void Dump(GSCompileLog* log) const override;
    // Empties every scope chain, then the pools and the global table.
    void Clear() override;
    // A new symbol pool and name memory, the global table re-made with 61
    // buckets, current function and unit cleared.
    void ResetPools();

    // Symbols (null when the pool is exhausted). The name is copied.
    GSVariableSymbol* MakeVariable(const char* name);
    GSFunctionSymbol* MakeFunction(const char* name);
    GSClassSymbol* MakeClass(const char* name);
    GSDependentSymbol* MakeDependent(const char* name);
    // A text kept as long as the symbols (signatures, define strings).
    const char* CopyName(const char* text);
    const char* CopyName(const std::string& text) { return CopyName(text.c_str()); }

    // Enters `symbol` into `cls`'s member table (or the global table without a
    // class) at the current level; see the allocate rule in the .cpp.
    bool Declare(GSClassSymbol* cls, GSSymbol* symbol, bool allocate);
    GSSymbol* FindOwnMember(const GSClassSymbol* cls, const char* name, bool membersOnly) const;
    GSSymbol* FindMember(const GSClassSymbol* cls, const char* name, bool outward, bool membersOnly) const;
    GSSymbol* FindGlobal(const char* name) const;
    // Find member or global lookup; hands out reference indices on the way.
    GSSymbol* Lookup(const char* name, GSClassSymbol* cls, bool outward, bool membersOnly);
    void GiveReferenceIndex(GSSymbol* symbol);
    // Functions named `plainName` with `argumentCount` parameters: the class's
    // own first; its bases only when it has none and `searchBases` is set.
    int FindFunctions(GSClassSymbol* cls, const char* plainName, int argumentCount, GSFunctionSymbol** result,
                      int capacity, bool searchBases);
    // True when `cls` is named `name` or has a base of that name; the entry.
    bool IsA(const char* name, const GSClassSymbol* cls, BaseEntry* entry) const;
    // Storage slot of a resolved name for `cls`; false when not reachable.
    bool Slot(GSSymbol* symbol, GSClassSymbol* cls, int32_t* slot);
    bool ResolveBases(GSClassSymbol* cls);
    // 0, or -1 (with the entry's class in `present`) when the base is there already.
    int AddBase(GSClassSymbol* cls, GSClassSymbol* base, int32_t memberOffset, int32_t methodOffset, bool direct,
                GSClassSymbol** present);
    void AddPendingBase(GSClassSymbol* cls, const char* name, int32_t line);
    void ResetReferenceNumbering();
    void OpenScope();
    void CloseScope();

    // Removes a symbol from its owner's table (scope close).
    void RemoveMember(GSSymbol* symbol);

    Utils::BlockMemory symbolPool;
    Utils::FrameMemory nameMemory;
    int32_t scopeLevel = 0;
    // Scopes opened beyond the deepest level share it; their closes only count down.
    int32_t overflowLevels = 0;
    GSFunctionSymbol* currentFunction = nullptr;
    GSDependentSymbol* currentLibrary = nullptr;
    GSSymbol* scopeChains[kMaxScopeLevel + 1] = {};
    Utils::HashTable globals;  // 61 buckets
    GSCompileUnit* currentUnit = nullptr;
    int32_t classReferenceCounter = 0;
    int32_t functionReferenceCounter = 0;
    // The symbols holding those indices, at their index: the image writer
    // lists them from here instead of walking every member table.
    std::vector<GSSymbol*> classReferences;
    std::vector<GSSymbol*> functionReferences;

    // Beyond the symbols: what the rest of the compilation keeps here.
    GSCompileUnit mainUnit;
    LibraryStringPool libraryStrings;  // the back end fills it
    // GSCClass records of code generation, in declaration order (owned).
    Utils::DoubleLinkList compiledClasses;
    int32_t dependencyCounter = 0;

private:
    template <typename T>
    T* Make(const char* name);
    void Destroy(GSSymbol* symbol);
    void DestroyAll();
    bool ResolveBasesOf(GSClassSymbol* cls);

    GSSymbol* live_ = nullptr;
};

}  // namespace GSCompiler
