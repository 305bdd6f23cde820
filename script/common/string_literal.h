// Unquoting and unescaping of script string and character literals.
#pragma once

#include <string>

namespace Utils {

// Drops a final quote, a leading L and the opening quote (no opening quote:
// the result is empty). With escapes, \0 ends the text, \a \b \f \n \r \t \v
// are control characters, any other escaped character stands for itself, and
// a lone backslash at the end ends the text. Any length is decoded.
std::string DecodeStringLiteral(const char* token, size_t length, bool escapes);

}  // namespace Utils
