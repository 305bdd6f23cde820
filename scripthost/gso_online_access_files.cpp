// What OnlineAccess keeps outside the script: the stored-message cache file and the per-asset local data in the daemon.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_requests.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/logging.h"
#include "foundation/streams/t_buffer.h"
#include "platform/file_io.h"
#include "script/common/whole_file_write.h"
#include "scripthost/gso_online_access.h"
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

bool ReadCacheFile(const std::string& path, TBuffer& bytes)
{
    const int descriptor = Platform::OpenFile(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat info;
    bool ok = fstat(descriptor, &info) == 0 && info.st_size <= LargestCache;
    if (ok) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(info.st_size));
        ok = Platform::ReadFull(descriptor, data.data(), data.size()) == static_cast<ssize_t>(data.size());
        bytes.WriteBytes(data.data(), static_cast<std::int64_t>(data.size()));
        bytes.Rewind();
    }
    close(descriptor);
    return ok;
}

// "<path>.unread", or with a number when an earlier one is kept there
// already; empty when a hundred are.
std::string FreeAsideName(const std::string& path)
{
    for (int number = 0; number < 100; ++number) {
        std::string aside = path + ".unread";
        if (number > 0)
            aside += "." + std::to_string(number);
        struct stat info;
        if (lstat(aside.c_str(), &info) != 0)
            return aside;
    }
    return std::string();
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
        const std::string aside = FreeAsideName(path);
        if (aside.empty() || std::rename(path.c_str(), aside.c_str()) != 0) {
            LogMessage("SaveOnlineMessageCache> %s could not be kept aside: not replaced", path.c_str());
            return;
        }
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
    TBuffer bytes;
    const std::string path = CachePath();
    if (!ReadCacheFile(path, bytes)) {
        struct stat info;
        cacheHasUnreadPart = stat(path.c_str(), &info) == 0;
        return;
    }
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
