// KorvelUtil's entry: help, start-up, one command or a batch, shutdown, immediate exit.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/application.h"
#include "foundation/base/console_control.h"
#include "foundation/base/console_output.h"
#include "foundation/base/crash_guard.h"
#include "foundation/base/install_paths.h"
#include "foundation/base/process_exit.h"
#include "foundation/base/process_values.h"
#include "app/help_text.h"
#include "results/results_log.h"
#include "mesh/module_plugins.h"
#include "zel/ascii.h"
#include "zel/pstring.h"

// The engine's render kernel calls this once while it initialises.
extern "C" void ZelGetPlugins()
{
    RegisterModulePlugins();
}

namespace {

void PrintHelp()
{
    // Every help line already ends with a line feed; main still writes one more after the block.
    const std::string& text = GetHelpText();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

int RunCommandLine(AppContext& context, int argc, char** argv)
{
    if (argv[1][0] == '@')
        return RunBatchFile(context, argv[0], argv[1] + 1);
    ResultsLog log;
    int result = RunCommandGuarded(log, context, argc, argv);
    PrintResultsLog(log);
    return result;
}

// The process ends right after shutdown: interned strings the teardown
// lets go of are not worth collecting, table by table, on the way out.
[[noreturn]] void ShutdownAndEnd(AppContext& context, int result)
{
    Zel::PStringCache::StopCollecting();
    ShutdownApplication(context);
    EndProcessNow(result);
}

}  // namespace

int main(int argc, char** argv)
{
    // First of all: a synchronous main-thread job posted during start-up
    // must find its main thread, or it would wait for ever.
    SetMainThreadId();
    InstallFaultHandler();
    // Before any thread exists: every later thread inherits the blocked
    // console signals, so only the sigwait thread ever receives them.
    BlockConsoleControlSignals();
    StartConsoleControlThread();
    RedirectStdoutToPipe();
    std::signal(SIGPIPE, SIG_IGN);

    Zel::File::Path programPath;
    if (!GetModuleFolder(programPath))
        EndProcessNow(-1);
    // The help is all the output there is: stdout keeps its own buffering,
    // so a piped reader gets the block in one write instead of one a line.
    if (argc < 2) {
        PrintHelp();
        EndProcessNow(-1);
    }
    if (Zel::AsciiEqualIgnoreCase(argv[1], "help")) {
        PrintHelp();
        EndProcessNow(0);
    }
    // Results, engine log lines and command output share stdout; line
    // buffering keeps their order for a piped reader.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    AppContext context;
    if (InitApplication(context, programPath, argc, argv) != 0) {
        std::fputs("- Init failed\n", stderr);
        ShutdownAndEnd(context, -1);
    }
    SetMainThread("KorvelUtil");
    ScriptLogCallback.store(ScriptLogSink);

    int result = RunCommandLine(context, argc, argv);
    ShutdownAndEnd(context, result);
}
