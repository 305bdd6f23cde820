// CheckForUpdate: the background job that asks the daemon to fetch the maker's update page.
#pragma once

#include <string>

class KADTask;

// The maker's web server: deployment configuration (only the path is fixed).
constexpr const char* UpdatePageServer = "https://www.korvel.invalid";
constexpr const char* UpdatePagePath = "/games/gamefiles/korvel/update.htm";

// Pause between two completion checks; Zel::Time::Delay unless a test drives it.
using UpdateCheckDelay = void (*)(int milliseconds);

// Fetches "<server>/games/gamefiles/korvel/update.htm" as a page through the
// daemon, asking every 100 ms whether it is complete, without a time limit.
// Reports progress 1.0 to the sink only when the page was fetched; a failed
// fetch, a query the daemon refused and a daemon that stopped answering
// report nothing.
void CheckForUpdate(KADTask& sink, const std::string& server = UpdatePageServer, UpdateCheckDelay delay = nullptr);
