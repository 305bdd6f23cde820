// Engine option words ("-Key=Value" or "-Key"), looked up without regard to case.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace Zel {

class Options {
public:
    Options() = default;
    explicit Options(const char* raw) { ProcessRaw(raw); }

    // Adds the blank-separated option words of text. A word "-Key=Value" sets
    // Key to Value, "-Key" sets it present with an empty value; the leading
    // dashes are not part of the key. A later word replaces an earlier value
    // of the same key.
    void ProcessRaw(const char* text);

    // Keys may be given with or without their leading '-'.
    bool Has(const char* key) const;
    // The value, or defaultValue when the key is absent.
    const char* Get(const char* key, const char* defaultValue = "") const;
    int GetInt(const char* key, int defaultValue) const;
    float GetFloat(const char* key, float defaultValue) const;
    // Walks a separator-delimited value: cursor starts at 0; each call gives
    // the next item and false when none is left (or the key is absent).
    bool GetNext(const char* key, size_t& cursor, std::string& item, char separator = ',') const;

    void Set(const char* key, const char* value);
    void Remove(const char* key);
    size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }
    // "-Key=Value -Key2 ..." in the order the keys were first set.
    std::string ToString() const;

private:
    const std::pair<std::string, std::string>* FindEntry(const char* key) const;
    std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace Zel
