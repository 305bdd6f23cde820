// Building, validating and finding the asset specs of the registry.
#pragma once

#include "assetdb/pemberlynx_spec.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

// None for the null id and for (-1, -2, 127); else the registered spec with
// a new reference.
PemberlynxSpecRef FindLoadedSpec(const KUID& id);
// Chooses the factory of the config's "kind" (else the default one, else the
// base spec), builds and registers the asset spec; none when nothing was built.
PemberlynxSpecRef CreateSpecForKind(const KUID& assetId, const Zel::PString& databaseName,
                                    const Zel::String& parentFolder, const Zel::String& assetFolderName,
                                    const SoupHandle& config);
// Sets or clears the valid flag; a spec that is not valid is retired.
void ValidateSpec(PemberlynxSpec& spec);
// Once per spec: marks it, OnFirstUse, ValidateSpec.
void RunSpecFirstUse(PemberlynxSpec& spec);
// True when the asset spec went through first use and is valid for a real id.
bool IsSpecUsable(PemberlynxSpec& spec);
