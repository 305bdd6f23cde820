// AuthorNameCache: fixed names, the daemon's answers to GetAuthorName, and the three lookup maps.
#include "assetdb/author_names.h"

#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_request_buffers.h"

namespace {

// Ids whose assets the maker published; their names never come from the daemon.
constexpr int32_t MakerUserIds[] = {30501, 401543, 44179, 311512, 407571, 523, 414773, 447264, 467400};

bool RequestAuthorName(int32_t userId, int32_t& daemonId, Zel::PString& name)
{
    KADRequestBuffers buffers;
    buffers.request.WriteInt32(userId);
    if (!buffers.Send(KADRequestCode::GetAuthorName))
        return false;
    daemonId = buffers.reply.ReadInt32(-1);
    name = buffers.reply.ReadPString();
    return true;
}

}  // namespace

AuthorNameCache::AuthorNameCache(Lookup lookup) : lookup_(std::move(lookup)) {}

AuthorNameCache& AuthorNameCache::Instance()
{
    static AuthorNameCache cache(RequestAuthorName);
    return cache;
}

bool AuthorNameCache::FixedName(int32_t userId, Zel::PString& name)
{
    if (userId == 0) {
        name = Zel::PString("-");
        return true;
    }
    if (userId == -2) {
        name = Zel::PString("unknown");
        return true;
    }
    bool maker = userId < 0;
    for (int32_t id : MakerUserIds)
        maker = maker || id == userId;
    if (maker)
        name = Zel::PString(MakerName());
    return maker;
}

bool AuthorNameCache::GetName(int32_t userId, int32_t& daemonId, Zel::PString& name)
{
    daemonId = -1;
    name.Release();
    if (FixedName(userId, name))
        return true;
    auto known = byUserId_.find(userId);
    if (known != byUserId_.end()) {
        daemonId = known->second->daemonId;
        name = known->second->name;
        return true;
    }
    int32_t askedId = -1;
    Zel::PString askedName;
    if (!lookup_ || !lookup_(userId, askedId, askedName)) {
        askedId = -1;
        askedName.Release();
    }
    Add(askedId, askedName, userId);
    daemonId = askedId;
    name = askedName.ToLower();
    return true;
}

bool AuthorNameCache::Add(int32_t daemonId, const Zel::PString& name, int32_t userId)
{
    if (daemonId == -1 && name.IsEmpty())
        return false;
    Zel::PString lowerName = name.ToLower();
    byUserId_.erase(userId);
    if (daemonId != -1)
        byDaemonId_.erase(daemonId);
    if (!lowerName.IsEmpty())
        byName_.erase(lowerName);
    entries_.push_back(std::make_unique<Entry>(Entry{lowerName, daemonId, userId}));
    const Entry* entry = entries_.back().get();
    byUserId_[userId] = entry;
    if (daemonId != -1)
        byDaemonId_[daemonId] = entry;
    if (!lowerName.IsEmpty())
        byName_[lowerName] = entry;
    return true;
}

void AuthorNameCache::Clear()
{
    byUserId_.clear();
    byDaemonId_.clear();
    byName_.clear();
}

bool LookupAuthorName(int32_t userId, Zel::PString& name)
{
    int32_t daemonId = -1;
    AuthorNameCache::Instance().GetName(userId, daemonId, name);
    return !name.IsEmpty();
}

Zel::PString GetAssetAuthorName(const KUID& id)
{
    KADAssetInfo info;
    KADClient::GetAssetInfo(id, -1, info);
    Zel::PString name;
    LookupAuthorName(info.authorId, name);
    return name;
}
