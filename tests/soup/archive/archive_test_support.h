// Helpers of the archive tests: temporary folders, entry soups with files, and reading files back.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "soup/acs_raw_data.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "support/temp_folder.h"

namespace ArchiveTest {

// A fresh folder under the system's temporary folder, removed with its
// content when the test ends.
class TemporaryFolder : public KorvelTest::TempFolder {
public:
    TemporaryFolder() : TempFolder("archive-test", KorvelTest::SystemTempParent()) {}
};

inline RawDataRef Block(const std::string& bytes)
{
    return ACSRawDataCore::Copy(bytes.data(), int32_t(bytes.size()));
}

inline void SetFile(SoupHandle& folder, const char* name, const std::string& bytes)
{
    folder.SetNamedTagBlock(Zel::PString(name), SoupTypeRaw, Block(bytes));
}

inline SoupHandle Entry(const KUID& id, const char* kind = "scenery")
{
    SoupHandle entry;
    entry.SetNamedTagKUID(Zel::PString("kuid"), id);
    entry.SetNamedTag(Zel::PString("kind"), kind);
    return entry;
}

inline std::vector<std::string> TagNames(const SoupHandle& soup)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < soup.CountTags(); ++i)
        names.emplace_back(soup.GetIndexedTagName(i).c_str());
    return names;
}

inline std::vector<KUID> TableIds(const SoupHandle& table)
{
    std::vector<KUID> ids;
    for (int32_t i = 0; i < table.CountTags(); ++i)
        ids.push_back(table.GetNamedTagAsKUID(table.GetIndexedTagName(i), NullKUID));
    return ids;
}

inline bool ReadFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

inline bool Exists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Every entry below the folder, as relative paths.
inline std::vector<std::string> ListTree(const std::string& folder)
{
    std::vector<std::string> out;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        out.push_back(std::filesystem::relative(it->path(), folder).string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace ArchiveTest
