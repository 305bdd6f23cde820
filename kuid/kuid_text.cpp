// KUID text forms as interned and engine strings.
#include "kuid/kuid.h"

namespace {

template <class Text>
Text Formatted(const KUID& id, int (KUID::*format)(char*) const)
{
    char buffer[KUID::TextCapacity];
    int length = (id.*format)(buffer);
    return Text(buffer, size_t(length));
}

}  // namespace

Zel::PString KUID::ToTagString() const
{
    return Formatted<Zel::PString>(*this, &KUID::FormatTagString);
}

Zel::PString KUID::ToTagStringNoVersion() const
{
    return Formatted<Zel::PString>(*this, &KUID::FormatTagStringNoVersion);
}

Zel::String KUID::ToColonString() const
{
    return Formatted<Zel::String>(*this, &KUID::FormatColonString);
}

Zel::String KUID::ToKeywordString() const
{
    return Formatted<Zel::String>(*this, &KUID::FormatKeywordString);
}
