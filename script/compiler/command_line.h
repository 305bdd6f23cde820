// The compiler's own command line (the utility's "compile" and dudoc).
#pragma once

namespace GSCompiler {

constexpr float kCompilerVersion = 1.02f;

// argv[0] is the program's path; the rest are sources and switches:
//   -s silent, -bFILE log appended to FILE, -pPATH output path, -iPATH an
//   include folder, -d the language manual; other switches are ignored.
// The number of compile errors, 1 when no source was given (usage printed),
// 0 after -d. Holds ScriptToolchainLock.
int RunCommandLine(int argumentCount, char** argumentTable);

// The usage text for a program path (its file-name part is printed).
void PrintUsage(const char* programPath);

}  // namespace GSCompiler
