// Zel::SharedMemory: attach makes or opens the named block; data is shared across processes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "zel/shared_memory.h"

TEST(SharedMemoryTest, AttachMakesOnceAndSharesAcrossFork)
{
    std::string name = "zel-test-block-" + std::to_string(getpid()) + "-ipc2";
    Zel::SharedMemory first(name.c_str(), 36);
    EXPECT_EQ(first.Data(), nullptr);
    ASSERT_TRUE(first.ProcessAttach());
    EXPECT_TRUE(first.Created());
    ASSERT_TRUE(first.ProcessAttach());  // already attached: no change
    static_cast<int32_t*>(first.Data())[8] = 4242;

    pid_t child = fork();
    if (child == 0) {
        Zel::SharedMemory mine(name.c_str(), 36);
        if (!mine.ProcessAttach() || mine.Created())
            _exit(2);
        if (static_cast<int32_t*>(mine.Data())[8] != 4242)
            _exit(3);
        static_cast<int32_t*>(mine.Data())[0] = 7;
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(static_cast<int32_t*>(first.Data())[0], 7);
    first.ProcessDetach();
    EXPECT_FALSE(first.IsAttached());
    EXPECT_TRUE(Zel::SharedMemory::Remove(name.c_str()));
    Zel::SharedMemory unnamed(nullptr, 36);
    EXPECT_FALSE(unnamed.ProcessAttach());
}

TEST(SharedMemoryTest, BlockLeftByEndedProcessesStartsFresh)
{
    std::string name = "zel-test-stale-" + std::to_string(getpid());
    {
        Zel::SharedMemory writer(name.c_str(), 36);
        ASSERT_TRUE(writer.ProcessAttach());
        static_cast<int32_t*>(writer.Data())[6] = 1;  // say, a closing word
    }
    Zel::SharedMemory reader(name.c_str(), 36);
    ASSERT_TRUE(reader.ProcessAttach());
    EXPECT_TRUE(reader.Created());
    EXPECT_EQ(static_cast<int32_t*>(reader.Data())[6], 0);
    Zel::SharedMemory::Remove(name.c_str());
}
