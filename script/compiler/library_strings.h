// The compiled library's string pool, shared by code generation and the
// image writer.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
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

private:
    std::deque<std::string> texts_;  // by index; a deque keeps the views below valid
    std::unordered_map<std::string_view, int32_t> indices_;
};

// The pool index of `text` in the compilation's pool; -1 when it cannot grow.
int32_t InternString(const char* text, GSSymbolTable* context);

}  // namespace GSCompiler
