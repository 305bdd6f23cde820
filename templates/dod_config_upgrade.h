// Upgrade of configs written before build 2.9 into the current layout, in memory, before the template checks.
#pragma once

#include "soup/soup_handle.h"
#include "zel/pstring.h"

namespace DODLib {

// Rewrites the config when the build of the check (the data manager's) is
// below 2.9, then stamps it "korvel-build" 2.9. The asset's files are left
// alone.
void UpgradeOldConfigIfNeeded(SoupHandle& config);
// The rewrite itself: old mesh layouts become mesh tables, numbered tags
// lists, old tag names current ones, and stray tags are dropped.
void UpgradeOldConfig(SoupHandle& config);
// True when a top-level template of the library offers a tag of the name,
// itself or through what it inherits.
bool IsTemplateTopLevelTag(const Zel::PString& name);

}  // namespace DODLib
