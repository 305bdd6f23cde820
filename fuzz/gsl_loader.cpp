// Fuzz target: the script machine's loader and linker on arbitrary bytes,
// registered as a library file beside the compiled core library, then an
// instance of every class it accepted made and torn down again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/include_dirs.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_library.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_router.h"
#include "zel/file.h"

namespace {

// The core library compiled once; the fuzzed image is the only other file.
const std::string& WorkFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/gsl_loader-XXXXXX";
        const char* made = mkdtemp(pattern);
        std::string path = made != nullptr ? made : "/tmp";
        GSCompiler::GSCIncludeDirList& dirs = GSCompiler::IncludeDirs();
        dirs.push_back(GSCIncludeDir(Zel::File::Path(KORVEL_CORE_SCRIPTS_DIR), Zel::PString()));
        GSCompileLog log;
        GSCompiler::CompileToFile(&log, "gs.gs", (path + "/gs.gsl").c_str());
        GSCompiler::ClearIncludeDirs(dirs);
        return path;
    }();
    return folder;
}

void MakeEveryClass(GSRuntime::GSLibrary* library)
{
    GSRuntime::GSContext context(new GSRuntime::GSRouter);
    for (uint32_t i = 0; i < library->ClassCount(); ++i) {
        GSRuntime::GSClass* cls = library->Class(i);
        GSRuntime::GSObject* object = nullptr;
        if (GSRuntime::IsGameObjectClass(cls)) {
            GSRuntime::GSGameObject* gameObject = new GSRuntime::GSGameObject;
            context.Router()->AddNode(gameObject);
            object = gameObject;
        } else {
            object = new GSRuntime::GSObject;
        }
        object->AttachScriptInstance(cls, &context);
        delete object;
    }
    if (library->ClassCount() > 0)
        context.GetStaticObject(library->Class(0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& folder = WorkFolder();
    const std::string path = folder + "/fuzz.gsl";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    GSMachine* machine = GSMachine::Get();
    machine->Init();
    machine->AddLibraryFile("", folder.c_str(), "gs.gsl");
    uint64_t id = 0;
    if (machine->AddLibraryFile("", folder.c_str(), "fuzz.gsl", &id)) {
        int result = 0;
        GSRuntime::GSLibrary* library = machine->GetLibrary(uint32_t(id >> 32), uint32_t(id), &result);
        if (library != nullptr)
            MakeEveryClass(library);
    }
    machine->Clear();
    return 0;
}
