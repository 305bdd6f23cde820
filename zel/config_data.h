// Zel::ConfigData and Zel::ConfigParser: keyed entries with a value and children, and the text grammar they are read from.
//
// Grammar: a file is a list of entries; an entry is `key value`, optionally
// followed by `{ children }`; children are entries separated by ';' or line
// ends and may nest. Keys and values are bare words (any run of non-blank
// characters other than '{', '}' and ';') or double-quoted texts (no escapes).
// "//" starts a comment that runs to the line end. Keys may repeat and keep
// their order. The version is the value of a root entry "version" ("version
// 1.00" as the first line); a file without one has version 0.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Zel {

class ConfigData {
public:
    struct Entry {
        std::string key;
        std::string value;
        std::vector<Entry> children;
    };

    void Add(const char* key, const char* value);
    void Clear() { entries_.clear(); }
    const std::vector<Entry>& Entries() const { return entries_; }
    std::vector<Entry>& MutableEntries() { return entries_; }
    // The first entry of that key (ASCII case ignored), or null.
    const Entry* Find(const char* key) const;
    // Its value, or defaultValue when there is no such entry.
    const char* Get(const char* key, const char* defaultValue = "") const;

private:
    std::vector<Entry> entries_;
};

class ConfigParser {
public:
    // False, with the line of the fault in error, on an unbalanced brace, an
    // unterminated quote or an entry without a value.
    bool Parse(const std::string& text, ConfigData& out, std::string& error);
    // The value of the root "version" entry; 0 when there is none.
    double GetVersion() const { return version_; }

private:
    double version_ = 0;
};

}  // namespace Zel
