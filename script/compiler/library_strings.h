// The compiled library's string pool, shared by code generation and the
// image writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace GSCompiler {

class GSSymbolTable;

// Indices are handed out in the order texts are first interned. The image
// lists the texts in the order of a 61-bucket chained table (the toolchain
// hash, each chain ascending byte-wise); that order is worked out when the
// pool is written, so interning stays constant-time however many strings a
// library holds (a chained table of 61 buckets makes large libraries
// quadratic).
class LibraryStringPool {
public:
    static constexpr uint32_t kBuckets = 61;

    // The index of `text`, entering it when new; -1 when memory runs out.
    int32_t Intern(const char* text);
    uint32_t Count() const { return static_cast<uint32_t>(texts_.size()); }
    // Null for an index the pool does not have.
    const char* Text(uint32_t index) const;
    // Every index once, in the order the image writes the texts.
    std::vector<uint32_t> WriteOrder() const;
    void Clear();

    // Bytes of the text at `index`, without the terminator (0 for an unknown index).
    uint32_t Length(uint32_t index) const;

private:
    // A copy of `text` in the blocks; null on exhausted memory.
    char* Store(std::string_view text);
    // Doubles the slots; false on exhausted memory.
    bool Grow();

    // The texts lie one after another in large blocks, in interning order:
    // hashing, sorting and writing a large pool then read nearby memory
    // instead of one allocation per text.
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t blockUsed_ = 0;
    size_t blockSize_ = 0;
    std::vector<std::string_view> texts_;  // by index, each terminated in its block
    // Open addressing over the texts: each slot holds the upper half of a
    // text's hash and its index + 1 (0: free), so a probe compares texts
    // only on a matching hash half and never follows a list of nodes.
    std::vector<uint64_t> slots_;
};

// The pool index of `text` in the compilation's pool; -1 when it cannot grow.
int32_t InternString(const char* text, GSSymbolTable* context);

}  // namespace GSCompiler
