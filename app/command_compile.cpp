// compile: hands the command line to the script compiler in the caller's directory.
#include <vector>

#include "app/commands.h"
#include "app/start_directory_scope.h"
#include "script/compiler/command_line.h"
#include "zel/ascii.h"

namespace {

// Start-up option words stay in the argument table for the dispatcher; the
// compiler would take "norender" for its source file.
bool IsStartupOptionWord(const char* word)
{
    static const char* const words[] = {"norender", "-zellog", "-nokadclient", "-nostartkaddaemon"};
    for (const char* option : words) {
        if (Zel::AsciiEqualIgnoreCase(word, option))
            return true;
    }
    return false;
}

}  // namespace

int CommandCompile(ResultsLog& /*log*/, int argumentCount, char** argumentTable)
{
    // Entry 1, the command word, becomes an empty source name: with no
    // source after it the compiler prints its usage.
    static char emptyEntry[] = "";
    std::vector<char*> table;
    for (int i = 0; i < argumentCount; ++i) {
        if (i == 1)
            table.push_back(emptyEntry);
        else if (i == 0 || argumentTable[i] == nullptr || !IsStartupOptionWord(argumentTable[i]))
            table.push_back(argumentTable[i]);
    }
    StartDirectoryScope directory;
    const int errors = GSCompiler::RunCommandLine(int(table.size()), table.data());
    return errors == 0 ? 0 : -1;
}
