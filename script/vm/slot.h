// Slot: one 64-bit word of a script stack, local, member block or array.
#pragma once

#include <cstdint>
#include <cstring>

namespace GSRuntime {

// Every write stores all 64 bits (ints, bools and float bits zero-extended),
// so a slot read back as a pointer is never half stale. Ints are the low 32
// bits; arithmetic on them is done in uint32_t by the callers.
struct Slot {
    uint64_t bits;

    static constexpr Slot FromInt(int32_t value) { return Slot{static_cast<uint32_t>(value)}; }
    static constexpr Slot FromWord(uint32_t value) { return Slot{value}; }
    static Slot FromFloat(float value)
    {
        uint32_t word;
        std::memcpy(&word, &value, sizeof word);
        return Slot{word};
    }
    static Slot FromPointer(const void* pointer)
    {
        return Slot{static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer))};
    }

    int32_t AsInt() const { return static_cast<int32_t>(static_cast<uint32_t>(bits)); }
    uint32_t AsWord() const { return static_cast<uint32_t>(bits); }
    float AsFloat() const
    {
        const uint32_t word = AsWord();
        float value;
        std::memcpy(&value, &word, sizeof value);
        return value;
    }
    template <typename T>
    T* AsPointer() const
    {
        return reinterpret_cast<T*>(static_cast<uintptr_t>(bits));
    }
    // A script reference: the address of a member block's first slot, or null.
    Slot* AsHandle() const { return AsPointer<Slot>(); }
    bool IsZero() const { return bits == 0; }
};

static_assert(sizeof(Slot) == 8, "script slots are 64 bits wide");

}  // namespace GSRuntime
