// File::Find: folder listing with Windows wildcard patterns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zel/file.h"

namespace Zel {

class File::Find {
public:
    enum : uint32_t { AttributeDirectory = 0x10, AttributeNormal = 0x80 };

    Find() = default;

    // Lists the folder part of pattern and keeps the names that match its last
    // component, with Windows semantics: '*' any run, '?' one character, ASCII
    // case ignored, "*.*" also matches names without a dot. "." and ".." are
    // never listed. False when the folder cannot be read.
    bool Open(const char* pattern);
    bool Open(const char* pattern, const char* container);
    // Moves to the next entry; false when there is none. Call it before the
    // first entry too: while (find.Next()) { ... }
    bool Next();
    void Close();

    const std::string& Name() const { return current_.name; }
    // The entry's kind comes with the listing on most file systems; its size,
    // and the kind of a link, cost a stat of the entry, made the first time
    // one of these is asked and only then: a walk that looks at names alone
    // (a folder of thousands of textures) never pays for it. A link counts
    // as what it points to; an entry gone since the listing is a plain file.
    uint32_t Attributes() const;
    bool IsDirectory() const { return (Attributes() & AttributeDirectory) != 0; }
    int64_t Size() const;

    // Windows wildcard match of one name (exposed for tests and callers).
    static bool Match(const char* pattern, const char* name);

    struct Entry {
        std::string name;
        // What the listing said of the kind (a DT_ value); DT_UNKNOWN when it
        // said nothing, as some file systems do.
        unsigned char type = 0;
    };

private:
    // Fills what the current entry's stat tells, once per entry.
    void StatCurrent() const;

    std::string folder_;
    std::vector<Entry> entries_;
    size_t next_ = 0;
    Entry current_;
    mutable bool statted_ = false;
    mutable uint32_t attributes_ = 0;
    mutable int64_t size_ = 0;
};

}  // namespace Zel
