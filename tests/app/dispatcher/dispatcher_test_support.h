// Runs one command line through DispatchCommand in process and collects what it wrote and printed.
#pragma once

#include <string>
#include <vector>

struct DispatchOutcome {
    std::string output;  // standard output, then the printed log
    int result;
};

// Entry 0 (the program path) is put in front of the words, as in both the
// direct and the batch mode.
DispatchOutcome RunCommandLine(std::vector<std::string> words);
