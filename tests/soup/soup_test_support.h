// Helpers shared by the soup tests: soups to and from bytes through a TBuffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "soup/text_soup.h"

namespace SoupTest {

// The names of the soup's tags, in index order.
inline std::vector<std::string> TagNames(const SoupHandle& soup)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < soup.CountTags(); ++i)
        names.push_back(soup.GetIndexedTagName(i).c_str());
    return names;
}

inline std::string BytesOf(TBuffer& buffer)
{
    return std::string(reinterpret_cast<const char*>(buffer.Data()), size_t(buffer.DataLength()));
}

inline std::string WriteText(const SoupHandle& soup)
{
    TBuffer buffer;
    WriteTextSoup(soup, buffer);
    return BytesOf(buffer);
}

inline SoupHandle ReadText(const std::string& text, bool utf8 = false)
{
    TBuffer buffer;
    buffer.Write(text.data(), int64_t(text.size()));
    buffer.Rewind();
    SoupHandle soup;
    ReadTextSoup(soup, buffer, utf8);
    return soup;
}

inline std::string WriteBinary(const SoupHandle& soup)
{
    TBuffer buffer;
    WriteBinarySoup(buffer, soup);
    return BytesOf(buffer);
}

inline bool ReadBinary(const std::string& bytes, SoupHandle& soup)
{
    TBuffer buffer;
    buffer.Write(bytes.data(), int64_t(bytes.size()));
    buffer.Rewind();
    return ReadBinarySoup(soup, buffer);
}

// Little-endian byte builders for hand-written fixtures.
inline std::string U32(uint32_t value)
{
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = char(value >> (8 * i));
    return out;
}

// One binary entry: size, name length with its zero, name, zero, file type, payload.
inline std::string Entry(const std::string& name, uint8_t fileType, const std::string& payload)
{
    std::string body;
    body += char(name.empty() ? 0 : name.size() + 1);
    if (!name.empty()) {
        body += name;
        body += '\0';
    }
    body += char(fileType);
    body += payload;
    return U32(uint32_t(body.size())) + body;
}

inline std::string Header(uint32_t version, uint32_t bodyLength)
{
    return "ACS$" + U32(version) + U32(0) + U32(bodyLength);
}

inline std::string File(const std::string& body, uint32_t version = 1)
{
    return Header(version, uint32_t(body.size())) + body;
}

}  // namespace SoupTest
