// The include folders of a compilation and the source search over them.
#pragma once

#include <string>
#include <vector>

#include "script/compiler/front_end.h"
#include "zel/path.h"
#include "zel/pstring.h"

// One include folder: a folder path and the name of the file container that
// holds it (empty for the plain file system).
class GSCIncludeDir {
public:
    GSCIncludeDir(const Zel::File::Path& folder, const Zel::PString& containerName)
        : path(folder), container(containerName)
    {}

    Zel::File::Path path;
    Zel::PString container;
};

namespace GSCompiler {

using GSCIncludeDirList = std::vector<GSCIncludeDir>;

// The process-wide include list, searched from the LAST entry to the first:
// callers that want a folder searched first append it. Whoever edits it or
// compiles holds ScriptToolchainLock.
GSCIncludeDirList& IncludeDirs();
// Empties a list (the process-wide one without an argument).
void ClearIncludeDirs(GSCIncludeDirList& list);
void ClearIncludeDirs();

// The compiler's source search: every folder of the process-wide list, last
// to first; in each the name as given and, when its extension is "gs", the
// protected ".gse" twin. The first hit is loaded with GSSourceFile (a
// protected file unprotected, the one-shot prefix in front).
class IncludeDirLoader : public SourceLoader {
public:
    bool Load(const std::string& name, Loaded* loaded, const char** container) override;

private:
    std::string lastContainer_;
};

}  // namespace GSCompiler
