#include "script/compiler/library_strings.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "script/common/script_hash.h"
#include "script/compiler/symbols.h"

namespace GSCompiler {

int32_t LibraryStringPool::Intern(const char* text)
{
    if (text == nullptr)
        return -1;
    auto found = indices_.find(std::string_view(text));
    if (found != indices_.end())
        return found->second;
    try {
        const auto index = static_cast<int32_t>(texts_.size());
        texts_.emplace_back(text);
        indices_.emplace(std::string_view(texts_.back()), index);
        return index;
    } catch (const std::bad_alloc&) {
        if (texts_.size() > indices_.size())
            texts_.pop_back();
        return -1;
    }
}

const char* LibraryStringPool::Text(uint32_t index) const
{
    return index < texts_.size() ? texts_[index].c_str() : nullptr;
}

std::vector<uint32_t> LibraryStringPool::WriteOrder() const
{
    struct Key {
        uint32_t bucket;
        uint32_t index;
    };
    std::vector<Key> keys;
    keys.reserve(texts_.size());
    for (uint32_t i = 0; i < texts_.size(); ++i)
        keys.push_back({Utils::ScriptHash(texts_[i].c_str()) % kBuckets, i});
    // strcmp orders as unsigned bytes, as the chains of the table do.
    std::sort(keys.begin(), keys.end(), [this](const Key& a, const Key& b) {
        if (a.bucket != b.bucket)
            return a.bucket < b.bucket;
        return std::strcmp(texts_[a.index].c_str(), texts_[b.index].c_str()) < 0;
    });
    std::vector<uint32_t> order;
    order.reserve(keys.size());
    for (const Key& key : keys)
        order.push_back(key.index);
    return order;
}

void LibraryStringPool::Clear()
{
    indices_.clear();
    texts_.clear();
}

int32_t InternString(const char* text, GSSymbolTable* context)
{
    return context->libraryStrings.Intern(text);
}

}  // namespace GSCompiler
