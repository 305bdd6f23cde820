// LoadAssetConfig: the host's entry to the asset-spec registry's config reading.
#include "scripthost/load_asset_config.h"

#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/spec_lookup.h"

bool LoadAssetConfig(const char* databaseName, const Zel::File::Path& folder, SoupHandle& config)
{
    return ReadSpecConfig(databaseName, folder, config);
}
