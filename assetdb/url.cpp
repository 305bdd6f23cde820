// URL: parsing an address text into the record's fields and formatting it back.
#include "assetdb/url.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

// Copies at most the field's room less one byte, and terminates.
template <size_t N>
void CopyField(char (&field)[N], const char* begin, size_t length)
{
    if (length > N - 1)
        length = N - 1;
    std::memcpy(field, begin, length);
    field[length] = '\0';
}

// The first of the characters, or the end of the text.
const char* FindAny(const char* text, const char* characters)
{
    return text + std::strcspn(text, characters);
}

}  // namespace

void URL::Clear()
{
    scheme[0] = '\0';
    user[0] = '\0';
    password[0] = '\0';
    host[0] = '\0';
    port = 0;
    path[0] = '\0';
    query[0] = '\0';
}

void URL::Parse(const char* text)
{
    Clear();
    if (text == nullptr)
        return;
    const char* cursor = text;
    const char* found = FindAny(cursor, ":@/");
    if (found[0] == ':' && found[1] == '/' && found[2] == '/') {
        CopyField(scheme, cursor, size_t(found - cursor));
        cursor = found + 3;
        found = FindAny(cursor, ":@/");
    }
    // User information only when an "@" comes before the next "/".
    if (found[0] == ':' || found[0] == '@') {
        const char* at = std::strchr(found, '@');
        const char* slash = std::strchr(found, '/');
        if (at != nullptr && (slash == nullptr || at < slash)) {
            CopyField(user, cursor, size_t(found - cursor));
            if (found[0] == ':')
                CopyField(password, found + 1, size_t(at - found - 1));
            cursor = at + 1;
        }
    }
    const char* hostEnd = FindAny(cursor, ":/");
    CopyField(host, cursor, size_t(hostEnd - cursor));
    cursor = hostEnd;
    if (cursor[0] == ':') {
        ++cursor;
        // Saturates instead of overflowing on an absurd digit run.
        int64_t value = 0;
        while (*cursor >= '0' && *cursor <= '9') {
            if (value <= INT_MAX)
                value = value * 10 + (*cursor - '0');
            ++cursor;
        }
        port = value > INT_MAX ? INT_MAX : int32_t(value);
    }
    const char* question = std::strchr(cursor, '?');
    if (question == nullptr) {
        CopyField(path, cursor, std::strlen(cursor));
        return;
    }
    CopyField(path, cursor, size_t(question - cursor));
    CopyField(query, question, std::strlen(question));
}

std::string URL::Format() const
{
    // Room for every field at its longest with the separators.
    char text[1200];
    int length = std::snprintf(text, sizeof text, "%s://", scheme[0] != '\0' ? scheme : "http");
    if (user[0] != '\0') {
        if (password[0] != '\0')
            length += std::snprintf(text + length, sizeof text - size_t(length), "%s:%s@", user, password);
        else
            length += std::snprintf(text + length, sizeof text - size_t(length), "%s@", user);
    }
    if (port != 0)
        length += std::snprintf(text + length, sizeof text - size_t(length), "%s:%d%s", host, int(port), path);
    else
        length += std::snprintf(text + length, sizeof text - size_t(length), "%s%s", host, path);
    if (query[0] != '\0')
        std::snprintf(text + length, sizeof text - size_t(length), "%s", query);
    return std::string(text);
}
