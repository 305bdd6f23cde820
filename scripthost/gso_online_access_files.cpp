// What OnlineAccess keeps outside the script: the stored-message cache file and the per-asset local data in the daemon.
#include <string>

#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_requests.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/logging.h"
#include "foundation/streams/t_buffer.h"
#include "script/common/whole_file_write.h"
#include "scripthost/gso_online_access.h"
#include "scripthost/online_access_stores.h"
#include "soup/binary_soup.h"

namespace {

constexpr const char* CacheName = "oa_messages.dat";
// The cache holds what the service refused to deliver at once; a file far
// larger than that is not ours and is not read into memory.
constexpr std::int64_t LargestCache = 64 * 1024 * 1024;

// Set when the last load left part of the file unread, so the next save
// keeps that file aside instead of writing over it.
bool cacheHasUnreadPart = false;

std::string CachePath()
{
    Zel::File::Path path = GetCacheFolder();
    path.AddPath(CacheName);
    return path.Str();
}

bool RequestLocalData(std::int32_t code, const KUID& id, const Zel::PString& name, const SoupHandle* soup,
                      TBuffer& reply)
{
    TBuffer request;
    request.WriteKUID(id);
    request.WritePString(name);
    if (soup != nullptr)
        WriteBinarySoup(request, *soup);
    request.Rewind();
    return KADClient::Request(code, request, reply);
}

}  // namespace

bool ReadStoredMessages(OnlineAccessClientEndpoint& endpoint, TStream& bytes)
{
    const std::int64_t start = bytes.Tell();
    const std::int32_t format = bytes.ReadInt32(0);
    const std::int32_t count = bytes.ReadInt32(0);
    const bool header = !bytes.HasError();
    bytes.Seek(start, TStream::FromStart);
    bytes.ClearError();
    const std::size_t before = endpoint.StoredMessageCount();
    endpoint.LoadStoredMessages(bytes);
    const std::size_t read = endpoint.StoredMessageCount() - before;
    return header && format == 1 && count >= 0 && read == static_cast<std::size_t>(count);
}

void SaveOnlineMessageCache()
{
    const std::string path = CachePath();
    if (cacheHasUnreadPart) {
        std::string aside;
        if (!KeepFileAside(path, &aside)) {
            LogMessage("SaveOnlineMessageCache> %s could not be kept aside: not replaced", path.c_str());
            return;
        }
        if (!aside.empty())
            LogMessage("SaveOnlineMessageCache> the unread part of %s is kept in %s", path.c_str(), aside.c_str());
        cacheHasUnreadPart = false;
    }
    TBuffer bytes;
    GSOOnlineAccess::Endpoint().SaveStoredMessages(bytes);
    if (!Utils::WriteWholeFile(nullptr, path.c_str(), bytes.Data(), static_cast<std::size_t>(bytes.DataLength()),
                               nullptr, 0)) {
        LogMessage("SaveOnlineMessageCache> %s could not be written", path.c_str());
    }
}

void LoadOnlineMessageCache()
{
    const std::string path = CachePath();
    std::string stored;
    const StoredFile read = ReadStoredFile(path, LargestCache, stored);
    if (read != StoredFile::Read) {
        cacheHasUnreadPart = read == StoredFile::Unreadable;
        return;
    }
    TBuffer bytes;
    bytes.WriteBytes(stored.data(), static_cast<std::int64_t>(stored.size()));
    bytes.Rewind();
    cacheHasUnreadPart = !ReadStoredMessages(GSOOnlineAccess::Endpoint(), bytes);
    if (cacheHasUnreadPart)
        LogMessage("LoadOnlineMessageCache> %s holds messages of a form or state that is not read", path.c_str());
}

void StoreOnlineLocalData(const KUID& id, const Zel::PString& name, const SoupHandle& soup)
{
    const Zel::PString key = name.ToLower();
    if (key.IsEmpty())
        return;
    TBuffer reply;
    RequestLocalData(KADRequestNumber(KADRequestCode::SetOnlineLocalData), id, key, &soup, reply);
}

SoupHandle FetchOnlineLocalData(const KUID& id, const Zel::PString& name)
{
    SoupHandle soup;
    const Zel::PString key = name.ToLower();
    if (key.IsEmpty())
        return soup;
    TBuffer reply;
    if (!RequestLocalData(KADRequestNumber(KADRequestCode::GetOnlineLocalData), id, key, nullptr, reply))
        return soup;
    reply.Rewind();
    SoupHandle loaded;
    if (ReadBinarySoup(loaded, reply))
        soup.Copy(loaded);
    return soup;
}
