// Findings' texts: an interface-text key looked up and filled through the safe formatter.
#pragma once

#include "foundation/base/safe_format.h"
#include "zel/pstring.h"

namespace DODLib {

// The current language's text of a "$dod_" key (the key itself when missing).
Zel::PString FindingFormat(const char* key);

// The text of the key filled printf-style with the arguments. Interface texts
// are data: a malformed or hostile format only misprints, it never reads an
// argument that was not passed.
template <class... Args>
Zel::PString FindingText(const char* key, const Args&... args)
{
    const Zel::PString format = FindingFormat(key);
    // A text without parameters is used as it stands, not as a format.
    if constexpr (sizeof...(Args) == 0)
        return format;
    else
        return Zel::PString(SafeFormat(format.View(), args...));
}

}  // namespace DODLib
