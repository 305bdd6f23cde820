// Web-fetch settings of the daemon: time-outs, size cap and the address rewrite table, from kaddaemon.cfg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One rewrite: a request whose scheme, host and port match `from` goes to
// `to` instead, with `to`'s path put in front of the request's path. The
// program asks for the content service under a constant host of the reserved
// ".invalid" domain, so nothing is fetched until an installation (or a test)
// says where the service really is.
struct KADWebRewrite {
    std::string from;
    std::string to;
};

struct KADWebConfig {
    std::int64_t connectTimeoutMs = 15000;
    std::int64_t totalTimeoutMs = 120000;
    std::int64_t maxBytes = std::int64_t(512) << 20;
    std::int32_t maxRedirects = 5;
    std::vector<KADWebRewrite> rewrites;
};

class SoupHandle;

// Reads the web settings from the text soup of kaddaemon.cfg:
//   web-connect-timeout <seconds>     (1 to 120, default 15)
//   web-total-timeout <seconds>       (1 to 3600, default 120)
//   web-max-bytes <bytes>             (1 to 2 GiB, default 512 MiB)
//   web-rewrite { 0 { from "https://cargohub.korvel.invalid" to "http://127.0.0.1:8080" } 1 { ... } }
// A missing tag keeps the default; out-of-range values are clamped, so a bad
// file can never make a fetch unbounded.
KADWebConfig KADWebConfigFrom(const SoupHandle& config);
