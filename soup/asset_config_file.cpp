// Reading an asset's config within the one depth and size limit every reader of configs applies.
#include "soup/asset_config_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/base/file_utilities.h"
#include "foundation/streams/t_file.h"
#include "soup/acs_chunk.h"
#include "soup/binary_soup.h"
#include "soup/text_soup.h"
#include "zel/ascii.h"

namespace {

const char* FileNameOf(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

size_t LineAt(const std::vector<char>& text, size_t offset)
{
    return size_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(offset), '\n')) + 1;
}

// The walk stops below the limit, so a hostile depth costs no more than the
// limit's worth of recursion.
void Measure(const ACSChunk& container, int depth, int& deepest, uint64_t& bytes)
{
    deepest = std::max(deepest, depth);
    const int32_t count = container.CountTags();
    for (int32_t index = 0; index < count && deepest <= kAssetConfigMaxDepth; ++index) {
        Zel::PString name;
        ChunkRef chunk;
        if (!container.GetIndexedTag(index, name, chunk) || !chunk)
            continue;
        bytes += name.Length() + 1;
        if (chunk->GetType() == SoupTypeContainer)
            Measure(*chunk, depth + 1, deepest, bytes);
        else
            bytes += uint64_t(std::max(chunk->GetDataSize(), int32_t(0)));
    }
}

std::string TooLarge(const char* what, uint64_t bytes)
{
    return std::string(what) + " is too large: " + std::to_string(bytes) + " bytes, and a config may hold at most " +
           std::to_string(kAssetConfigMaxBytes >> 20) + " MiB.";
}

// Reads the text; `fault` gets what the lenient reader passed over (told
// after the limits, which say more about a text nested too deep).
bool ReadTextConfig(SoupHandle& config, TFile& file, int64_t size, const char* name, std::string& error,
                    std::string& fault)
{
    // Room for one byte more than the size taken, so a file that grew
    // since is noticed; it may grow up to the limit.
    std::vector<char> text;
    size_t length = 0;
    size_t room = size_t(size) + 1;
    while (true) {
        text.resize(room);
        const int64_t got = file.Read(text.data() + length, int64_t(room - length));
        if (got < 0) {
            error = std::string(name) + " cannot be read.";
            return false;
        }
        length += size_t(got);
        if (length > kAssetConfigMaxBytes) {
            error = TooLarge(name, length);
            return false;
        }
        if (length < room)
            break;
        room = size_t(std::min<uint64_t>(uint64_t(room) * 2, kAssetConfigMaxBytes + 1));
    }
    text.resize(length);
    TextSoupFaults faults;
    const size_t consumed = ReadTextSoup(config, text.data(), text.size(), false, faults);
    if (faults.unclosedBrace != std::string::npos)
        fault = std::string(name) + " has a \"{\" on line " + std::to_string(LineAt(text, faults.unclosedBrace)) +
                " that is never closed.";
    else if (faults.unclosedQuote != std::string::npos)
        fault = std::string(name) + " has a double quote on line " +
                std::to_string(LineAt(text, faults.unclosedQuote)) + " that is never closed.";
    // The reader stops at a "}" of the top level: whatever follows would be
    // dropped without a word.
    else if (consumed < text.size())
        fault = std::string(name) + " has a \"}\" on line " + std::to_string(LineAt(text, consumed)) +
                " that closes nothing.";
    return true;
}

bool ReadBinaryConfig(SoupHandle& config, TFile& file, int64_t size, const char* name, std::string& error)
{
    // The reader gives an empty soup for a body that fails its checks
    // (damage, or nesting deeper than any soup may have).
    if (!ReadBinarySoup(config, file) || (config.CountTags() == 0 && size > 16)) {
        error = std::string(name) + " cannot be read: it is damaged or nested too deep.";
        return false;
    }
    return true;
}

}  // namespace

bool LoadAssetConfigFile(SoupHandle& config, const char* path, const char* format, std::string& error)
{
    config.Clear();
    error.clear();
    const char* name = FileNameOf(path);
    const char* extension = format;
    if (extension == nullptr) {
        extension = nullptr;
        NextFileExtension(extension, path);
    }
    const bool text = Zel::AsciiEqualIgnoreCase(extension, "txt");
    if (!text && !Zel::AsciiEqualIgnoreCase(extension, "chump")) {
        error = std::string(name) + " is not a config file.";
        return false;
    }
    TFile file;
    if (!file.Open(path, Zel::File::ModeReadPath)) {
        error = std::string(name) + " cannot be opened.";
        return false;
    }
    const int64_t size = file.Size();
    std::string fault;
    bool read = false;
    if (size < 0)
        error = std::string(name) + " cannot be read.";
    else if (uint64_t(size) > kAssetConfigMaxBytes)
        error = TooLarge(name, uint64_t(size));
    else
        read = text ? ReadTextConfig(config, file, size, name, error, fault)
                    : ReadBinaryConfig(config, file, size, name, error);
    if (read && CheckAssetConfigLimits(config, name, error) && fault.empty())
        return true;
    if (error.empty())
        error = fault;
    config.Clear();
    return false;
}

bool CheckAssetConfigLimits(const SoupHandle& config, const char* what, std::string& error)
{
    const ChunkRef& root = config.Root();
    if (!root)
        return true;
    int deepest = 0;
    uint64_t bytes = 0;
    Measure(*root, 0, deepest, bytes);
    if (deepest > kAssetConfigMaxDepth) {
        error =
            std::string(what) + " nests containers deeper than " + std::to_string(kAssetConfigMaxDepth) + " levels.";
        return false;
    }
    if (bytes > kAssetConfigMaxBytes) {
        error = TooLarge(what, bytes);
        return false;
    }
    return true;
}
