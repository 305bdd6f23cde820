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
    uint32_t Attributes() const { return current_.attributes; }
    bool IsDirectory() const { return (current_.attributes & AttributeDirectory) != 0; }
    int64_t Size() const { return current_.size; }

    // Windows wildcard match of one name (exposed for tests and callers).
    static bool Match(const char* pattern, const char* name);

    struct Entry {
        std::string name;
        uint32_t attributes = 0;
        int64_t size = 0;
    };

private:
    std::vector<Entry> entries_;
    size_t next_ = 0;
    Entry current_;
};

}  // namespace Zel
