// searchbycategory: lists the assets whose category list matches a category expression.
#include <cstdio>

#include "app/commands.h"
#include "foundation/streams/t_stream.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_filter_element.h"

int CommandSearchByCategory(ResultsLog& /*log*/, const Zel::PString& category, bool includeCargohub)
{
    // A value too long for the wire would arrive empty, which matches every
    // asset; no category that long exists, so nothing can match.
    if (category.Length() + 1 >= TStream::StringLimit)
        return -1;
    KADFilterElementGroup filter;
    filter.AddElement(new KADFilterElementString(FilterStringCategoryList, Zel::PStringCache::ToUpper(category)));
    if (!includeCargohub)
        filter.AddElement(new KADFilterElementBool(FilterBoolLocal));
    ChunkedList<KUID, 128> assets;
    KADClient::SearchAssets(&filter, assets);
    if (assets.IsEmpty())
        return -1;
    std::printf("+ %lld : assets matching the specified criteria\n", static_cast<long long>(assets.TotalCount()));
    int index = 0;
    for (const KUID& id : assets)
        std::printf("+ #%d : %s\n", index++, id.ToTagString().c_str());
    return 0;
}
