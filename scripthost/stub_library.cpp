// The generated script of a script-backed object without a source of its own, and compiling such stubs into a library.
#include "scripthost/stub_library.h"

#include <cstdint>
#include <mutex>

#include "foundation/base/install_paths.h"
#include "script/common/toolchain_lock.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "script/vm/gs_machine.h"
#include "zel/file.h"

namespace {

constexpr std::string_view StubOpening = "include \"Korvel.gs\"\n\ninclude \"";

bool WriteWhole(const char* path, std::string_view text)
{
    Zel::File file;
    if (file.Open(path, Zel::File::ModeWrite) != 0)
        return false;
    if (file.Write(text.data(), int64_t(text.size())) == int64_t(text.size()))
        return true;
    file.Close();
    Zel::File::Unlink(path);
    return false;
}

}  // namespace

std::string PrependStubIncludes(std::string_view text)
{
    return ConcatAnsiStrings(StubOpening, text);
}

std::string ConcatAnsiStrings(std::string_view first, std::string_view second)
{
    std::string joined;
    joined.reserve(first.size() + second.size());
    joined.append(first);
    joined.append(second);
    return joined;
}

std::string MakeStubSource(std::string_view baseClass, std::string_view includeFile)
{
    std::string text = PrependStubIncludes(includeFile.empty() ? std::string_view("gs.gs") : includeFile);
    text = ConcatAnsiStrings(text, "\"\n\nclass ");
    text = ConcatAnsiStrings(text, StubClassName);
    text = ConcatAnsiStrings(text, " isclass ");
    text = ConcatAnsiStrings(text, baseClass.empty() ? std::string_view("GameObject") : baseClass);
    return ConcatAnsiStrings(text, "\n"
                                   "{\n"
                                   "  public void Init(Asset self)\n"
                                   "  {\n"
                                   "    inherited(self);\n"
                                   "    //...\n"
                                   "  }\n"
                                   "};\n"
                                   "\n");
}

Zel::File::Path StubCacheFolder()
{
    Zel::File::Path folder = GetCacheFolder();
    if (folder.IsEmpty())
        return Zel::File::Path("cache");
    // The roots are kept lower-cased; the folder on disk may not be.
    std::string onDisk;
    if (Zel::File::Resolve(nullptr, folder.c_str(), onDisk, true))
        return Zel::File::Path(onDisk.c_str());
    return folder;
}

int CompileStubToFile(const Zel::PString& storeName, const Zel::File::Path& folder, GSCompileLog* log,
                      const char* outputPath)
{
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    GSCompiler::GSCIncludeDirList& dirs = GSCompiler::IncludeDirs();
    // Searched last entry first: the asset's folder, the cache, the scripts.
    dirs.insert(dirs.begin(), GSCIncludeDir(StubCacheFolder(), Zel::PString()));
    dirs.push_back(GSCIncludeDir(folder, folder.IsAbsolute() ? Zel::PString() : storeName));
    dirs.insert(dirs.begin(), GSCIncludeDir(Zel::File::Path(""), Zel::PString("scripts")));
    const int errors = GSCompiler::CompileToFile(log, StubSourceName, outputPath);
    GSCompiler::ClearIncludeDirs();
    return errors;
}

bool CompileStubLibrary(const Zel::PString& storeName, const Zel::File::Path& folder, GSCompileLog* log,
                        GSRuntime::GSLibrary** library)
{
    *library = nullptr;
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    const Zel::File::Path cache = StubCacheFolder();
    Zel::File::Path output = cache;
    output.AddPath(StubLibraryName);
    if (CompileStubToFile(storeName, folder, log, output.c_str()) != 0) {
        Zel::File::Unlink(output.c_str());
        return false;
    }
    uint64_t ids = 0;
    if (GSMachine::Get()->AddLibraryFile(nullptr, cache.c_str(), StubLibraryName, &ids))
        *library = GSMachine::Get()->GetLibrary(uint32_t(ids >> 32), uint32_t(ids));
    Zel::File::Unlink(output.c_str());
    return *library != nullptr;
}

StubOutcome CompileStubSource(std::string_view text, const Zel::PString& storeName, const Zel::File::Path& folder,
                              GSCompileLog* log, GSRuntime::GSLibrary** library)
{
    *library = nullptr;
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    Zel::File::Path source = StubCacheFolder();
    source.AddPath(StubSourceName);
    if (!WriteWhole(source.c_str(), text)) {
        if (log != nullptr) {
            const std::string line = std::string("cannot write the stub source ") + source.c_str();
            log->AddLine(line.c_str());
        }
        return StubOutcome::SourceUnwritable;
    }
    const bool loaded = CompileStubLibrary(storeName, folder, log, library);
    Zel::File::Unlink(source.c_str());
    return loaded ? StubOutcome::Loaded : StubOutcome::CompileFailed;
}
