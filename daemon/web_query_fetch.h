// One HTTP(S) fetch into a file, with time-outs, a size cap and a cancel flag.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "daemon/web_query_config.h"

// Result codes of a web query, as GetWebQueryStatus reports them: 0 success, an
// HTTP status of 400 or more, or a transfer failure as this base plus
// libcurl's error number.
constexpr std::uint32_t KADWebResultOk = 0;
constexpr std::uint32_t KADWebResultTransferBase = 1000;

struct KADWebFetchResult {
    std::uint32_t httpStatus = 0;
    std::uint32_t resultCode = KADWebResultOk;
    std::uint64_t byteCount = 0;
    // Empty for a success.
    std::string errorText;
    bool Succeeded() const { return resultCode == KADWebResultOk; }
};

// Fetches `url` (already checked by KADPrepareWebUrl) into `filePath`,
// replacing it. Only http and https are followed, redirects included; a body
// over the cap, a status of 400 or more, a body shorter than announced, a
// time-out or a set cancel flag is a failure, and then no file is left
// behind. Returns within the configured total time-out.
KADWebFetchResult KADFetchUrl(const std::string& url, const std::string& filePath, const KADWebConfig& config,
                              const std::atomic<bool>& cancel);

// Process-wide libcurl set-up, done once before the first fetch.
void KADInitialiseWebFetch();
