// Helpers of the compiler driver tests: sources in a temporary tree, the
// command line run with its standard output captured.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/common/source_file.h"
#include "script/compiler/command_line.h"
#include "support/temp_folder.h"

namespace driver_test {

struct CommandRun {
    int result = 0;
    std::string out;
};

// Runs the compiler's command line; words[0] is the program path.
inline CommandRun RunCompiler(std::vector<std::string> words)
{
    std::vector<char*> table;
    for (std::string& word : words)
        table.push_back(word.data());
    CommandRun run;
    testing::internal::CaptureStdout();
    run.result = GSCompiler::RunCommandLine(int(table.size()), table.data());
    run.out = testing::internal::GetCapturedStdout();
    return run;
}

// A class that compiles on its own.
inline std::string ClassSource(const std::string& name, const std::string& body = "int value;")
{
    return "class " + name + " {\n" + body + "\n};\n";
}

// Makes `relative`.gse in the tree from a plain text.
inline void WriteProtected(const KorvelTest::TempFolder& tree, const std::string& relative, const std::string& text)
{
    const size_t slash = relative.rfind('/');
    if (slash != std::string::npos)
        tree.MakeFolder(relative.substr(0, slash));
    GSSourceFile source;
    source.SetText(text.data(), uint32_t(text.size()));
    ASSERT_TRUE(source.Save(nullptr, (tree / relative).c_str()));
}

}  // namespace driver_test
