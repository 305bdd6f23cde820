// Splitting one line of a batch file into the words of a command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The argument table of a batch line holds 512 entries, entry 0 being the
// program's own first argument.
constexpr std::size_t BatchArgumentTableSize = 512;

struct BatchLine {
    std::vector<std::string> words;  // entries 1.. of the argument table
    bool runsNothing = false;
};

// Splits a line as read (terminator included) the way the product does:
// CR and LF from the second byte on end the line; words are separated by
// single blanks (two blanks give an empty word between them) or enclosed in
// double quotes; text after a closing quote up to the next blank, and a word
// left open by an unclosed quote, belong to no word. The line runs nothing
// when its last word begins with CR, LF or a blank (an empty line read with
// its terminator, a last quoted word beginning with a blank), or when it
// leaves no word at all.
BatchLine SplitBatchLine(std::string_view line);
