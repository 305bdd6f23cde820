// The name tests of extraction: content names, allowed file types, and relative paths that stay below their folder.
#include "soup/archive_extract.h"

#include <cstring>
#include <string>

#include "zel/ascii.h"

namespace {

bool IsNameSymbol(char c)
{
    return c != '\0' && strchr(" $&'()+,-._~", c) != nullptr;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// The rule of IsValidContentName, saying which part failed; null when the
// name passes.
const char* ContentNameFault(const char* name)
{
    if (name == nullptr || name[0] == '\0')
        return "the name is empty";
    if (name[0] == ' ' || name[0] == '.' || name[0] == '~')
        return "the name begins with a blank, '.' or '~'";
    size_t length = 0;
    for (; name[length] != '\0'; ++length) {
        if (!Zel::AsciiIsLetterOrDigit(name[length]) && !IsNameSymbol(name[length]))
            return "the name holds a character other than ASCII letters, digits and \" $&'()+,-._~\"";
    }
    if (name[length - 1] == ' ')
        return "the name ends with a blank";
    return nullptr;
}

}  // namespace

bool IsValidContentName(const char* name)
{
    return ContentNameFault(name) == nullptr;
}

std::string ContentFolderSkipReason(const char* name)
{
    const char* fault = ContentNameFault(name);
    return fault != nullptr ? fault : std::string();
}

std::string ContentFileSkipReason(const char* name)
{
    std::string reason = ContentFolderSkipReason(name);
    if (!reason.empty() || IsAllowedContentFileType(name))
        return reason;
    const char* dot = strrchr(name, '.');
    if (dot == nullptr || dot[1] == '\0')
        return "files without an extension are not installed";
    return std::string("files of type \"") + dot + "\" are not installed";
}

std::string PrintableContentPath(const std::string& path)
{
    std::string out;
    for (char c : path) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
            continue;
        }
        static const char kHex[] = "0123456789ABCDEF";
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 15];
    }
    return out;
}

std::string SkippedContentLine(const SkippedContentEntry& entry)
{
    if (entry.installed)
        return "\"" + PrintableContentPath(entry.path) + "\" " + entry.reason + ".";
    return "\"" + PrintableContentPath(entry.path) + "\" was not installed: " + entry.reason + ".";
}

bool IsAllowedContentFileType(const char* path)
{
    static const char* const kTypes[] = {"txt",  "bmp", "tga",  "chump", "pm",  "im",  "kin",     "wav", "jpg",
                                         "jpeg", "gnd", "ref",  "tso",   "obs", "trk", "texture", "bmk", "dat",
                                         "gs",   "gse", "html", "htm",   "evt", "lm",  "mp3",     "lst", "pfx",
                                         "tfx",  "avi", "wmv",  "lyr",   "trc", "srt"};
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
        if (Zel::AsciiEqualIgnoreCase(dot + 1, type))
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
