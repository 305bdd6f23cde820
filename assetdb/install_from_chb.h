// Installing an asset and its missing dependencies from the online content service, through the daemon's web queries.
#pragma once

#include <cstdint>

#include "foundation/containers/chunked_list.h"
#include "assetdb/url.h"
#include "kuid/kuid.h"
#include "zel/pstring.h"

class ResultsLog;
class SoupHandle;

// One record of the service's search answer.
struct CHBSearchResult {
    KUID requestedAsset;       // "requires"
    KUID latestVersion;        // "latest-version"
    URL downloadUrl;           // "latest-version-path"
    int32_t downloadSize = 0;  // "latest-version-size"
    URL bannerUrl;             // "banner-uri"
    Zel::PString result;       // "result"
    Zel::PString assetName;    // "asset-name"
};

using CHBSearchResultList = ChunkedList<CHBSearchResult, 13>;

// The service's search page. The host lies under the reserved ".invalid"
// domain: the daemon's rewrite table (kaddaemon.cfg) says where the service
// really is, so nothing is fetched from a guessed address.
constexpr const char* CHBSearchPage = "https://cargohub.korvel.invalid/webservice/search";

// The search URL for an asset: its id in colon form as the search criteria.
URL MakeCHBSearchUrl(const KUID& id);

// True when at least one archive was installed. Lines go to the log (none:
// dropped).
bool InstallAssetFromCHB(const KUID& id, ResultsLog* log);

// Reads the records "0", "1", ... of a search answer (nothing when it holds
// "none"), tells the daemon each record's latest version and download size,
// and keeps each latest version that is not installed (or lacks
// dependencies) once.
void ParseCHBSearchResults(const SoupHandle& answer, CHBSearchResultList& list);

// False when the content-service install cannot run in this process (the
// program's image type was not found at start-up); true by default.
bool IsCHBInstallPossible();
void SetCHBInstallPossible(bool possible);
