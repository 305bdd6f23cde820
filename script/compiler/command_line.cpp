// The compiler's own command line: switches, usage, the compile and its log.
#include "script/compiler/command_line.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "script/common/toolchain_lock.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/language_manual.h"

namespace GSCompiler {

namespace {

const char* ProgramName(const char* path)
{
    if (path == nullptr)
        return "";
    const char* name = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':')
            name = c + 1;
    }
    return name;
}

struct Switches {
    const char* source = nullptr;
    bool silent = false;
    const char* buildLog = nullptr;
    const char* outputPath = nullptr;
    GSCIncludeDirList includeDirs;
};

// Every line, oldest first, to the -b file (appended) and, unless silent,
// to standard output.
void EmitLog(GSCompileLog& log, const Switches& switches)
{
    std::FILE* file = switches.buildLog != nullptr ? std::fopen(switches.buildLog, "a+") : nullptr;
    for (uint32_t i = 0; i < log.LineCount(); ++i) {
        if (file != nullptr)
            std::fprintf(file, "%s\n", log.Line(i));
        if (!switches.silent)
            std::printf("%s\n", log.Line(i));
    }
    if (file != nullptr)
        std::fclose(file);
    std::fflush(stdout);
}

}  // namespace

void PrintUsage(const char* programPath)
{
    const char* name = ProgramName(programPath);
    std::printf("QUELM DudoRazuzu Compiler V%4.2f\n\n", double(kCompilerVersion));
    std::printf("%s returns number of compile errors\n", name);
    std::printf("%s <option> <option>..\nwhere <option> is one of the following\n\n", name);
    std::fputs("<-d> print documentation, u might wanna pipe it to a text document =)\n"
               "<-s> silent\n"
               "<-bfilename> dump the build info (compile log) to file\n"
               "<-ppathname> output path\n"
               "<-ofilename> output library filename\n"
               "<filename> input source file\n"
               "<-ipathname> additional include path\n",
               stdout);
}

int RunCommandLine(int argumentCount, char** argumentTable)
{
    std::lock_guard<std::recursive_mutex> hold(ScriptToolchainLock);
    Switches switches;
    for (int i = 1; i < argumentCount; ++i) {
        const char* argument = argumentTable[i] != nullptr ? argumentTable[i] : "";
        if (argument[0] != '-') {
            switches.source = argument;
            continue;
        }
        // Values stand right after the letter: -bFILE, -pPATH, -iPATH.
        switch (argument[1]) {
        case 's':
            switches.silent = true;
            break;
        case 'b':
            switches.buildLog = argument + 2;
            break;
        case 'p':
            switches.outputPath = argument + 2;
            break;
        case 'i':
            switches.includeDirs.push_back(GSCIncludeDir(Zel::File::Path(argument + 2), Zel::PString()));
            break;
        case 'd':
            std::fputs(LanguageManual(), stdout);
            std::fputs("\n", stdout);
            std::fflush(stdout);
            return 0;
        default:
            // -c, -t, -l, -o (the library is named after its source), a lone
            // "-" and unknown letters are accepted and ignored.
            break;
        }
    }
    GSCompileLog log;
    int result = 1;
    if (switches.source != nullptr && switches.source[0] != '\0') {
        result = CompileToFolder(switches.source, switches.outputPath, switches.includeDirs, &log);
    } else {
        PrintUsage(argumentCount > 0 ? argumentTable[0] : nullptr);
    }
    EmitLog(log, switches);
    return result;
}

}  // namespace GSCompiler
