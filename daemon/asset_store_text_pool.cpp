// Interned texts of the asset rows: each distinct value kept once, named by a 32-bit number.
#include "daemon/asset_store_text_pool.h"

std::uint32_t KADTextPool::Intern(std::string_view text)
{
    auto found = numbers.find(text);
    if (found != numbers.end())
        return found->second;
    auto number = static_cast<std::uint32_t>(values.size());
    numbers.emplace(values.emplace_back(text), number);
    return number;
}

void KADTextPool::Clear()
{
    numbers.clear();
    values.clear();
}
