// GetOnlineLocalData and SetOnlineLocalData: the soups an asset's online-access script keeps by name.
#include <string>

#include "daemon/asset_store.h"
#include "daemon/online_local_store.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"
#include "results/results_log.h"
#include "soup/binary_soup.h"
#include "soup/binary_soup_entries.h"

namespace {

// The asset and the name of one value; names are kept lower-cased, so any
// letter case names the same value.
struct LocalDataKey {
    KUID asset;
    Zel::PString name;
};

void SendError(KADRequestContext& context, const std::string& text)
{
    ResultsLog lines;
    lines.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
    context.SendResultLines(lines);
}

// Empty text when the key is sound, else why not.
std::string ReadKey(KADRequestContext& context, LocalDataKey& key)
{
    key.asset = context.request.ReadKUID();
    key.name = context.request.ReadPString().ToLower();
    if (context.request.HasError())
        return "The online local data request is cut short or its name is too long.";
    if (key.asset.IsNull())
        return "The online local data request names no asset.";
    if (key.name.IsEmpty())
        return "The online local data request has an empty name.";
    if (context.store == nullptr)
        return "The asset database index cannot be opened.";
    return std::string();
}

// The request's soup, refusing bytes that only read as an empty soup
// because they are damaged: such a request must not remove a stored value.
bool ReadRequestSoup(TBuffer& request, SoupHandle& soup)
{
    const std::int64_t start = request.Tell();
    request.Seek(start + kBinarySoupHeaderSize - 4, SEEK_SET);
    const std::uint32_t bodyLength = request.ReadUInt32(0);
    request.Seek(start, SEEK_SET);
    SoupHandle loaded;
    if (!ReadBinarySoup(loaded, request) || (bodyLength != 0 && loaded.CountTags() == 0))
        return false;
    soup.Copy(loaded);
    return true;
}

}  // namespace

// Payload: KUID; PStr name. Reply: the stored soup in binary form, "no soup"
// when nothing is stored under the name; an error line for a bad request.
void KADHandleGetOnlineLocalData(KADRequestContext& context)
{
    LocalDataKey key;
    SoupHandle soup;
    std::string error = ReadKey(context, key);
    if (error.empty() && !KADOnlineLocalStore(*context.store).Load(key.asset, key.name.View(), soup))
        error = "The online local data of " + std::string(key.asset.ToTagString().View()) + " cannot be read.";
    if (!error.empty())
        SendError(context, error);
    WriteBinarySoup(context.reply, soup);
}

// Payload: KUID; PStr name; binary soup. A soup without tags removes the
// value. Reply: empty; a refused or failed request sends an error line and
// leaves the stored value as it was.
void KADHandleSetOnlineLocalData(KADRequestContext& context)
{
    LocalDataKey key;
    std::string error = ReadKey(context, key);
    SoupHandle soup;
    if (error.empty() && !ReadRequestSoup(context.request, soup))
        error = "The online local data request holds no readable soup.";
    if (error.empty() && KADAssetStore::Get(context).HighestVersion(key.asset.user, key.asset.content, false) < 0)
        error = "The online local data request names " + std::string(key.asset.ToTagString().View()) +
                ", which is not in the asset database.";
    if (error.empty() && !KADOnlineLocalStore(*context.store).Save(key.asset, key.name.View(), soup))
        error = "The online local data of " + std::string(key.asset.ToTagString().View()) + " cannot be written.";
    if (!error.empty())
        SendError(context, error);
}
