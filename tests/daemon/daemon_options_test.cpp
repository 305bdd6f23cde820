// The daemon's command line: production defaults with no arguments, the test options, refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "daemon/daemon_options.h"

namespace {

bool Parse(std::vector<std::string> words, KADDaemonOptions& options)
{
    std::vector<char*> argv;
    std::string program = "kaddaemon.exe";
    argv.push_back(program.data());
    for (std::string& word : words)
        argv.push_back(word.data());
    std::string error;
    return ParseDaemonOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

}  // namespace

TEST(DaemonOptions, NoArgumentsGiveTheProductionValues)
{
    KADDaemonOptions options;
    ASSERT_TRUE(Parse({}, options));
    EXPECT_EQ(options.idleSeconds, 300);
    EXPECT_EQ(options.fastWorkers, 4);
}

TEST(DaemonOptions, IdleTimeAndWorkers)
{
    KADDaemonOptions options;
    ASSERT_TRUE(Parse({"-idle=2", "-workers=8"}, options));
    EXPECT_EQ(options.idleSeconds, 2);
    EXPECT_EQ(options.fastWorkers, 8);
}

TEST(DaemonOptions, BadWordsAreRefused)
{
    for (const char* word : {"-idle=", "-idle=0", "-idle=-5", "-idle=5s", "-idle=99999999999", "-workers=0",
                             "-workers=65", "idle=5", "-nokadclient"}) {
        KADDaemonOptions options;
        EXPECT_FALSE(Parse({word}, options)) << word;
    }
}
