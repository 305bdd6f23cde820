// Header of a built-in program text: its version, the programs of a set, a combiner's constant registers.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "zel/display_state.h"

namespace Zel {

// The header lines come before the "API(common)" line that opens the body:
//   version 2.0
//   program KorvelBump_ParallelLight          (vertex-program sets, one per program)
//   constant 0 LightDiff 0 0 0 1              (combiners: index, name, default RGBA)
// Blank lines and lines starting with "//" are skipped. Nothing is compiled.
struct ProgramTextHeader {
    struct Constant {
        int index = 0;
        std::string name;
        Vector4 defaults = {0, 0, 0, 0};
    };
    std::string version;
    std::vector<std::string> programs;
    std::vector<Constant> constants;
};

// False (header untouched) for a text without a version line, without the
// body line, or with a malformed program or constant line.
bool ParseProgramTextHeader(const std::string& text, ProgramTextHeader& header);

// Names a manager is told to refuse (tests of the not-found paths).
class RefusedNames {
public:
    void Set(const std::string& name, bool refuse)
    {
        if (refuse)
            names_.insert(name);
        else
            names_.erase(name);
    }
    bool Has(const char* name) const { return names_.count(name) != 0; }

private:
    std::set<std::string> names_;
};

// Registered texts by name, read by any thread; a manager keeps one per kind.
class ProgramTextStore {
public:
    bool Register(const char* name, const char* text);
    // False when nothing of that name is registered.
    bool Find(const std::string& name, ProgramTextHeader& header) const;

private:
    mutable std::mutex lock_;
    std::map<std::string, ProgramTextHeader> headers_;
};

}  // namespace Zel
