// Mapping an absolute path back to a top-level folder name and the path below it.
#include "foundation/base/install_paths.h"

#include <string>

#include "zel/ascii.h"

namespace {

// Moves the first component of rest into the returned text; rest keeps what
// lies below it (nothing when rest was a single component).
std::string TakeFirstComponent(Zel::File::Path& rest)
{
    std::string first = rest.ExtractFirstPath();
    if (!first.empty())
        return first;
    first = rest.Str();
    rest.Clear();
    return first;
}

std::string LowerCase(std::string text)
{
    return Zel::AsciiLowerCopy(text);
}

bool RelativeRest(const Zel::File::Path& base, const Zel::File::Path& path, Zel::File::Path& rest)
{
    return MakeRelativePath(base, path, rest) && !rest.IsEmpty();
}

}  // namespace

bool GetRootFolderOfPath(Zel::PString& folderName, Zel::File::Path& path)
{
    if (GetInstallRoot().IsEmpty()) {
        folderName = Zel::PString();
        path.Clear();
        return false;
    }
    if (!folderName.IsEmpty())
        return true;
    Zel::File::Path rest;
    if (RelativeRest(GetUserDataRoot(), path, rest)) {
        folderName = Zel::PString(LowerCase(TakeFirstComponent(rest)));
        path = rest;
        return true;
    }
    if (RelativeRest(GetBuiltinFolder(), path, rest)) {
        // Store names keep the backslash form; the daemon sends them so.
        folderName = Zel::PString("builtin\\" + LowerCase(TakeFirstComponent(rest)));
        path = rest;
        return true;
    }
    for (const char* name : {"base", "data"}) {
        if (RelativeRest(GetRootFolderPath(name), path, rest)) {
            folderName = Zel::PString(name);
            path = rest;
            return true;
        }
    }
    folderName = Zel::PString();
    path.Clear();
    return false;
}
