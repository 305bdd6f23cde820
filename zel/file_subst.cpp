// The path substitution table: names (case-insensitive) standing for folders or archives.
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <shared_mutex>

#include "zel/ascii.h"
#include "zel/file.h"
#include "zel/file_resolution.h"

namespace Zel {
namespace {

struct SubstTarget {
    std::string target;
    bool folder = true;
};

std::shared_mutex g_substLock;
std::map<std::string, SubstTarget>& Table()
{
    static std::map<std::string, SubstTarget> table;
    return table;
}

// Names compare without regard to ASCII case or separator form: store names
// such as "builtin\\foo" may arrive with either separator.
std::string FoldName(std::string_view name)
{
    return FileResolution::ToNative(AsciiLowerCopy(name));
}

bool Lookup(std::string_view name, SubstTarget& out)
{
    std::shared_lock<std::shared_mutex> guard(g_substLock);
    auto found = Table().find(FoldName(name));
    if (found == Table().end())
        return false;
    out = found->second;
    return true;
}

}  // namespace

void File::Subst(const char* name, const char* target, bool folder)
{
    if (!name || !*name)
        return;
    std::unique_lock<std::shared_mutex> guard(g_substLock);
    if (!target || !*target) {
        Table().erase(FoldName(name));
        return;
    }
    Table()[FoldName(name)] = SubstTarget{FileResolution::ToNative(target), folder};
}

bool File::GetSubst(const char* name, std::string& target, bool* folder)
{
    SubstTarget found;
    if (!name || !Lookup(name, found))
        return false;
    target = found.target;
    if (folder)
        *folder = found.folder;
    return true;
}

namespace FileResolution {

bool ApplySubst(const char* container, const char* path, std::string& out)
{
    std::string native = ToNative(path ? path : "");
    SubstTarget found;
    if (container && *container) {
        // Archive targets (".ja") cannot be reached through the file layer.
        if (!Lookup(container, found) || !found.folder)
            return false;
        out = JoinPath(found.target, native);
        return true;
    }
    if (native.empty() || native[0] == '/') {
        out = native;
        return true;
    }
    size_t slash = native.find('/');
    std::string_view first = std::string_view(native).substr(0, slash);
    if (!Lookup(first, found)) {
        out = native;
        return true;
    }
    if (!found.folder)
        return false;
    out = JoinPath(found.target,
                   slash == std::string::npos ? std::string_view() : std::string_view(native).substr(slash + 1));
    return true;
}

}  // namespace FileResolution
}  // namespace Zel
