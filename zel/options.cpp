// Engine option words: parsing and case-insensitive lookup.
#include "zel/options.h"

#include "zel/ascii.h"

#include <cstdlib>
#include <cstring>

namespace Zel {
namespace {

const char* StripDashes(const char* key)
{
    while (key && *key == '-')
        ++key;
    return key ? key : "";
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

void Options::ProcessRaw(const char* text)
{
    if (!text)
        return;
    const char* p = text;
    while (*p) {
        while (*p && IsBlank(*p))
            ++p;
        const char* start = p;
        while (*p && !IsBlank(*p))
            ++p;
        if (p == start)
            continue;
        std::string word(start, p);
        size_t equals = word.find('=');
        std::string key = word.substr(0, equals);
        std::string value = equals == std::string::npos ? std::string() : word.substr(equals + 1);
        const char* bare = StripDashes(key.c_str());
        if (*bare)
            Set(bare, value.c_str());
    }
}

const std::pair<std::string, std::string>* Options::FindEntry(const char* key) const
{
    const char* bare = StripDashes(key);
    for (const auto& entry : entries_) {
        if (AsciiEqualIgnoreCase(entry.first, bare))
            return &entry;
    }
    return nullptr;
}

bool Options::Has(const char* key) const
{
    return FindEntry(key) != nullptr;
}

const char* Options::Get(const char* key, const char* defaultValue) const
{
    const auto* entry = FindEntry(key);
    return entry ? entry->second.c_str() : defaultValue;
}

int Options::GetInt(const char* key, int defaultValue) const
{
    const auto* entry = FindEntry(key);
    if (!entry || entry->second.empty())
        return defaultValue;
    return static_cast<int>(strtol(entry->second.c_str(), nullptr, 0));
}

float Options::GetFloat(const char* key, float defaultValue) const
{
    const auto* entry = FindEntry(key);
    if (!entry || entry->second.empty())
        return defaultValue;
    return strtof(entry->second.c_str(), nullptr);
}

bool Options::GetNext(const char* key, size_t& cursor, std::string& item, char separator) const
{
    const auto* entry = FindEntry(key);
    if (!entry || cursor >= entry->second.size())
        return false;
    const std::string& value = entry->second;
    size_t end = value.find(separator, cursor);
    if (end == std::string::npos)
        end = value.size();
    item = value.substr(cursor, end - cursor);
    cursor = end + 1;
    return true;
}

void Options::Set(const char* key, const char* value)
{
    const char* bare = StripDashes(key);
    if (!*bare)
        return;
    for (auto& entry : entries_) {
        if (AsciiEqualIgnoreCase(entry.first, bare)) {
            entry.second = value ? value : "";
            return;
        }
    }
    entries_.emplace_back(bare, value ? value : "");
}

void Options::Remove(const char* key)
{
    const char* bare = StripDashes(key);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (AsciiEqualIgnoreCase(it->first, bare)) {
            entries_.erase(it);
            return;
        }
    }
}

std::string Options::ToString() const
{
    std::string text;
    for (const auto& entry : entries_) {
        if (!text.empty())
            text += ' ';
        text += '-';
        text += entry.first;
        if (!entry.second.empty()) {
            text += '=';
            text += entry.second;
        }
    }
    return text;
}

}  // namespace Zel
