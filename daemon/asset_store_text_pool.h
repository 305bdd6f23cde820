// Interned texts of the asset rows: each distinct value kept once, named by a 32-bit number.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

// Kinds, categories, regions and author names repeat across thousands of
// rows; a row keeps the number of its value instead of its own copy.
// Numbers stay valid until Clear; values no row names any more are only
// dropped when the owner rebuilds the pool.
class KADTextPool {
public:
    KADTextPool() = default;
    // Moving keeps the deque's blocks where they are, so the keys stay
    // valid; a copy's keys would view the original.
    KADTextPool(KADTextPool&&) = default;
    KADTextPool& operator=(KADTextPool&&) = default;
    KADTextPool(const KADTextPool&) = delete;
    KADTextPool& operator=(const KADTextPool&) = delete;

    std::uint32_t Intern(std::string_view text);
    const std::string& Text(std::uint32_t number) const { return values[number]; }
    std::size_t Size() const { return values.size(); }
    void Clear();

private:
    // A deque, so that a value never moves: the map's keys view its buffer.
    std::deque<std::string> values;
    std::unordered_map<std::string_view, std::uint32_t> numbers;
};
