// Unquoting and unescaping of script literals.
#include "script/common/string_literal.h"

namespace Utils {

std::string DecodeStringLiteral(const char* token, size_t length, bool escapes)
{
    std::string out;
    if (length > 0 && (token[length - 1] == '"' || token[length - 1] == '\''))
        --length;
    size_t i = 0;
    if (i < length && token[i] == 'L')
        ++i;
    if (i >= length || (token[i] != '"' && token[i] != '\''))
        return out;
    ++i;
    out.reserve(length - i);
    for (; i < length; ++i) {
        char c = token[i];
        if (c == '\0')
            break;
        if (!escapes || c != '\\') {
            out.push_back(c);
            continue;
        }
        if (i + 1 >= length)
            break;
        char e = token[++i];
        switch (e) {
        case '0':
            return out;
        case 'a':
            out.push_back('\a');
            break;
        case 'b':
            out.push_back('\b');
            break;
        case 'f':
            out.push_back('\f');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'v':
            out.push_back('\v');
            break;
        default:
            out.push_back(e);
            break;
        }
    }
    return out;
}

}  // namespace Utils
