// Reads and writes that go on across short transfers, and a write to a full file system.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/file_io.h"
#include "support/scratch_tmpfs.h"
#include "support/temp_folder.h"

namespace {

TEST(PlatformFileIO, ReadFullGathersWhatComesInPiecesAndStopsAtTheEnd)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    std::string sent(3 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<char>(i * 7);
    // A pipe holds far less than this: the reader gets it in many short reads.
    std::thread writer([&] {
        EXPECT_TRUE(Platform::WriteAll(pipeEnds[1], sent.data(), sent.size()));
        close(pipeEnds[1]);
    });
    std::vector<char> got(sent.size() + 100);
    ssize_t count = Platform::ReadFull(pipeEnds[0], got.data(), got.size());
    writer.join();
    close(pipeEnds[0]);
    ASSERT_EQ(count, static_cast<ssize_t>(sent.size()));
    EXPECT_EQ(std::string(got.data(), sent.size()), sent);
}

TEST(PlatformFileIO, AClosedDescriptorIsAFailure)
{
    char byte = 0;
    errno = 0;
    EXPECT_EQ(Platform::ReadSome(-1, &byte, 1), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(Platform::WriteAll(-1, &byte, 1));
}

TEST(PlatformFileIO, WriteAllToAFullFileSystemFailsWithoutSpinning)
{
    KorvelTest::TempFolder place;
    KorvelTest::ScratchTmpfs small(place / "disk", 64 << 10);
    if (!small.Mounted())
        GTEST_SKIP() << small.Reason();
    int file = open((small / "big").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(file, 0);
    std::string bytes(1024 * 1024, 'x');
    errno = 0;
    EXPECT_FALSE(Platform::WriteAll(file, bytes.data(), bytes.size()));
    EXPECT_EQ(errno, ENOSPC);
    close(file);
}

}  // namespace
