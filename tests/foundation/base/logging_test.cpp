// Logging: texts are never formatted twice; a fatal error ends the process with 1.
#include <cstdio>

#include <gtest/gtest.h>

#include "foundation/base/logging.h"
#include "zel/log.h"
#include "zel/options.h"

namespace {

std::string CaptureLog(void (*emit)())
{
    std::FILE* file = std::tmpfile();
    Zel::Log::Init(Zel::Options("-LogStdOut"));
    Zel::Log::SetOutput(file);
    emit();
    Zel::Log::SetOutput(nullptr);
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[512];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

TEST(Logging, PercentInAnArgumentIsLoggedLiterally)
{
    std::string text = CaptureLog([] { LogMessage("Class::Method> %s", "100%d %s"); });
    EXPECT_NE(text.find("Class::Method> 100%d %s"), std::string::npos) << text;
}

TEST(LoggingDeathTest, FatalErrorWritesErrorLineAndExitsWithOne)
{
    EXPECT_EXIT(FatalError("Unable to %s.", "go on"), testing::ExitedWithCode(1), "^Error: Unable to go on\\.\n$");
}

}  // namespace
