// The indexed view of one config level.
#include "templates/dod_config_view.h"

namespace DODLib {

namespace {

// Null and the empty text compare equal, so they share one key.
const void* KeyOf(const Zel::PString& name)
{
    return name.IsEmpty() ? nullptr : static_cast<const void*>(name.Node());
}

}  // namespace

ConfigView::ConfigView(const SoupHandle& soup) : soup_(soup)
{
    const int32_t count = soup_.CountTags();
    first_.Reserve(size_t(count > 0 ? count : 0));
    for (int32_t i = 0; i < count; ++i)
        first_.Insert(KeyOf(soup_.GetIndexedTagName(i)), i);
}

int32_t ConfigView::FirstIndex(const Zel::PString& name) const
{
    return first_.Find(KeyOf(name));
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
