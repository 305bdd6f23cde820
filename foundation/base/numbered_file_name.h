// The one rule that makes a file name unique: "name.ext", then "name_2.ext", "name_3.ext"...
#pragma once

#include <cstddef>

// Writes the candidate of the given number for path into out: number 1 (or
// less) is the path itself; a higher number puts "_<number>." between the stem
// and the extension. The stem ends at the last '.' that follows the last '/'
// or '\\'; without such a dot the whole path is the stem and the extension is
// empty, so "name" becomes "name_2." (the dot is kept, as the log writer and
// the crash dump have always named them).
// Writes only into out, so the crash path may call it from the fault handler.
// False (and an empty out) when the candidate does not fit in capacity bytes.
bool FormatNumberedFileName(char* out, std::size_t capacity, const char* path, int number);
