// The name tests of extraction: content names, allowed file types, and relative paths that stay below their folder.
#include "soup/archive_extract.h"

#include <cstring>

namespace {

bool IsNameSymbol(char c)
{
    return c != '\0' && strchr(" $&'()+,-._~", c) != nullptr;
}

bool IsAsciiLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualsIgnoreCase(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b))
            return false;
    }
    return *a == *b;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool IsValidContentName(const char* name)
{
    if (name == nullptr || name[0] == '\0' || name[0] == ' ' || name[0] == '.' || name[0] == '~')
        return false;
    size_t length = 0;
    for (; name[length] != '\0'; ++length) {
        if (!IsAsciiLetterOrDigit(name[length]) && !IsNameSymbol(name[length]))
            return false;
    }
    return name[length - 1] != ' ';
}

bool IsAllowedContentFileType(const char* path)
{
    static const char* const kTypes[] = {"txt", "bmp", "tga",   "chump", "pm",      "im",  "kin", "wav", "jpg",
                                         "jpeg", "gnd", "ref",  "tso",   "obs",     "trk", "texture", "bmk",
                                         "dat", "gs",  "gse",   "html",  "htm",     "evt", "lm",  "mp3", "lst",
                                         "pfx", "tfx", "avi",   "wmv",   "lyr",     "trc", "srt"};
    if (path == nullptr)
        return false;
    const char* dot = nullptr;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '.')
            dot = c;
        else if (IsSeparator(*c))
            dot = nullptr;
    }
    if (dot == nullptr)
        return false;
    for (const char* type : kTypes) {
        if (EqualsIgnoreCase(dot + 1, type))
            return true;
    }
    return false;
}

bool IsSafeRelativePath(const char* path)
{
    if (path == nullptr)
        return true;
    bool empty = true;
    bool onlyDots = true;
    for (const char* c = path; *c != '\0'; ++c) {
        if (IsSeparator(*c)) {
            if (empty || onlyDots)
                return false;
            empty = true;
            onlyDots = true;
            continue;
        }
        empty = false;
        if (*c != '.')
            onlyDots = false;
    }
    return true;
}
