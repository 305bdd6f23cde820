// Deeply nested soups and config texts, for the tests of nesting limits.
#pragma once

#include <string>

#include "soup/soup_handle.h"

namespace TestSupport {

// `levels` containers named "level", each the only tag of the one above,
// the innermost holding "leaf" 1; in the text form, one tag per line.
inline std::string NestedSoupText(int levels)
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "level\r\n{\r\n";
    text += "leaf 1\r\n";
    for (int i = 0; i < levels; ++i)
        text += "}\r\n";
    return text;
}

// The same nesting as a soup: "level" holds `levels - 1` more levels, so
// a soup that holds it as a tag nests `levels` deep.
inline SoupHandle NestedSoup(int levels)
{
    SoupHandle inner;
    inner.SetNamedTagInt(Zel::PString("leaf"), 1);
    for (int i = 1; i < levels; ++i) {
        SoupHandle outer;
        outer.SetNamedSoup(Zel::PString("level"), inner);
        inner = outer;
    }
    return inner;
}

}  // namespace TestSupport
