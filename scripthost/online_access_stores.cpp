// The offline message boxes of OnlineAccess: read from and written back to the cache folder, an unreadable file kept aside.
#include "scripthost/online_access_stores.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "foundation/base/install_paths.h"
#include "foundation/base/logging.h"
#include "foundation/streams/t_buffer.h"
#include "platform/file_io.h"
#include "script/common/whole_file_write.h"
#include "soup/binary_soup.h"
#include "soup/text_soup.h"

namespace {

constexpr const char* InboxName = "offline-inbox.tbox";
constexpr const char* OutboxName = "offline-outbox.tbox";
// Boxes hold a script's letters; a file far larger than that is not read
// into memory (and so is kept aside before the box is written).
constexpr std::int64_t LargestBox = 64 * 1024 * 1024;

std::string BoxPath(const char* name)
{
    Zel::File::Path path = GetCacheFolder();
    path.AddPath(name);
    return path.Str();
}

bool IsBlank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The box the bytes hold; true when nothing of them was left unread. The
// text reader never fails, so a text counts as read whole only when it
// stopped at its end with every brace and quote closed.
bool ReadBox(const std::string& bytes, SoupHandle& box)
{
    if (bytes.compare(0, 4, "ACS$") == 0) {
        TBuffer buffer;
        buffer.WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        buffer.Rewind();
        if (!ReadBinarySoup(box, buffer))
            return false;
        // A damaged body or an unknown version loads as an empty soup.
        const bool emptyBody = bytes.size() >= 16 && bytes.compare(12, 4, std::string(4, '\0')) == 0;
        return box.CountTags() > 0 || emptyBody;
    }
    TextSoupFaults faults;
    const std::size_t used = ReadTextSoup(box, bytes.data(), bytes.size(), false, faults);
    return faults.unclosedBrace == std::string::npos && faults.unclosedQuote == std::string::npos &&
           IsBlank(std::string_view(bytes).substr(used));
}

SoupHandle LoadBox(const char* name, bool& fileUnread)
{
    SoupHandle box;
    const std::string path = BoxPath(name);
    std::string bytes;
    switch (ReadStoredFile(path, LargestBox, bytes)) {
    case StoredFile::Missing:
        fileUnread = false;
        return box;
    case StoredFile::Unreadable:
        fileUnread = true;
        break;
    case StoredFile::Read:
        fileUnread = !ReadBox(bytes, box);
        break;
    }
    if (fileUnread)
        LogMessage("LoadOfflineBoxes> %s holds what is not read: it is kept aside before the box is written", name);
    return box;
}

bool SaveBox(const char* name, const SoupHandle& box, bool& fileUnread)
{
    const std::string path = BoxPath(name);
    if (fileUnread) {
        std::string aside;
        if (!KeepFileAside(path, &aside)) {
            LogMessage("SaveOfflineBoxes> %s could not be kept aside: not replaced", path.c_str());
            return false;
        }
        if (!aside.empty())
            LogMessage("SaveOfflineBoxes> the unread box %s is kept in %s", path.c_str(), aside.c_str());
        fileUnread = false;
    }
    TBuffer bytes;
    WriteBinarySoup(bytes, box);
    if (!Utils::WriteWholeFile(nullptr, path.c_str(), bytes.Data(), static_cast<std::size_t>(bytes.DataLength()),
                               nullptr, 0)) {
        LogMessage("SaveOfflineBoxes> %s could not be written", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

OnlineAccessStores& GetOnlineAccessStores()
{
    static OnlineAccessStores stores;
    return stores;
}

void LoadOfflineBoxes()
{
    OnlineAccessStores& stores = GetOnlineAccessStores();
    stores.offlineInbox = LoadBox(InboxName, stores.inboxFileUnread);
    stores.offlineOutbox = LoadBox(OutboxName, stores.outboxFileUnread);
}

bool SaveOfflineInbox()
{
    OnlineAccessStores& stores = GetOnlineAccessStores();
    return SaveBox(InboxName, stores.offlineInbox, stores.inboxFileUnread);
}

bool SaveOfflineOutbox()
{
    OnlineAccessStores& stores = GetOnlineAccessStores();
    return SaveBox(OutboxName, stores.offlineOutbox, stores.outboxFileUnread);
}

StoredFile ReadStoredFile(const std::string& path, std::int64_t largest, std::string& bytes)
{
    bytes.clear();
    const int descriptor = Platform::OpenFile(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return errno == ENOENT ? StoredFile::Missing : StoredFile::Unreadable;
    struct stat info;
    bool ok = fstat(descriptor, &info) == 0 && info.st_size <= largest;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        ok = Platform::ReadFull(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    close(descriptor);
    return ok ? StoredFile::Read : StoredFile::Unreadable;
}

bool KeepFileAside(const std::string& path, std::string* aside)
{
    aside->clear();
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return errno == ENOENT;
    for (int number = 0; number < 100; ++number) {
        std::string name = path + ".unread";
        if (number > 0)
            name += "." + std::to_string(number);
        if (lstat(name.c_str(), &info) == 0)
            continue;
        if (std::rename(path.c_str(), name.c_str()) != 0)
            return false;
        *aside = name;
        return true;
    }
    return false;
}
