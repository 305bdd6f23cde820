// Method tables of compiled classes: slots inherited from the bases, then the
// class's own functions, with overrides redirected by plain name.
#pragma once

#include <cstdint>
#include <vector>

class GSCompileLog;

namespace GSCompiler {

class GSClassSymbol;
class GSFunctionSymbol;

// One method-table entry while a table is built: the implementing function
// and the member-block offset of its class within the class being built.
class GSFunctionSymbolExt {
public:
    GSFunctionSymbolExt(GSFunctionSymbol* implementing, int32_t blockOffset)
        : function(implementing), offset(blockOffset)
    {}
    virtual ~GSFunctionSymbolExt() = default;

    // Method slot of the function in its own class; -1 without a class.
    int32_t Slot() const;

    GSFunctionSymbol* function;
    int32_t offset;
};

class MethodTableList {
public:
    // Before the first entry whose slot is not smaller than the new one's.
    void InsertBySlot(const GSFunctionSymbolExt& entry);
    void Append(const GSFunctionSymbolExt& entry) { entries_.push_back(entry); }
    // Puts appended entries in the order that inserting them one by one with
    // InsertBySlot would give, in n log n (an equal slot goes before the
    // entries appended earlier).
    void SortBySlot();
    void Clear() { entries_.clear(); }

    uint32_t Count() const { return static_cast<uint32_t>(entries_.size()); }
    GSFunctionSymbolExt& operator[](uint32_t i) { return entries_[i]; }
    const GSFunctionSymbolExt& operator[](uint32_t i) const { return entries_[i]; }

private:
    std::vector<GSFunctionSymbolExt> entries_;
};

// Appends the method-table entries of `cls` as seen from `mostDerived` to
// `result`, in slot order. Fails (with "Wrong return type on function: " in
// the log) when an override's return type differs from the overridden one.
bool CollectMethodTable(GSClassSymbol* mostDerived, GSClassSymbol* cls, MethodTableList* result, GSCompileLog* log);

}  // namespace GSCompiler
