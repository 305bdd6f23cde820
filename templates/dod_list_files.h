// The value lists of the template data folder: every file read as "key value" lines.
#pragma once

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "zel/pstring.h"

namespace DODLib {

// One file's lines as (key, value) pairs, in file order, case kept.
struct ListFile {
    Zel::PString fileName;
    std::vector<std::pair<Zel::PString, Zel::PString>> pairs;

    // True when some key equals the text, ASCII case ignored.
    bool HasKey(std::string_view key) const;
    void Index();

private:
    std::unordered_set<std::string> lowerKeys_;
};

// Splits one line: the key is the text before the first blank among all
// characters but the last, the value the rest; trailing CR and LF belong to
// neither. A line without such a blank is all key.
std::pair<Zel::PString, Zel::PString> SplitListLine(std::string_view line);

// Reads every regular file of the folder into lists keyed by file name.
// Entries that are not regular files (a sub-folder) and files that cannot be
// read are skipped, so one stray entry does not cost every list after it.
// Lines are read whole, however long. False when the folder cannot be listed.
bool ReadListFiles(const char* folder, std::unordered_map<Zel::PString, ListFile>& out);

// The lines of "newFormTemplate.txt", lower-cased, then "bridge".
std::vector<Zel::PString> ReadNewFormTemplates(const char* folder);

}  // namespace DODLib
