// authors: lists the authors of the locally installed assets, each name once, in order.
#include <cstdio>
#include <set>

#include "app/commands.h"
#include "assetdb/author_names.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_filter_element.h"

int CommandAuthors(ResultsLog& /*log*/)
{
    KADFilterElementGroup filter;
    filter.AddElement(new KADFilterElementBool(FilterBoolLocal));
    filter.AddElement(new KADFilterElementBool(FilterBoolLocallyAvailable));
    filter.AddElement(new KADFilterElementBool(FilterBoolLocallyEnabled));
    ChunkedList<KUID, 128> assets;
    KADClient::SearchAssets(&filter, assets);

    std::set<Zel::PString> names;
    for (const KUID& id : assets) {
        Zel::PString name = GetAssetAuthorName(id);
        if (!name.IsEmpty())
            names.insert(name);
    }
    for (const Zel::PString& name : names)
        std::printf("%s\n", name.c_str());
    return 0;
}
