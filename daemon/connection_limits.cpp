// What one client may hold of the daemon: idle time, connection count, payload memory; from kaddaemon.cfg.
#include "daemon/connection_limits.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>

#include "soup/soup_handle.h"

namespace {

constexpr int MaxIdleSeconds = 7 * 24 * 3600;
// Each connection has a reader thread; this many threads is still cheap.
constexpr std::size_t DefaultMaxConnections = 4096;
constexpr std::size_t FewestConnections = 8;
constexpr std::size_t MostConnections = 65536;
// Descriptors kept for the index, copied files, web results and hosts.
constexpr std::size_t DescriptorsKept = 256;
constexpr std::int32_t SmallestBudget = 1024 * 1024;

}  // namespace

KADConnectionLimits KADConnectionLimitsFrom(const SoupHandle& config)
{
    KADConnectionLimits limits;
    std::int32_t idle = config.GetNamedTagAsInt(Zel::PString("connection-idle-timeout"), -1);
    if (idle >= 1 && idle <= MaxIdleSeconds)
        limits.idleSeconds = idle;
    std::int32_t connections = config.GetNamedTagAsInt(Zel::PString("max-connections"), -1);
    if (connections >= static_cast<std::int32_t>(FewestConnections) &&
        connections <= static_cast<std::int32_t>(MostConnections))
        limits.maxConnections = static_cast<std::size_t>(connections);
    std::int32_t budget = config.GetNamedTagAsInt(Zel::PString("request-memory-budget"), -1);
    if (budget >= SmallestBudget)
        limits.payloadBudget = static_cast<std::size_t>(budget);
    std::int32_t silence = config.GetNamedTagAsInt(Zel::PString("command-host-silence"), -1);
    if (silence >= 1 && silence <= MaxIdleSeconds)
        limits.hostSilenceSeconds = silence;
    return limits;
}

std::size_t KADRaiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > MostConnections + DescriptorsKept)
        return MostConnections + DescriptorsKept;
    return static_cast<std::size_t>(limit.rlim_cur);
}

std::size_t KADConnectionCap(std::size_t configured, std::size_t descriptorLimit)
{
    std::size_t wanted = configured != 0 ? configured : DefaultMaxConnections;
    std::size_t fit =
        descriptorLimit > DescriptorsKept + FewestConnections ? descriptorLimit - DescriptorsKept : FewestConnections;
    return std::min(wanted, fit);
}
