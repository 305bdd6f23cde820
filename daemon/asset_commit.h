// Committing an asset's edit copy: the next committed revision, after its texture sources are converted.
#pragma once

#include <cstdint>

class KUID;
struct KADRequestContext;

// Makes the asset's edit copy its next committed revision (flags as
// CommitAsset's: 4 signature verified, 8 no texture conversion), with error
// lines about the asset for the requester. False, and the asset stays open
// for edit, when it could not be committed; `replaced` tells whether an
// earlier revision was replaced.
bool KADCommitEditCopy(KADRequestContext& context, const KUID& id, std::int32_t flags, bool& replaced);
