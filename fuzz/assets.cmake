# Fuzz targets of the asset requests: the filter tree and asset-info readers.
korvel_fuzz_target(asset_filter_reader LIBS assetdb)
