// Padded strings of the mesh files.
#include "zel/mesh_file_support.h"

#include <algorithm>
#include <cstring>

#include "zel/file.h"
#include "zel/memory_file.h"

namespace Zel::MeshFileSupport {

namespace {

size_t PaddedLength(size_t textLength)
{
    return (textLength + 1 + 3) & ~size_t{3};
}

}  // namespace

bool WritePaddedString(File& file, const char* text)
{
    std::string bytes;
    AppendPaddedString(bytes, text ? text : "");
    return file.Write(bytes.data(), static_cast<int64_t>(bytes.size())) == static_cast<int64_t>(bytes.size());
}

void AppendPaddedString(std::string& out, const std::string& text)
{
    out += text;
    out.append(PaddedLength(text.size()) - text.size(), '\0');
}

bool ReadPaddedString(MemoryFile& file, int64_t limit, std::string& text)
{
    size_t start = file.Position();
    size_t end = file.Size();
    if (limit >= 0 && static_cast<uint64_t>(limit) < end)
        end = static_cast<size_t>(limit);
    if (start >= end)
        return false;
    const uint8_t* data = file.Data();
    const void* nul = memchr(data + start, 0, end - start);
    if (!nul)
        return false;
    size_t length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - (data + start));
    size_t padded = PaddedLength(length);
    // A string whose padding runs past the limit is cut: take the text and
    // stop at the limit so the caller's end check decides.
    text.assign(reinterpret_cast<const char*>(data + start), length);
    file.SetPosition(static_cast<int64_t>(start + std::min(padded, end - start)));
    return true;
}

}  // namespace Zel::MeshFileSupport
