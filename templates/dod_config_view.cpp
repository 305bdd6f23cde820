// The indexed view of one config level.
#include "templates/dod_config_view.h"

namespace DODLib {

ConfigView::ConfigView(const SoupHandle& soup) : soup_(soup)
{
    const int32_t count = soup_.CountTags();
    first_.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        const Zel::PString name = soup_.GetIndexedTagName(i);
        first_.try_emplace(name.Node(), i);
    }
}

Zel::PString ConfigView::GetText(const Zel::PString& name) const
{
    auto it = first_.find(name.Node());
    if (it == first_.end())
        return Zel::PString();
    Zel::PString tagName;
    Zel::PString text;
    soup_.GetIndexedTagText(it->second, tagName, text);
    return text;
}

bool ConfigView::Has(const Zel::PString& name) const
{
    auto it = first_.find(name.Node());
    if (it == first_.end())
        return false;
    Zel::PString tagName;
    ChunkRef chunk;
    soup_.Root()->GetIndexedTag(it->second, tagName, chunk);
    return !IsAbsentChunk(chunk);
}

}  // namespace DODLib
