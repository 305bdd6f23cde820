// Web-fetch settings of the daemon: time-outs, size cap and the address rewrite table, from kaddaemon.cfg.
#include "daemon/web_query_config.h"

#include <algorithm>

#include "soup/soup_handle.h"
#include "zel/pstring.h"

namespace {

std::int64_t ClampedSeconds(const SoupHandle& soup, const char* tag, std::int64_t defaultMs, std::int64_t maxSeconds)
{
    std::int32_t seconds = soup.GetNamedTagAsInt(Zel::PString(tag), static_cast<std::int32_t>(defaultMs / 1000));
    return std::clamp<std::int64_t>(seconds, 1, maxSeconds) * 1000;
}

void ReadRewrites(const SoupHandle& soup, std::vector<KADWebRewrite>& rewrites)
{
    SoupHandle table = soup.GetNamedSoup(Zel::PString("web-rewrite"));
    for (std::int32_t index = 0; index < table.CountTags(); ++index) {
        SoupHandle rule = table.GetIndexedSoup(index);
        Zel::PString from = rule.GetNamedTag(Zel::PString("from"));
        Zel::PString to = rule.GetNamedTag(Zel::PString("to"));
        if (from.IsEmpty() || to.IsEmpty())
            continue;
        rewrites.push_back(KADWebRewrite{std::string(from.View()), std::string(to.View())});
    }
}

}  // namespace

KADWebConfig KADWebConfigFrom(const SoupHandle& soup)
{
    KADWebConfig config;
    config.connectTimeoutMs = ClampedSeconds(soup, "web-connect-timeout", config.connectTimeoutMs, 120);
    config.totalTimeoutMs = ClampedSeconds(soup, "web-total-timeout", config.totalTimeoutMs, 3600);
    std::int32_t maxBytes = soup.GetNamedTagAsInt(Zel::PString("web-max-bytes"), -1);
    if (maxBytes > 0)
        config.maxBytes = maxBytes;
    ReadRewrites(soup, config.rewrites);
    return config;
}
