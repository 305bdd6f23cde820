// Small tests on soups and names that the template reader makes everywhere.
#pragma once

#include <string_view>

#include "soup/soup_handle.h"

namespace DODLib {

// A handle on a real sub-soup (not absent, not a value).
inline bool IsRealSoup(const SoupHandle& soup)
{
    return soup.Root() && soup.Root()->GetType() == SoupTypeContainer;
}

inline bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace DODLib
