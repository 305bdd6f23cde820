// PString handle operations: reference counting, assignment, comparison.
#include "zel/pstring.h"

#include <cstring>

#include "zel/ascii.h"

namespace Zel {

PString::PString(const char* text) : PString(PStringCache::Create(text)) {}

PString::PString(const char* text, size_t length) : PString(PStringCache::Create(text, length)) {}

PString::PString(std::string_view text) : PString(PStringCache::Create(text)) {}

PString::PString(const std::string& text) : PString(PStringCache::Create(std::string_view(text))) {}

PString::PString(const PString& other) noexcept : node_(other.node_)
{
    if (node_)
        node_->references.fetch_add(1, std::memory_order_relaxed);
}

PString& PString::operator=(const PString& other) noexcept
{
    if (node_ == other.node_)
        return *this;
    PStringNode* old = node_;
    node_ = other.node_;
    if (node_)
        node_->references.fetch_add(1, std::memory_order_relaxed);
    if (old)
        DropReference(old);
    return *this;
}

PString& PString::operator=(PString&& other) noexcept
{
    if (this == &other)
        return *this;
    Release();
    node_ = other.node_;
    other.node_ = nullptr;
    return *this;
}

PString& PString::operator=(const char* text)
{
    *this = PStringCache::Create(text);
    return *this;
}

void PString::DropReference(PStringNode* node) noexcept
{
    // Read before the drop: once the count is 0, a collection may free the node.
    const uint32_t hash = node->hash;
    if (node->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
        PStringCache::NoteUnheld(hash);
}

void PString::Release() noexcept
{
    if (!node_)
        return;
    DropReference(node_);
    node_ = nullptr;
}

uint32_t PString::Hash() const
{
    // Null and the empty node are equal, so they hash alike.
    return Length() == 0 ? 0 : node_->hash;
}

bool PString::MakeLowerCase(PString& string)
{
    if (string.IsEmpty())
        return true;
    string = PStringCache::ToLower(string);
    return true;
}

bool PString::operator==(const char* text) const
{
    std::string_view other = text ? std::string_view(text) : std::string_view();
    return View() == other;
}

int PString::Compare(const PString& other) const
{
    if (node_ == other.node_)
        return 0;
    return AsciiCompare(View(), other.View(), false);
}

bool PString::operator<(const PString& other) const
{
    return Compare(other) < 0;
}

}  // namespace Zel
