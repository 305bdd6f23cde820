// Benchmark: LogFile writes of 100,000 lines against fwrite of the same lines to a file, in the same run.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "best_of.h"
#include "foundation/base/code_page.h"
#include "foundation/base/log_file.h"

namespace {

constexpr int LineCount = 100000;

}  // namespace

int main()
{
    char pattern[] = "/tmp/logfile-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string folder = pattern;
    std::u16string wideFolder;
    CodePageToUtf16(folder + "/", CP_UTF8, wideFolder);
    GetLogFileSettings().baseFolder = wideFolder;

    std::vector<std::string> lines;
    for (int i = 0; i < LineCount; ++i)
        lines.push_back("CommandHost> question " + std::to_string(i) +
                        " answered for <kuid2:523:" + std::to_string(100000 + i) + ":1>\r\n");

    int round = 0;
    double ours = bench::BestOf([&] {
        LogFile log(u"logs", u"bench" + std::u16string(1, char16_t(u'a' + round++)) + u".txt");
        for (const std::string& line : lines)
            log.Write(line.data(), line.size());
        log.Close();
    });
    double peer = bench::BestOf([&] {
        std::FILE* file = std::fopen((folder + "/peer.txt").c_str(), "wb");
        for (const std::string& line : lines)
            std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    });
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::printf("LogFile, %d lines: ours %.2f ms, fwrite of the same lines %.2f ms, ratio %.2f (goal <= 2)\n",
                LineCount, ours * 1e3, peer * 1e3, ours / peer);
    return 0;
}
