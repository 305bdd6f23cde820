// Running a batch file line by line: blocks, results, long lines and unreadable files.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/application.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

class BatchRunnerTest : public testing::Test {
protected:
    KorvelTest::TempFolder scratch_;
    void SetUp() override
    {
        ASSERT_FALSE(scratch_.Root().empty());
        folder_ = scratch_.Root();
    }

    std::string Write(const std::string& content)
    {
        std::string path = folder_ + "/batch.txt";
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Runs the batch and returns its standard output.
    std::string Run(const std::string& path, int& result, std::string* errors = nullptr)
    {
        AppContext context;
        char program[] = "KorvelUtil";
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        result = RunBatchFile(context, program, path.c_str());
        std::fflush(stdout);
        std::string err = testing::internal::GetCapturedStderr();
        if (errors)
            *errors = err;
        return testing::internal::GetCapturedStdout();
    }

    std::string folder_;
};

TEST_F(BatchRunnerTest, EachLineGetsItsBlockAndAnEmptyLine)
{
    int result = -7;
    std::string out = Run(Write("echo a\n\necho b\r\n"), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "a \nOK (0 Errors, 0 Warnings)\n\nb \nOK (0 Errors, 0 Warnings)\n\n");
}

TEST_F(BatchRunnerTest, AFailingLineMakesTheResultMinusOneAndTheBatchGoesOn)
{
    int result = 0;
    std::string out = Run(Write("nosuchcommand\necho after"), result);
    EXPECT_EQ(result, -1);
    EXPECT_NE(out.find("after \nOK (0 Errors, 0 Warnings)\n\n"), std::string::npos);
}

TEST_F(BatchRunnerTest, EmptyFileRunsNothing)
{
    int result = -7;
    EXPECT_EQ(Run(Write(""), result), "");
    EXPECT_EQ(result, 0);
}

TEST_F(BatchRunnerTest, LongLineRunsNoneOfItsPiecesAndFails)
{
    int result = 0;
    std::string tail(200, 'y');
    std::string out = Run(Write("echo " + std::string(700, 'x') + " echo " + tail + "\necho next\n"), result);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(out, "- <NULL> : Line too long.\nOK (1 Errors, 0 Warnings)\n\nnext \nOK (0 Errors, 0 Warnings)\n\n");
}

TEST_F(BatchRunnerTest, LineFillingTheBufferExactlyStillRuns)
{
    // 511 bytes including LF, and 510 content bytes with a CR LF split by
    // the buffer's edge: neither is a long line.
    std::string word510(505, 'z');
    int result = -7;
    std::string out = Run(Write("echo " + std::string(505, 'z') + "\n" + "echo " + word510 + "\r\n"), result);
    EXPECT_EQ(result, 0);
    std::string block = "z" + std::string(504, 'z') + " \nOK (0 Errors, 0 Warnings)\n\n";
    EXPECT_EQ(out, block + block);
}

TEST_F(BatchRunnerTest, FolderOrMissingFileIsReportedAsMissing)
{
    for (std::string path : {folder_, folder_ + "/absent.txt"}) {
        int result = 0;
        std::string errors;
        EXPECT_EQ(Run(path, result, &errors), "");
        EXPECT_EQ(result, -1);
        EXPECT_EQ(errors, "-The file \"" + path + "\" does not exist, please specify a valid filename\n");
    }
}

}  // namespace
