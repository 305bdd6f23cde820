// Code-list append, engine string builders and name/value pair release.
#include "foundation/base/text_helpers.h"

#include <cmath>
#include <cstring>

namespace {

bool IsListSeparator(char c)
{
    return c == ';' || c == '|';
}

}  // namespace

void AppendListEntry(const char* text, Zel::AnsiString& out)
{
    if (text == nullptr || text[0] == '\0' || IsListSeparator(text[0]))
        return;
    size_t length = std::strcspn(text, ";|");
    if (!out.IsEmpty())
        out.Add(';');
    out.Add(std::string_view(text, length));
}

Zel::String StringFromText(const char* text)
{
    return Zel::String(text);
}

Zel::String CopyString(const Zel::AnsiString& string)
{
    return Zel::String(string);
}

PStringPair::~PStringPair()
{
    ReleasePStringPair(*this);
}

void ReleasePStringPair(PStringPair& pair)
{
    pair.second.Release();
    pair.first.Release();
}

float SqrtF(float value)
{
    return std::sqrt(value);
}
