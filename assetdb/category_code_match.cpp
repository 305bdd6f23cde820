// Matching category codes against code lists, expressions with alternatives and exclusions, and hash tags.
#include "assetdb/category_codes.h"

#include "foundation/base/text_helpers.h"

namespace {

bool IsCodeEnd(char c)
{
    return c == '\0' || c == ';' || c == '|';
}

}  // namespace

bool MatchCode(const char* list, const char* code)
{
    if (list == nullptr || code == nullptr || code[0] == '\0' || code[0] == '|')
        return false;
    if (code[0] == '-')
        return !MatchCode(list, code + 1);
    const char* token = list;
    while (true) {
        // Compare this token with the code byte by byte.
        const char* a = token;
        const char* b = code;
        while (!IsCodeEnd(*a) && !IsCodeEnd(*b) && *a == *b) {
            ++a;
            ++b;
        }
        if (IsCodeEnd(*b) && (*a == '\0' || *a == ';' || *a == '|'))
            return true;
        // Skip to the end of this token; "|" or the end ends the search.
        while (!IsCodeEnd(*a))
            ++a;
        if (*a != ';')
            return false;
        token = a + 1;
    }
}

bool MatchCodeList(const char* expression, const char* list)
{
    if (expression == nullptr || expression[0] == '\0')
        return true;
    const char* cursor = expression;
    while (true) {
        bool failed = false;
        while (*cursor != '\0' && *cursor != '|') {
            if (*cursor == ';') {
                ++cursor;
                continue;
            }
            if (!MatchCode(list, cursor)) {
                failed = true;
                break;
            }
            while (!IsCodeEnd(*cursor))
                ++cursor;
        }
        if (!failed)
            return true;
        while (*cursor != '\0' && *cursor != '|')
            ++cursor;
        if (*cursor == '\0')
            return false;
        ++cursor;
    }
}

void AppendHashTags(Zel::AnsiString& result, const char* base, const char* codeList)
{
    result.Set(base != nullptr ? base : "");
    if (codeList == nullptr)
        return;
    const char* cursor = codeList;
    while (*cursor != '\0') {
        if (*cursor == ';' || *cursor == '|') {
            ++cursor;
            continue;
        }
        const char* end = cursor;
        while (!IsCodeEnd(*end))
            ++end;
        Zel::String tag("#");
        tag.Add(std::string_view(cursor, size_t(end - cursor)));
        if (!MatchCode(result.c_str(), tag.c_str()))
            AppendListEntry(tag.c_str(), result);
        cursor = end;
    }
}

Zel::String FirstCode(const char* codeList)
{
    if (codeList == nullptr)
        return Zel::String();
    const char* end = codeList;
    while (*end != '\0' && *end != ';' && *end != '|')
        ++end;
    return Zel::String(codeList, size_t(end - codeList));
}
