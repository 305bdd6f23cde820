// The content-service stand-in as a process of its own, for the installfromchb benchmark: serves one archive and its search answer.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "e2e/content_service/content_service.h"

// Usage: content_service_stand_in <archive> <user:content> <asset tag>
// Prints the base URL on one line, then serves "/dl/bench.cdp" and the search
// answer for the asset until its standard input closes.
int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <archive> <user:content> <asset tag>\n", argv[0]);
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    ContentService::StandIn service;
    if (!service.Start()) {
        std::fprintf(stderr, "cannot listen\n");
        return 1;
    }
    std::string archive = bytes.str();
    service.ServeFile("/dl/bench.cdp", archive);
    service.SetSearchAnswer(argv[2], ContentService::SearchAnswer({{argv[3], argv[3], service.UrlOf("/dl/bench.cdp"),
                                                                    static_cast<int>(archive.size()), "Bench"}}));
    std::printf("%s\n", service.BaseUrl().c_str());
    std::fflush(stdout);
    char ignored[256];
    while (read(0, ignored, sizeof ignored) > 0) {}
    service.Stop();
    return 0;
}
