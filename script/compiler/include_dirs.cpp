// The include folders of a compilation and the source search over them.
#include "script/compiler/include_dirs.h"

#include "script/common/source_file.h"
#include "zel/file.h"

namespace GSCompiler {

GSCIncludeDirList& IncludeDirs()
{
    static GSCIncludeDirList list;
    return list;
}

void ClearIncludeDirs(GSCIncludeDirList& list)
{
    list.clear();
}

void ClearIncludeDirs()
{
    ClearIncludeDirs(IncludeDirs());
}

bool IncludeDirLoader::Load(const std::string& name, Loaded* loaded, const char** container)
{
    *container = nullptr;
    const GSCIncludeDirList& folders = IncludeDirs();
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        lastContainer_ = folder->container.c_str();
        const char* store = lastContainer_.empty() ? nullptr : lastContainer_.c_str();
        *container = store;
        Zel::File::Path candidate = folder->path;
        candidate.AddPath(name.c_str());
        bool found = Zel::File::Exists(store, candidate.c_str()) == 0;
        // Only a ".gs" name has a protected twin; "x.gse" itself is looked for
        // as written, so a ".gse" given on purpose is still found.
        if (!found && candidate.IsExt("gs")) {
            candidate.SetExt("gse");
            found = Zel::File::Exists(store, candidate.c_str()) == 0;
        }
        if (!found)
            continue;
        GSSourceFile source;
        if (!source.Load(store, candidate.c_str()))
            return false;
        const char* text = source.Text();
        if (text == nullptr)
            return false;
        loaded->text.assign(text, source.Length());
        loaded->prefixLength = source.PrefixLength();
        return true;
    }
    return false;
}

}  // namespace GSCompiler
