// The generated script of a script-backed object without a source of its own, and compiling such stubs into a library.
#pragma once

#include <string>
#include <string_view>

#include "zel/path.h"
#include "zel/pstring.h"

class GSCompileLog;
namespace GSRuntime {
class GSLibrary;
}

// The class every stub and every object source defines.
constexpr const char* StubClassName = "CustomObject";
// The file a stub is written to, and its library, in the cache folder.
constexpr const char* StubSourceName = "temp_object.gs";
constexpr const char* StubLibraryName = "temp_object.gsl";

// The text of a stub class deriving from baseClass ("GameObject" when
// empty) whose Init hands the asset to its base, after including
// "Korvel.gs" and includeFile ("gs.gs" when empty).
std::string MakeStubSource(std::string_view baseClass, std::string_view includeFile);
// The lines that open a stub, up to the include file's opening quote, then text.
std::string PrependStubIncludes(std::string_view text);
// first followed by second.
std::string ConcatAnsiStrings(std::string_view first, std::string_view second);

// The cache folder the stub is written to and compiled into (the user-data
// root's "cache", else "cache" relative to the working folder).
Zel::File::Path StubCacheFolder();

// Compiles the cache folder's stub source into outputPath, the search
// taking the given folder (in that store) first, then the cache folder,
// then the "scripts" store; the include list is emptied afterwards. The
// compile's error count (0 on success).
int CompileStubToFile(const Zel::PString& storeName, const Zel::File::Path& folder, GSCompileLog* log,
                      const char* outputPath);
// The same into the cache folder's stub library, which is then registered,
// loaded and deleted: true with the library in *library when it loaded.
bool CompileStubLibrary(const Zel::PString& storeName, const Zel::File::Path& folder, GSCompileLog* log,
                        GSRuntime::GSLibrary** library);

enum class StubOutcome { Loaded, SourceUnwritable, CompileFailed };
// Writes text as the cache folder's stub source, compiles it with
// CompileStubLibrary and deletes it again, all under ScriptToolchainLock:
// the source has one shared name. A source that cannot be written whole
// gives SourceUnwritable with a line in the log, and no file is left.
StubOutcome CompileStubSource(std::string_view text, const Zel::PString& storeName, const Zel::File::Path& folder,
                              GSCompileLog* log, GSRuntime::GSLibrary** library);
