// One listing of an asset's script folder per check, and the reading of the sources it found.
#include "scripthost/asset_script_cache_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "foundation/base/crc32.h"
#include "platform/file_io.h"
#include "script/common/source_file.h"
#include "zel/ascii.h"
#include "zel/path.h"

namespace {

bool IsRegularFile(DIR* dir, const dirent* item)
{
    if (item->d_type == DT_REG)
        return true;
    if (item->d_type != DT_UNKNOWN && item->d_type != DT_LNK)
        return false;
    // File systems that do not fill in the kind, and links, are asked once.
    struct stat info;
    return fstatat(dirfd(dir), item->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool ListFolderFiles(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    while (const dirent* item = readdir(dir)) {
        if (IsRegularFile(dir, item))
            names.emplace_back(item->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int folded = Zel::AsciiCompare(a, b, true);
        return folded != 0 ? folded < 0 : a < b;
    });
    return true;
}

bool ScriptTextChecksum(const std::string& path, uint32_t& checksum)
{
    if (!Zel::File::Path(path.c_str()).IsExt("gs")) {
        GSSourceFile source;
        if (!source.Load(nullptr, path.c_str()) || !source.Unprotect())
            return false;
        checksum = Crc32(source.Text(), source.TextLength());
        return true;
    }
    const int descriptor = Platform::OpenFile(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat info;
    bool read = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
                info.st_size <= static_cast<off_t>(GSSourceFile::kMaxTextLength);
    std::unique_ptr<uint8_t[]> text;
    const size_t length = read ? static_cast<size_t>(info.st_size) : 0;
    if (read) {
        text.reset(new (std::nothrow) uint8_t[length + 1]);
        read = text != nullptr && Platform::ReadFull(descriptor, text.get(), length) == static_cast<ssize_t>(length);
    }
    close(descriptor);
    if (read)
        checksum = Crc32(text.get(), length);
    return read;
}
