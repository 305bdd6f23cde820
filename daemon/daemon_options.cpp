// Command-line options of kaddaemon.exe.
#include "daemon/daemon_options.h"

#include <charconv>
#include <string_view>

namespace {

bool ParseCount(std::string_view text, int low, int high, int& value)
{
    int parsed = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

}  // namespace

bool ParseDaemonOptions(int argc, char** argv, KADDaemonOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view word = argv[i];
        if (word.starts_with("-idle=")) {
            if (!ParseCount(word.substr(6), 1, 7 * 24 * 3600, options.idleSeconds)) {
                error = "bad idle time: " + std::string(word);
                return false;
            }
            continue;
        }
        if (word.starts_with("-workers=")) {
            if (!ParseCount(word.substr(9), 1, 64, options.fastWorkers)) {
                error = "bad worker count: " + std::string(word);
                return false;
            }
            continue;
        }
        error = "unknown option: " + std::string(word);
        return false;
    }
    return true;
}
