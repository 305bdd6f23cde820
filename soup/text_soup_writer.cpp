// Writing a soup in its text form.
#include <cstring>
#include <string>

#include "foundation/streams/t_stream.h"
#include "soup/acs_converter.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"

namespace {

constexpr size_t kNameLimit = 1024;
constexpr int kValueColumn = 40;

void Indent(std::string& out, int depth)
{
    out.append(size_t(depth) * 2, ' ');
}

// The name in normal form: its first 1024 bytes, A-Z lowered, every byte of
// 0x20 or below or 0x80 or above replaced by '_'.
size_t AppendName(std::string& out, const Zel::PString& name)
{
    const size_t length = std::min(name.Length(), kNameLimit);
    const char* text = name.c_str();
    for (size_t i = 0; i < length; ++i) {
        const uint8_t c = uint8_t(text[i]);
        if (c <= 0x20 || c >= 0x80)
            out += '_';
        else if (c >= 'A' && c <= 'Z')
            out += char(c - 'A' + 'a');
        else
            out += char(c);
    }
    return length;
}

void AppendValue(std::string& out, const ACSChunk& chunk)
{
    const int32_t type = chunk.GetType();
    // The value's text, as ConvertDataBlock gives it, written straight into
    // the output: a text tag's own bytes, the others formatted.
    const size_t start = out.size();
    if (type == SoupTypeText) {
        const char* bytes = reinterpret_cast<const char*>(chunk.GetData());
        const size_t size = size_t(chunk.GetDataSize());
        const void* zero = bytes ? std::memchr(bytes, 0, size) : nullptr;
        if (bytes != nullptr)
            out.append(bytes, zero ? size_t(static_cast<const char*>(zero) - bytes) : size);
    } else if (!AppendValueText(type, chunk.GetData(), chunk.GetDataSize(), out)) {
        return;
    }
    if (out.size() == start)
        return;
    bool quoted = type != SoupTypeFloat && type != SoupTypeInt && type != SoupTypeKUID;
    for (size_t i = start; i < out.size(); ++i) {
        const char c = out[i];
        // A double quote inside would end the value when read back.
        if (c == '"')
            out[i] = '\'';
        quoted = quoted || c == ' ' || c == '\t' || c == '\r' || c == '\n';
    }
    if (quoted) {
        out.insert(out.begin() + std::ptrdiff_t(start), '"');
        out += '"';
    }
}

void AppendTags(std::string& out, const ACSChunk& container, int depth);

void AppendTag(std::string& out, const ACSChunk& chunk, const Zel::PString& name, int depth)
{
    Indent(out, depth);
    const size_t nameLength = AppendName(out, name);
    if (chunk.GetType() == SoupTypeContainer) {
        out += "\r\n";
        Indent(out, depth);
        out += "{\r\n";
        AppendTags(out, chunk, depth + 1);
        Indent(out, depth);
        out += "}";
        return;
    }
    const int blanks = kValueColumn - 2 * depth - int(nameLength);
    out.append(size_t(std::max(blanks, 1)), ' ');
    AppendValue(out, chunk);
}

void AppendTags(std::string& out, const ACSChunk& container, int depth)
{
    const int32_t count = container.CountTags();
    for (int32_t i = 0; i < count; ++i) {
        Zel::PString name;
        ChunkRef chunk;
        if (!container.GetIndexedTag(i, name, chunk))
            continue;
        if (chunk->GetType() == SoupTypeContainer && i > 0) {
            Indent(out, depth);
            out += "\r\n";
        }
        AppendTag(out, *chunk, name, depth);
        out += "\r\n";
    }
}

}  // namespace

void AppendTextSoup(const SoupHandle& soup, std::string& out)
{
    if (!soup.Root())
        return;
    out += "\xEF\xBB\xBF\r\n";
    AppendTags(out, *soup.Root(), 0);
}

void WriteTextSoup(const SoupHandle& soup, TStream& stream)
{
    std::string text;
    AppendTextSoup(soup, text);
    if (!text.empty())
        stream.Write(text.data(), int64_t(text.size()));
}
