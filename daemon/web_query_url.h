// The address a web query really fetches: rewritten through the table, and only over HTTP or HTTPS.
#pragma once

#include <string>
#include <vector>

#include "daemon/web_query_config.h"

// Fills `url` with the address to fetch, or returns false with a short
// reason in `error`: the text is no URL, or its scheme (after the rewrite)
// is neither "http" nor "https" (a file://, ftp:// or other request must
// never make the daemon read local files or reach other services).
bool KADPrepareWebUrl(const std::string& requested, const std::vector<KADWebRewrite>& rewrites, std::string& url,
                      std::string& error);
