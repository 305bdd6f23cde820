// The indexed view of one config level.
#include "templates/dod_config_view.h"

namespace DODLib {

ConfigView::ConfigView(const SoupHandle& soup) : soup_(soup)
{
    const int32_t count = soup_.CountTags();
    if (count < IndexedFrom)
        return;
    first_.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        const Zel::PString name = soup_.GetIndexedTagName(i);
        first_.try_emplace(name.Node(), i);
    }
}

int32_t ConfigView::FirstIndex(const Zel::PString& name) const
{
    const int32_t count = soup_.CountTags();
    if (count < IndexedFrom) {
        for (int32_t i = 0; i < count; ++i) {
            if (soup_.GetIndexedTagName(i) == name)
                return i;
        }
        return -1;
    }
    auto it = first_.find(name.Node());
    return it == first_.end() ? -1 : it->second;
}

Zel::PString ConfigView::GetText(const Zel::PString& name) const
{
    const int32_t index = FirstIndex(name);
    if (index < 0)
        return Zel::PString();
    Zel::PString tagName;
    Zel::PString text;
    soup_.GetIndexedTagText(index, tagName, text);
    return text;
}

bool ConfigView::Has(const Zel::PString& name) const
{
    const int32_t index = FirstIndex(name);
    if (index < 0)
        return false;
    Zel::PString tagName;
    ChunkRef chunk;
    soup_.Root()->GetIndexedTag(index, tagName, chunk);
    return !IsAbsentChunk(chunk);
}

}  // namespace DODLib
