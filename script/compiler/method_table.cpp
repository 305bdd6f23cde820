// Method-table construction: a depth-first walk over the direct bases, then
// the class's own functions in slot order, each redirecting the earlier
// entries of the same plain name.
#include "script/compiler/method_table.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <functional>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/compiler/symbols.h"
#include "script/compiler/tree.h"

namespace GSCompiler {

int32_t GSFunctionSymbolExt::Slot() const
{
    if (function->owner == nullptr || function->owner->kind != SYM_CLASS)
        return -1;
    return static_cast<const GSClassSymbol*>(function->owner)->methodBase + function->index;
}

void MethodTableList::InsertBySlot(const GSFunctionSymbolExt& entry)
{
    // The list stays in slot order, so the first entry whose slot is not
    // smaller is a binary search away.
    auto at = std::lower_bound(entries_.begin(), entries_.end(), entry.Slot(),
                               [](const GSFunctionSymbolExt& present, int32_t slot) { return present.Slot() < slot; });
    entries_.insert(at, entry);
}

void MethodTableList::SortBySlot()
{
    // Each slot is read once into a key, with the entry's place counted from
    // the end (the later appended first among equal slots): comparing keys
    // then never reads the symbols, which lie all over memory in a large class.
    const auto count = static_cast<uint32_t>(entries_.size());
    std::vector<std::pair<int32_t, uint32_t>> keys;
    keys.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        keys.emplace_back(entries_[i].Slot(), count - 1 - i);
    std::sort(keys.begin(), keys.end());
    std::vector<GSFunctionSymbolExt> sorted;
    sorted.reserve(count);
    for (const auto& key : keys)
        sorted.push_back(entries_[count - 1 - key.second]);
    entries_.swap(sorted);
}

namespace {

// Member-block offset of `cls` within an instance of `mostDerived`; -1 when
// it is not part of it.
int32_t BlockOffset(const GSClassSymbol* mostDerived, const GSClassSymbol* cls)
{
    if (cls == mostDerived)
        return 0;
    for (const BaseEntry& entry : mostDerived->bases) {
        if (entry.base == cls)
            return entry.memberOffset;
    }
    return -1;
}

// The signature from "$" up to and including "@" names the result type.
bool SameReturnType(const GSFunctionSymbol* a, const GSFunctionSymbol* b)
{
    const char* at = std::strchr(a->signature, '@');
    const char* other = std::strchr(b->signature, '@');
    if (at == nullptr || other == nullptr)
        return false;
    const size_t length = static_cast<size_t>(at - a->signature);
    return length == static_cast<size_t>(other - b->signature) && std::strncmp(a->signature, b->signature, length) == 0;
}

}  // namespace

namespace {

// The plain name of a short signature "::name(args)", without copying it.
std::string_view PlainNameOf(const GSFunctionSymbol* function)
{
    std::string_view name = function->name;
    if (name.substr(0, 2) == "::")
        name.remove_prefix(2);
    return name.substr(0, name.find('('));
}

// Two natives of one class under one name are overloads the program binds
// each by its own signature (Soup's SetNamedTag for a string, a float, an
// int and a KUID): redirecting the earlier to the later would hand every
// call the last one's native, which reads its arguments as other types.
bool OwnNativeOverloads(const GSFunctionSymbol* later, const GSFunctionSymbol* earlier)
{
    return (later->flags & MOD_NATIVE) != 0 && (earlier->flags & MOD_NATIVE) != 0 &&
           std::strcmp(later->signature, earlier->signature) != 0;
}

// Result entries by plain name, kept beside the result through the whole
// walk, so that large classes and deep hierarchies stay linear. Each name's
// entries form a list in ascending entry order (first, then `next` from
// entry to entry); the names sit in an open-addressed table of plain slots,
// so a class of thousands of functions costs no allocation per name.
class EntriesByName {
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    // The first entry named `name`, kNone for none.
    uint32_t First(std::string_view name) const
    {
        if (slots_.empty())
            return kNone;
        const Slot& slot = slots_[Find(name, Hash(name))];
        return slot.first;
    }
    uint32_t Next(uint32_t entry) const { return next_[entry]; }

    // Appends `entry` (one more than the last entry added) under `name`.
    void Add(std::string_view name, uint32_t entry)
    {
        if ((used_ + 1) * 2 > slots_.size())
            Grow();
        const uint32_t hash = Hash(name);
        Slot& slot = slots_[Find(name, hash)];
        next_.resize(size_t(entry) + 1, kNone);
        if (slot.first == kNone) {
            slot = Slot{name, hash, entry, entry};
            ++used_;
        } else {
            next_[slot.last] = entry;
            slot.last = entry;
        }
    }

private:
    struct Slot {
        std::string_view name;
        uint32_t hash = 0;
        uint32_t first = kNone;
        uint32_t last = kNone;
    };

    static uint32_t Hash(std::string_view name) { return static_cast<uint32_t>(std::hash<std::string_view>{}(name)); }
    // The slot holding `name`, else the free slot where it goes.
    size_t Find(std::string_view name, uint32_t hash) const
    {
        const size_t mask = slots_.size() - 1;
        size_t at = hash & mask;
        while (slots_[at].first != kNone && (slots_[at].hash != hash || slots_[at].name != name))
            at = (at + 1) & mask;
        return at;
    }
    void Grow()
    {
        std::vector<Slot> old(slots_.empty() ? 64 : slots_.size() * 2);
        old.swap(slots_);
        const size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.first == kNone)
                continue;
            size_t at = slot.hash & mask;
            while (slots_[at].first != kNone)
                at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::vector<uint32_t> next_;  // by entry: the next entry of the same name
    size_t used_ = 0;
};

bool Collect(GSClassSymbol* mostDerived, GSClassSymbol* cls, MethodTableList* result, EntriesByName* byName,
             GSCompileLog* log)
{
    for (const BaseEntry& entry : cls->bases) {
        if (entry.direct && !Collect(mostDerived, entry.base, result, byName, log))
            return false;
    }
    const int32_t offset = BlockOffset(mostDerived, cls);
    if (offset < 0)
        return false;

    MethodTableList own;
    cls->members.ForEach([&](Utils::IHashNode* node) {
        GSSymbol* symbol = static_cast<GSSymbol*>(node);
        if (symbol->kind == SYM_FUNCTION && symbol->scopeLevel == 0)
            own.Append(GSFunctionSymbolExt(static_cast<GSFunctionSymbol*>(symbol), offset));
    });
    // The member table gives them in hash order: one insertion each would
    // shift the list every time, quadratic in a large class.
    own.SortBySlot();

    // A static class cannot be extended, so nothing can override its functions
    // and its one object is always of the class itself: its overloads keep a
    // slot each. Redirecting them by plain name would run Router's
    // GetGameObject(string) for a call of GetGameObject(int), and would refuse
    // Math's Rand(float,float) beside Rand(int,int) for their result types.
    const bool keepOwnOverloads = (cls->flags & MOD_STATIC) != 0;
    const uint32_t firstOwn = result->Count();
    for (uint32_t i = 0; i < own.Count(); ++i) {
        GSFunctionSymbol* function = own[i].function;
        if (function->signature == nullptr)
            return false;
        const std::string_view name = PlainNameOf(function);
        for (uint32_t j = byName->First(name); j != EntriesByName::kNone; j = byName->Next(j)) {
            if (j >= firstOwn && (keepOwnOverloads || OwnNativeOverloads(function, (*result)[j].function)))
                continue;
            GSFunctionSymbolExt& earlier = (*result)[j];
            if (!SameReturnType(function, earlier.function)) {
                if (log != nullptr)
                    log->AddLine((std::string("Wrong return type on function: ") + function->signature + "\n").c_str());
                return false;
            }
            earlier.function = function;
            earlier.offset = offset;
        }
        byName->Add(name, result->Count());
        result->Append(own[i]);
    }
    return true;
}

}  // namespace

bool CollectMethodTable(GSClassSymbol* mostDerived, GSClassSymbol* cls, MethodTableList* result, GSCompileLog* log)
{
    EntriesByName byName;
    for (uint32_t j = 0; j < result->Count(); ++j)
        byName.Add(PlainNameOf((*result)[j].function), j);
    return Collect(mostDerived, cls, result, &byName, log);
}

}  // namespace GSCompiler
