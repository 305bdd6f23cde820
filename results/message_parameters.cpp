// "$(NAME)" parameter substitution in result-line texts.
#include <string>

#include "results/results_log.h"

void SubstituteMessageParameter(const Zel::AnsiString& value, Zel::AnsiString& text, const char* name)
{
    std::string pattern = "$(";
    pattern += name != nullptr ? name : "";
    pattern += ")";
    int position = text.FindIgnoreCase(pattern.c_str(), 0);
    while (position >= 0) {
        text.Del(size_t(position), pattern.size());
        text.Ins(size_t(position), value.c_str());
        // Searching on from just past the value keeps a value that itself
        // holds the placeholder from being expanded again (and from looping).
        int next = position + int(value.Size());
        if (next > int(text.Size()))
            break;
        position = text.FindIgnoreCase(pattern.c_str(), next);
    }
}
