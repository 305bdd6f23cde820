// Process-wide values of the utility: start directory, crash-guard flag, clock, main thread.
#include "foundation/base/process_values.h"

#include <string>
#include <unistd.h>

#include "platform/process.h"

char StartDirectory[StartDirectorySize] = {};
std::atomic<std::uint8_t> CrashGuardEnabled{0};
std::atomic<float> ApplicationClock{0.0f};
std::atomic<std::uint32_t> GlobalTickCount{0};
std::atomic<std::uint8_t*> StartupCompleteMarker{nullptr};
std::atomic<Zel::ResourceSystem*> GlobalResourceSystem{nullptr};
std::atomic<Zel::RenderKernel*> GlobalRenderKernel{nullptr};
std::atomic<ScriptLogFunction> ScriptLogCallback{nullptr};

namespace {
std::atomic<long> mainThreadId{0};
// Written once by the main thread after start-up; read only by it.
std::string programName;
}  // namespace

bool IsStartupComplete()
{
    return StartupCompleteMarker.load() != nullptr;
}

long CurrentThreadId()
{
    return Platform::CurrentThreadId();
}

void SetMainThreadId()
{
    mainThreadId.store(CurrentThreadId());
}

void SetMainThread(const char* name)
{
    programName = name ? name : "";
    SetMainThreadId();
}

long GetMainThreadId()
{
    return mainThreadId.load();
}

bool IsMainThread()
{
    long id = mainThreadId.load();
    return id != 0 && id == CurrentThreadId();
}

const char* GetProgramName()
{
    return programName.c_str();
}
