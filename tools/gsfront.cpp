// gsfront: runs the DudoRazuzu front end on one file and dumps what it made.
//   gsfront [--tokens] [--trace] [--tree] [--symbols] [--parse-only] [-i DIR]... FILE
// --symbols prints the symbol-table dump after the messages.
// Prints the compile log; exit status = number of errors (capped at 255).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/compiler/compile_unit.h"
#include "script/compiler/compiler_state.h"
#include "script/compiler/front_end.h"
#include "script/compiler/parser.h"
#include "script/compiler/scanner.h"
#include "script/compiler/symbols.h"
#include "script/compiler/tokens.h"
#include "script/compiler/tree_dump.h"

using namespace GSCompiler;

namespace {

void PrintTrace(int group, int kind, int line)
{
    std::printf("%d.%d %d\n", group, kind, line);
}

bool ReadFile(const char* path, std::string* text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::stringstream buffer;
    buffer << file.rdbuf();
    *text = buffer.str();
    return true;
}

int DumpTokens(const std::string& text)
{
    yyFlexLexer scanner(text.data(), text.size());
    for (;;) {
        int token = scanner.yylex();
        std::printf("%d %s %.*s\n", scanner.lineno(), TokenName(token), scanner.YYLeng(), scanner.YYText());
        if (token == TOKEN_END || token == kTokenTooLong)
            return 0;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    bool tokens = false;
    bool trace = false;
    bool tree = false;
    bool parseOnly = false;
    bool symbols = false;
    const char* file = nullptr;
    std::vector<std::string> includeDirs;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--tokens"))
            tokens = true;
        else if (!std::strcmp(argv[i], "--trace"))
            trace = true;
        else if (!std::strcmp(argv[i], "--tree"))
            tree = true;
        else if (!std::strcmp(argv[i], "--parse-only"))
            parseOnly = true;
        else if (!std::strcmp(argv[i], "--symbols"))
            symbols = true;
        else if (!std::strcmp(argv[i], "-i") && i + 1 < argc)
            includeDirs.push_back(argv[++i]);
        else
            file = argv[i];
    }
    if (file == nullptr) {
        std::fprintf(stderr,
                     "usage: gsfront [--tokens] [--trace] [--tree] [--symbols] [--parse-only] [-i DIR]... FILE\n");
        return 1;
    }
    std::string text;
    if ((tokens || parseOnly) && !ReadFile(file, &text)) {
        std::fprintf(stderr, "gsfront: cannot read %s\n", file);
        return 1;
    }
    if (tokens)
        return DumpTokens(text);
    if (trace)
        ParseTraceHook = PrintTrace;

    GSCompileLog log;
    FrontEnd frontEnd;
    for (const std::string& dir : includeDirs)
        frontEnd.AddIncludeDir(dir);
    int errors = parseOnly ? frontEnd.ParseOnly(file, text, &log) : frontEnd.CheckFile(file, &log);
    if (trace)
        std::printf("RESULT %d\n", errors);
    for (uint32_t i = 0; i < log.LineCount(); ++i)
        std::printf("%s\n", log.Line(i));
    if (tree && frontEnd.MainUnit().root != nullptr) {
        std::string out;
        DumpTree(frontEnd.MainUnit().root, &out);
        std::fputs(out.c_str(), stdout);
    }
    if (symbols) {
        GSCompileLog dump;
        frontEnd.Context().Dump(&dump);
        for (uint32_t i = 0; i < dump.LineCount(); ++i)
            std::printf("%s\n", dump.Line(i));
    }
    return errors > 255 ? 255 : errors;
}
