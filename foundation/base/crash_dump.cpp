// The crash-dump writer: our own text dump "Korvel-44088.dmp" and the call-stack report.
#include "foundation/base/crash_dump.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <ucontext.h>
#include <unistd.h>

#include "foundation/base/console_output.h"
#include "foundation/base/crash_dump_state.h"
#include "foundation/base/numbered_file_name.h"
#include "zel/thread.h"
#include "platform/file_io.h"

namespace {

constexpr int dumpBuild = 44088;
constexpr int maxFrames = 64;
// Past this many numbered names the folder is taken to be unusable.
constexpr int maxDumpNameNumber = 9999;
constexpr std::size_t pathCapacity = 4096;

// Writes formatted lines straight to a descriptor from a fixed buffer: the
// fault may have happened inside the allocator or the stdio locks, so the
// crash path touches neither. (vsnprintf is not formally async-signal-safe;
// glibc's does not allocate for these formats.)
class RawLineWriter {
public:
    explicit RawLineWriter(int descriptor) : descriptor_(descriptor) {}

    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        int length = std::vsnprintf(text_, sizeof text_ - 1, format, args);
        va_end(args);
        if (length < 0)
            return;
        std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(length), sizeof text_ - 2);
        text_[size] = '\n';
        Bytes(text_, size + 1);
    }

    void Bytes(const char* bytes, std::size_t count)
    {
        // Only read(2) and write(2) underneath: safe inside the signal handler.
        Platform::WriteAll(descriptor_, bytes, count);
    }

private:
    int descriptor_;
    char text_[1024];
};

// Creates the first free name of "Korvel-44088.dmp", "Korvel-44088_2.dmp",
// ... in the current folder. O_EXCL makes the choice and the creation one
// step, so two processes never share a dump. -1 when none can be created.
int CreateUniqueDumpFile(char (&path)[pathCapacity])
{
    char folder[pathCapacity - 64];
    if (!getcwd(folder, sizeof folder))
        std::strcpy(folder, ".");
    char first[pathCapacity];
    std::snprintf(first, sizeof first, "%s/Korvel-%d.dmp", folder, dumpBuild);
    for (int number = 1; number <= maxDumpNameNumber; ++number) {
        if (!FormatNumberedFileName(path, sizeof path, first, number))
            return -1;
        int descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor >= 0)
            return descriptor;
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

struct CapturedStack {
    void* frames[maxFrames];
    int count = 0;
};

void CaptureStack(CapturedStack& stack)
{
    stack.count = backtrace(stack.frames, maxFrames);
    if (stack.count < 0)
        stack.count = 0;
}

void WriteRegisters(RawLineWriter& out, const void* context)
{
    if (!context)
        return;
#if defined(__x86_64__)
    static const char* const names[] = {"r8",  "r9",  "r10",    "r11", "r12",    "r13",     "r14", "r15",
                                        "rdi", "rsi", "rbp",    "rbx", "rdx",    "rax",     "rcx", "rsp",
                                        "rip", "efl", "csgsfs", "err", "trapno", "oldmask", "cr2"};
    const ucontext_t* machine = static_cast<const ucontext_t*>(context);
    for (int index = 0; index < NGREG && index < static_cast<int>(sizeof names / sizeof names[0]); ++index)
        out.Line("register %s 0x%016llx", names[index],
                 static_cast<unsigned long long>(machine->uc_mcontext.gregs[index]));
#else
    (void)out;
#endif
}

// Module image and symbol name of an address; empty texts when unknown.
// (dladdr allocates nothing.)
void ResolveFrame(void* address, const char*& module, const char*& symbol)
{
    Dl_info where{};
    module = "";
    symbol = "";
    if (dladdr(address, &where) == 0)
        return;
    module = where.dli_fname ? where.dli_fname : "";
    symbol = where.dli_sname ? where.dli_sname : "";
}

void WriteFrames(RawLineWriter& out, const CapturedStack& stack)
{
    for (int index = 0; index < stack.count; ++index) {
        const char* module;
        const char* symbol;
        ResolveFrame(stack.frames[index], module, symbol);
        out.Line("frame %d 0x%llx %s %s", index,
                 static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(stack.frames[index])), module,
                 symbol);
    }
}

void CopyProcessMaps(RawLineWriter& out)
{
    int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    char block[4096];
    for (;;) {
        ssize_t count = Platform::ReadSome(maps, block, sizeof block);
        if (count <= 0)
            break;
        out.Bytes(block, static_cast<std::size_t>(count));
    }
    close(maps);
}

void WriteDumpBody(int descriptor, int signalNumber, const siginfo_t* info, const void* context,
                   const CapturedStack& stack)
{
    RawLineWriter out(descriptor);
    out.Line("KORVELDMP1");
    out.Line("build %d", dumpBuild);
    out.Line("process %d thread %d", Zel::Thread::GetCurrentProcessId(), Zel::Thread::GetCurrentId());
    out.Line("signal %d code %d address 0x%llx", signalNumber, info ? info->si_code : 0,
             static_cast<unsigned long long>(info ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0));
    WriteRegisters(out, context);
    WriteFrames(out, stack);
    out.Line("maps");
    CopyProcessMaps(out);
}

// The call-stack lines of the dump report. They go through the console lock,
// taken with a time-out: another thread may have died holding it.
void ReportCallStack(RawLineWriter& out, const CapturedStack& stack)
{
    char addresses[512];
    std::size_t used = 0;
    addresses[0] = '\0';
    for (int index = 0; index < stack.count && used <= 510; ++index) {
        int written =
            std::snprintf(addresses + used, sizeof addresses - used, "%llx ",
                          static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(stack.frames[index])));
        if (written < 0)
            break;
        used = std::min(used + static_cast<std::size_t>(written), sizeof addresses - 1);
    }
    out.Line("callstack: %s", addresses);
    for (int index = 0; index < stack.count; ++index) {
        const char* module;
        const char* symbol;
        ResolveFrame(stack.frames[index], module, symbol);
        // No line tables are read: file and line keep their defaults.
        out.Line("  %s %s [%s:%d]", module, symbol, "<unknown>", -1);
    }
}

void ReportUnderConsoleLock(const char* dumpPath, const CapturedStack& stack)
{
    std::recursive_timed_mutex& lock = ConsoleOutputLock();
    bool locked = lock.try_lock_for(std::chrono::seconds(1));
    RawLineWriter out(STDOUT_FILENO);
    out.Line("CreateMiniDump: %s", dumpPath);
    ReportCallStack(out, stack);
    if (locked)
        lock.unlock();
}

}  // namespace

CrashHandlerState& CrashHandlers()
{
    static CrashHandlerState state;
    return state;
}

std::string CrashDumpFileName()
{
    return "Korvel-" + std::to_string(dumpBuild) + ".dmp";
}

int WriteCrashDump(int signalNumber, const siginfo_t* info, const void* context)
{
    CrashHandlerState& state = CrashHandlers();
    if (state.firstCrash.exchange(true))
        return 1;
    CapturedStack stack;
    CaptureStack(stack);
    char path[pathCapacity];
    int descriptor = CreateUniqueDumpFile(path);
    if (descriptor >= 0) {
        WriteDumpBody(descriptor, signalNumber, info, context, stack);
        fsync(descriptor);
        close(descriptor);
    } else {
        // A dump that cannot be created is skipped; the report still says
        // which name was tried.
        std::snprintf(path, sizeof path, "Korvel-%d.dmp", dumpBuild);
    }
    ReportUnderConsoleLock(path, stack);
    return 1;
}

void WriteDumpNow()
{
    if (CrashHandlers().firstCrash.load())
        return;
    ucontext_t context;
    if (getcontext(&context) != 0) {
        WriteCrashDump(0, nullptr, nullptr);
        return;
    }
    WriteCrashDump(0, nullptr, &context);
}

void LogCallStack()
{
    CapturedStack stack;
    CaptureStack(stack);
    std::lock_guard<std::recursive_timed_mutex> hold(ConsoleOutputLock());
    std::fflush(stdout);
    RawLineWriter out(STDOUT_FILENO);
    ReportCallStack(out, stack);
}
