// Compiler symbols and the symbol table.
#include "script/compiler/symbols.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "script/common/script_hash.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/gsc_class.h"
#include "script/compiler/type_names.h"
#include "zel/ascii.h"

namespace GSCompiler {

namespace {

size_t LargestSymbol()
{
    size_t size = sizeof(GSVariableSymbol);
    if (sizeof(GSFunctionSymbol) > size)
        size = sizeof(GSFunctionSymbol);
    if (sizeof(GSClassSymbol) > size)
        size = sizeof(GSClassSymbol);
    if (sizeof(GSDependentSymbol) > size)
        size = sizeof(GSDependentSymbol);
    return size;
}

// A probe that only carries a name and a level, for lookups.
class ProbeSymbol : public GSSymbol {
public:
    ProbeSymbol(const char* probeName, int32_t level) : GSSymbol(SYM_VARIABLE, probeName) { scopeLevel = level; }
};

void AddLogLine(GSCompileLog* log, const std::string& text)
{
    if (log != nullptr)
        log->AddLine(text.c_str());
}

// The name a call finds a function by: the text between the leading "::" and
// the first "(" of its short signature; false for a name of no such form,
// which no call finds.
bool CallName(const char* shortSignature, std::string* plainName)
{
    if (shortSignature[0] != ':' || shortSignature[1] != ':')
        return false;
    const char* open = std::strchr(shortSignature + 2, '(');
    if (open == nullptr)
        return false;
    plainName->assign(shortSignature + 2, open);
    return true;
}

void IndexFunction(GSClassSymbol* cls, GSSymbol* symbol)
{
    std::string plainName;
    if (symbol->kind != SYM_FUNCTION || !CallName(symbol->name, &plainName))
        return;
    cls->functionsByName[plainName].push_back(static_cast<GSFunctionSymbol*>(symbol));
}

void UnindexFunction(GSClassSymbol* cls, GSSymbol* symbol)
{
    std::string plainName;
    if (symbol->kind != SYM_FUNCTION || !CallName(symbol->name, &plainName))
        return;
    auto group = cls->functionsByName.find(plainName);
    if (group == cls->functionsByName.end())
        return;
    std::vector<GSFunctionSymbol*>& functions = group->second;
    functions.erase(std::remove(functions.begin(), functions.end(), symbol), functions.end());
    if (functions.empty())
        cls->functionsByName.erase(group);
}

}  // namespace

// ---- GSSymbol ----

uint32_t GSSymbol::Hash() const
{
    return Utils::ScriptHash(name);
}

int GSSymbol::Compare(const Utils::IHashNode& other) const
{
    const GSSymbol& b = static_cast<const GSSymbol&>(other);
    int order = (kind == SYM_DEPENDENT && b.kind == SYM_DEPENDENT) ? Zel::AsciiCompare(name, b.name, true)
                                                                   : std::strcmp(name, b.name);
    if (order != 0)
        return order;
    if (scopeLevel == -1 || b.scopeLevel == -1)
        return 0;
    if (scopeLevel < b.scopeLevel)
        return 1;
    if (scopeLevel > b.scopeLevel)
        return -1;
    return 0;
}

// Dependents compare among themselves ignoring case but with other symbols
// by bytes, so only chains without them are in one order.
bool GSSymbol::ComparesInOrder() const
{
    return kind != SYM_DEPENDENT;
}

void GSSymbol::Dump(GSCompileLog*) const {}

void GSDependentSymbol::Dump(GSCompileLog* log) const
{
    char line[512];
    std::snprintf(line, sizeof line, "\nDependent \"%s\", crc 0x%X, filename crc 0x%X\n", name, sourceCrc, fileNameCrc);
    AddLogLine(log, line);
}

void GSVariableSymbol::Dump(GSCompileLog* log) const
{
    char line[512];
    if (className != nullptr) {
        std::snprintf(line, sizeof line, "%d:%d:%s<%s> %s %s", index, scopeLevel, TypeName(type), className, name,
                      ModifierNames(flags).c_str());
    } else {
        std::snprintf(line, sizeof line, "%d:%d:%s %s %s", index, scopeLevel, TypeName(type), name,
                      ModifierNames(flags).c_str());
    }
    AddLogLine(log, line);
}

void GSFunctionSymbol::Dump(GSCompileLog* log) const
{
    char line[512];
    if (returnClass != nullptr) {
        std::snprintf(line, sizeof line, "%d:%d:%s<%s> %s %s", index, scopeLevel, TypeName(type), returnClass, name,
                      ModifierNames(flags).c_str());
    } else {
        std::snprintf(line, sizeof line, "%d:%d:%s %s %s", index, scopeLevel, TypeName(type), name,
                      ModifierNames(flags).c_str());
    }
    AddLogLine(log, line);
}

std::string GSFunctionSymbol::PlainName() const
{
    const char* start = name;
    if (start[0] == ':' && start[1] == ':')
        start += 2;
    const char* end = std::strchr(start, '(');
    return end ? std::string(start, end) : std::string(start);
}

GSClassSymbol::GSClassSymbol(const char* symbolName) : GSSymbol(SYM_CLASS, symbolName)
{
    members.Make(kMemberBuckets);
}

void GSClassSymbol::Clear()
{
    bases.clear();
    pending.clear();
    members.FreeBuckets();
    functionsByName.clear();
}

void GSClassSymbol::Dump(GSCompileLog* log) const
{
    const std::string rule(40, '=');
    AddLogLine(log, rule);
    char line[512];
    std::snprintf(line, sizeof line, "%d:%s %s (%s)::", scopeLevel, name, ModifierNames(flags).c_str(),
                  library ? library->name : "");
    std::string text = line;
    for (const BaseEntry& entry : bases) {
        std::snprintf(line, sizeof line, "%d:%s,", entry.memberOffset, entry.base->name);
        text += line;
    }
    AddLogLine(log, text);
    AddLogLine(log, rule);
    Utils::HashTable::Iterator it;
    members.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it))
        static_cast<const GSSymbol*>(it.Node())->Dump(log);
}

// ---- GSSymbolTable ----

GSSymbolTable::GSSymbolTable() : GSSymbol(0, "")
{
    owner = nullptr;
    mainUnit.context = this;
    ResetPools();
}

GSSymbolTable::~GSSymbolTable()
{
    compiledClasses.DeleteAll();
    DestroyAll();
    globals.FreeBuckets();
}

void GSSymbolTable::Dump(GSCompileLog* log) const
{
    AddLogLine(log, "Symbol Table");
    Utils::HashTable::Iterator it;
    globals.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it))
        static_cast<const GSSymbol*>(it.Node())->Dump(log);
}

void GSSymbolTable::Destroy(GSSymbol* symbol)
{
    if (symbol->livePrevious) {
        symbol->livePrevious->liveNext = symbol->liveNext;
    } else {
        live_ = symbol->liveNext;
    }
    if (symbol->liveNext)
        symbol->liveNext->livePrevious = symbol->livePrevious;
    symbol->~GSSymbol();
    symbolPool.Free(symbol);
}

void GSSymbolTable::DestroyAll()
{
    for (GSSymbol* symbol = live_; symbol != nullptr;) {
        GSSymbol* next = symbol->liveNext;
        symbol->~GSSymbol();
        symbol = next;
    }
    live_ = nullptr;
    symbolPool.Destroy();
    nameMemory.ReleaseAll();
}

void GSSymbolTable::Clear()
{
    // The compiled classes point at the symbols about to go.
    compiledClasses.DeleteAll();
    for (GSSymbol*& chain : scopeChains)
        chain = nullptr;
    scopeLevel = 0;
    overflowLevels = 0;
    classReferences.clear();
    functionReferences.clear();
    DestroyAll();
    globals.FreeBuckets();
}

void GSSymbolTable::ResetPools()
{
    Clear();
    symbolPool.Init(256, static_cast<uint32_t>(LargestSymbol()), 128);
    // Every member and function of a large file stays live until the end, so
    // beyond some 4,000 symbols their blocks come from huge-page regions.
    symbolPool.UseHugePagesBeyond(32);
    nameMemory.Init(4096);
    globals.Make(kGlobalBuckets);
    currentFunction = nullptr;
    currentUnit = nullptr;
    currentLibrary = nullptr;
    classReferenceCounter = functionReferenceCounter = 0;
    dependencyCounter = 0;
}

const char* GSSymbolTable::CopyName(const char* text)
{
    if (text == nullptr)
        return nullptr;
    return nameMemory.StrdupAnyLength(text, std::strlen(text));
}

template <typename T>
T* GSSymbolTable::Make(const char* name)
{
    const char* copy = CopyName(name);
    if (copy == nullptr)
        return nullptr;
    void* raw = symbolPool.Alloc();
    if (raw == nullptr)
        return nullptr;
    T* symbol = new (raw) T(copy);
    symbol->liveNext = live_;
    if (live_)
        live_->livePrevious = symbol;
    live_ = symbol;
    return symbol;
}

GSVariableSymbol* GSSymbolTable::MakeVariable(const char* name)
{
    return Make<GSVariableSymbol>(name);
}
GSFunctionSymbol* GSSymbolTable::MakeFunction(const char* name)
{
    return Make<GSFunctionSymbol>(name);
}
GSDependentSymbol* GSSymbolTable::MakeDependent(const char* name)
{
    return Make<GSDependentSymbol>(name);
}

GSClassSymbol* GSSymbolTable::MakeClass(const char* name)
{
    GSClassSymbol* cls = Make<GSClassSymbol>(name);
    if (cls != nullptr)
        cls->library = currentLibrary;
    return cls;
}

bool GSSymbolTable::Declare(GSClassSymbol* cls, GSSymbol* symbol, bool allocate)
{
    if (symbol->owner != nullptr)
        return false;
    symbol->scopeLevel = scopeLevel;
    if (cls != nullptr) {
        if (cls->kind != SYM_CLASS)
            return false;
        if (!cls->members.Insert(symbol))
            return false;
        IndexFunction(cls, symbol);
        symbol->owner = cls;
        bool storage = scopeLevel == 0 && allocate;
        if (storage && symbol->kind == SYM_VARIABLE)
            symbol->index = cls->memberCount++;
        if (storage && symbol->kind == SYM_FUNCTION)
            symbol->index = cls->methodCount++;
        if (!storage)
            symbol->flags |= FLAG_NO_STORAGE;
    } else {
        if (!globals.Insert(symbol))
            return false;
        symbol->owner = this;
    }
    symbol->scopeNext = scopeChains[scopeLevel];
    scopeChains[scopeLevel] = symbol;
    if (symbol->kind == SYM_FUNCTION)
        currentFunction = static_cast<GSFunctionSymbol*>(symbol);
    return true;
}

GSSymbol* GSSymbolTable::FindOwnMember(const GSClassSymbol* cls, const char* name, bool membersOnly) const
{
    if (cls == nullptr || name == nullptr)
        return nullptr;
    ProbeSymbol probe(name, membersOnly ? 0 : -1);
    return static_cast<GSSymbol*>(cls->members.Find(probe));
}

GSSymbol* GSSymbolTable::FindGlobal(const char* name) const
{
    if (name == nullptr)
        return nullptr;
    ProbeSymbol probe(name, -1);
    return static_cast<GSSymbol*>(globals.Find(probe));
}

GSSymbol* GSSymbolTable::FindMember(const GSClassSymbol* cls, const char* name, bool outward, bool membersOnly) const
{
    if (cls != nullptr) {
        if (GSSymbol* found = FindOwnMember(cls, name, membersOnly))
            return found;
        for (const BaseEntry& entry : cls->bases) {
            if (GSSymbol* found = FindOwnMember(entry.base, name, membersOnly))
                return found;
        }
    }
    if (!outward)
        return nullptr;
    return FindGlobal(name);
}

void GSSymbolTable::GiveReferenceIndex(GSSymbol* symbol)
{
    if (symbol == nullptr || symbol->referenceIndex >= 0)
        return;
    if (symbol->kind == SYM_CLASS) {
        classReferences.push_back(symbol);
        symbol->referenceIndex = classReferenceCounter++;
    } else if (symbol->kind == SYM_FUNCTION) {
        functionReferences.push_back(symbol);
        symbol->referenceIndex = functionReferenceCounter++;
        if (symbol->owner != nullptr && symbol->owner->kind == SYM_CLASS)
            GiveReferenceIndex(symbol->owner);
    }
}

GSSymbol* GSSymbolTable::Lookup(const char* name, GSClassSymbol* cls, bool outward, bool membersOnly)
{
    GSSymbol* found = cls != nullptr ? FindMember(cls, name, outward, membersOnly) : FindGlobal(name);
    GiveReferenceIndex(found);
    return found;
}

namespace {

bool HasPlainName(const char* shortSignature, const char* plainName, size_t length)
{
    return shortSignature[0] == ':' && shortSignature[1] == ':' &&
           std::strncmp(shortSignature + 2, plainName, length) == 0 && shortSignature[2 + length] == '(';
}

// The whole member table in its order; for a name that the index cannot
// answer for (one with a "(" in it).
void ScanFunctions(const GSClassSymbol* cls, const char* plainName, size_t length, int argumentCount,
                   GSFunctionSymbol** result, int capacity, int* count)
{
    Utils::HashTable::Iterator it;
    cls->members.Begin(&it);
    for (; it.Node() != nullptr && *count < capacity; Utils::HashTable::Next(&it)) {
        GSSymbol* symbol = static_cast<GSSymbol*>(it.Node());
        if (symbol->kind != SYM_FUNCTION)
            continue;
        GSFunctionSymbol* function = static_cast<GSFunctionSymbol*>(symbol);
        if (function->parameterCounter != argumentCount + 1)
            continue;
        if (!HasPlainName(function->name, plainName, length))
            continue;
        result[(*count)++] = function;
    }
}

// What the scan gives, from the index: the functions of the name and count,
// in the member table's iteration order (bucket, then place in the chain).
void CollectFunctions(const GSClassSymbol* cls, const char* plainName, size_t length, int argumentCount,
                      GSFunctionSymbol** result, int capacity, int* count)
{
    if (std::memchr(plainName, '(', length) != nullptr) {
        ScanFunctions(cls, plainName, length, argumentCount, result, capacity, count);
        return;
    }
    auto group = cls->functionsByName.find(std::string(plainName, length));
    if (group == cls->functionsByName.end())
        return;
    struct Placed {
        uint32_t bucket;
        uint32_t position;
        GSFunctionSymbol* function;
    };
    std::vector<Placed> found;
    for (GSFunctionSymbol* function : group->second) {
        if (function->parameterCounter != argumentCount + 1)
            continue;
        Placed placed{0, 0, function};
        if (cls->members.Locate(function, &placed.bucket, &placed.position))
            found.push_back(placed);
    }
    std::sort(found.begin(), found.end(), [](const Placed& a, const Placed& b) {
        return a.bucket != b.bucket ? a.bucket < b.bucket : a.position < b.position;
    });
    for (const Placed& placed : found) {
        if (*count >= capacity)
            return;
        result[(*count)++] = placed.function;
    }
}

}  // namespace

int GSSymbolTable::FindFunctions(GSClassSymbol* cls, const char* plainName, int argumentCount,
                                 GSFunctionSymbol** result, int capacity, bool searchBases)
{
    if (cls == nullptr || plainName == nullptr)
        return 0;
    size_t length = std::strlen(plainName);
    int count = 0;
    CollectFunctions(cls, plainName, length, argumentCount, result, capacity, &count);
    if (count != 0 || !searchBases)
        return count;
    for (const BaseEntry& entry : cls->bases) {
        CollectFunctions(entry.base, plainName, length, argumentCount, result, capacity, &count);
    }
    return count;
}

bool GSSymbolTable::IsA(const char* name, const GSClassSymbol* cls, BaseEntry* entry) const
{
    if (cls == nullptr || name == nullptr)
        return false;
    if (std::strcmp(cls->name, name) == 0) {
        if (entry)
            *entry = BaseEntry{const_cast<GSClassSymbol*>(cls), 0, 0, true};
        return true;
    }
    for (const BaseEntry& base : cls->bases) {
        if (std::strcmp(base.base->name, name) == 0) {
            if (entry)
                *entry = base;
            return true;
        }
    }
    return false;
}

bool GSSymbolTable::Slot(GSSymbol* symbol, GSClassSymbol* cls, int32_t* slot)
{
    if (symbol->scopeLevel > 0) {
        *slot = symbol->index;
        return true;
    }
    if (cls == nullptr)
        return false;
    if (!cls->pending.empty())
        ResolveBases(cls);
    if (symbol->owner == nullptr || symbol->owner->kind != SYM_CLASS)
        return false;
    GSClassSymbol* owner = static_cast<GSClassSymbol*>(symbol->owner);
    bool variable = symbol->kind == SYM_VARIABLE;
    if (!variable && symbol->kind != SYM_FUNCTION)
        return false;
    if (owner == cls) {
        *slot = (variable ? cls->memberBase : cls->methodBase) + symbol->index;
        return true;
    }
    BaseEntry entry;
    if (!IsA(owner->name, cls, &entry))
        return false;
    *slot = variable ? entry.memberOffset + owner->memberBase + symbol->index
                     : entry.methodOffset + owner->methodBase + symbol->index;
    return true;
}

void GSSymbolTable::AddPendingBase(GSClassSymbol* cls, const char* name, int32_t line)
{
    cls->pending.push_back(PendingBase{CopyName(name), line});
}

int GSSymbolTable::AddBase(GSClassSymbol* cls, GSClassSymbol* base, int32_t memberOffset, int32_t methodOffset,
                           bool direct, GSClassSymbol** present)
{
    for (const BaseEntry& entry : cls->bases) {
        if (std::strcmp(entry.base->name, base->name) == 0) {
            if (present)
                *present = entry.base;
            return -1;
        }
    }
    if (direct) {
        memberOffset = cls->memberBase;
        methodOffset = cls->methodBase;
        cls->memberBase += base->memberBase + base->memberCount;
        cls->methodBase += base->methodBase + base->methodCount;
    }
    cls->bases.push_back(BaseEntry{base, memberOffset, methodOffset, direct});
    Utils::HashTable::Iterator it;
    base->members.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        GSSymbol* member = static_cast<GSSymbol*>(it.Node());
        if (member->kind == SYM_FUNCTION || member->kind == SYM_CLASS)
            GiveReferenceIndex(member);
    }
    // Copy: the recursion appends to cls->bases, never to base->bases (a class
    // is never its own base once resolving is guarded).
    std::vector<BaseEntry> inherited = base->bases;
    for (const BaseEntry& entry : inherited) {
        if (!entry.direct)
            continue;
        if (AddBase(cls, entry.base, memberOffset + entry.memberOffset, methodOffset + entry.methodOffset, false,
                    present) < 0) {
            return -1;
        }
    }
    return 0;
}

bool GSSymbolTable::ResolveBases(GSClassSymbol* cls)
{
    if (cls->pending.empty())
        return true;
    cls->resolving = true;
    bool ok = ResolveBasesOf(cls);
    cls->resolving = false;
    // Resolved once, whatever the outcome: a second attempt would find the
    // bases already added and report them as cyclic.
    cls->pending.clear();
    return ok;
}

bool GSSymbolTable::ResolveBasesOf(GSClassSymbol* cls)
{
    const char* file = cls->library && cls->library->fileName ? cls->library->fileName
                       : currentUnit                          ? currentUnit->fileName
                                                              : nullptr;
    std::vector<PendingBase> pending = cls->pending;
    for (const PendingBase& wanted : pending) {
        GSSymbol* found = Lookup(wanted.name, cls, true, false);
        if (found == nullptr || found->kind != SYM_CLASS) {
            ReportInFile(currentUnit, true, false, file, wanted.line, "Class %s has not been declared, line %d.",
                         wanted.name, wanted.line);
            return false;
        }
        GSClassSymbol* base = static_cast<GSClassSymbol*>(found);
        if (base->flags & MOD_STATIC) {
            ReportInFile(currentUnit, true, false, file, wanted.line, "Cannot extend static class %s, line %d.",
                         wanted.name, wanted.line);
            return false;
        }
        if (base->flags & MOD_FINAL) {
            ReportInFile(currentUnit, true, false, file, wanted.line, "Cannot extend final class %s, line %d.",
                         wanted.name, wanted.line);
            return false;
        }
        if (base->resolving) {
            // A class that is its own base, directly or through other files.
            ReportInFile(currentUnit, true, false, file, wanted.line,
                         "Class %s and %s causes cyclic derivation, line %d.", wanted.name, cls->name, wanted.line);
            return false;
        }
        if (!ResolveBases(base))
            return false;
        GSClassSymbol* present = nullptr;
        if (AddBase(cls, base, cls->memberBase, cls->methodBase, true, &present) < 0) {
            ReportInFile(currentUnit, true, false, file, wanted.line,
                         "Class %s and %s causes cyclic derivation, line %d.", wanted.name,
                         present ? present->name : wanted.name, wanted.line);
            return false;
        }
    }
    return true;
}

void GSSymbolTable::ResetReferenceNumbering()
{
    Utils::HashTable::Iterator it;
    globals.Begin(&it);
    for (; it.Node() != nullptr; Utils::HashTable::Next(&it)) {
        GSSymbol* symbol = static_cast<GSSymbol*>(it.Node());
        if (symbol->kind != SYM_CLASS)
            continue;
        symbol->referenceIndex = -1;
        GSClassSymbol* cls = static_cast<GSClassSymbol*>(symbol);
        Utils::HashTable::Iterator member;
        cls->members.Begin(&member);
        for (; member.Node() != nullptr; Utils::HashTable::Next(&member)) {
            GSSymbol* m = static_cast<GSSymbol*>(member.Node());
            if (m->kind == SYM_FUNCTION)
                m->referenceIndex = -1;
        }
    }
    classReferenceCounter = functionReferenceCounter = 0;
    classReferences.clear();
    functionReferences.clear();
}

void GSSymbolTable::OpenScope()
{
    if (scopeLevel >= kMaxScopeLevel) {
        ++overflowLevels;
        return;
    }
    ++scopeLevel;
    scopeChains[scopeLevel] = nullptr;
}

void GSSymbolTable::RemoveMember(GSSymbol* symbol)
{
    if (symbol->owner == this) {
        globals.Remove(symbol);
    } else if (symbol->owner != nullptr && symbol->owner->kind == SYM_CLASS) {
        GSClassSymbol* cls = static_cast<GSClassSymbol*>(symbol->owner);
        if (cls->members.Remove(symbol))
            UnindexFunction(cls, symbol);
    }
    symbol->owner = nullptr;
}

void GSSymbolTable::CloseScope()
{
    if (overflowLevels > 0) {
        --overflowLevels;
        return;
    }
    if (scopeLevel == 0)
        return;
    for (GSSymbol* symbol = scopeChains[scopeLevel]; symbol != nullptr;) {
        GSSymbol* next = symbol->scopeNext;
        RemoveMember(symbol);
        if (currentFunction == symbol)
            currentFunction = nullptr;
        symbol->Clear();
        Destroy(symbol);
        symbol = next;
    }
    scopeChains[scopeLevel] = nullptr;
    --scopeLevel;
}

}  // namespace GSCompiler
