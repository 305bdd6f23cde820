// dudoc: the DudoRazuzu compiler's own command line, without the utility or
// its daemon (for tests, benchmarks and script authors).
//   dudoc <source> [-s] [-bFILE] [-pDIR/] [-iDIR/]... [-d]
// Exit status: the number of compile errors (at most 255), 1 without a source.
#include "script/compiler/command_line.h"

int main(int argc, char** argv)
{
    const int errors = GSCompiler::RunCommandLine(argc, argv);
    return errors > 255 ? 255 : errors;
}
