// Console output: the console-text conversions, the line writer and the UTF-16 pipe.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

#include "foundation/base/console_output.h"
#include "foundation/base/console_pipe.h"

namespace {

struct WideCase {
    char16_t wide;
    unsigned char narrow;
};

const WideCase wideCases[] = {
    {u' ', ' '},       {u'~', '~'},       {u'\x7F', 0x7F},   {u'\t', '\t'},     {u'\n', '\n'},
    {u'\r', '\r'},     {u'\x01', '?'},    {u'\u00AB', 0xAB}, {u'\u00B0', 0xB0}, {u'\u00BB', 0xBB},
    {u'\u2013', 0x96}, {u'\u2018', 0x91}, {u'\u2019', 0x92}, {u'\u201C', 0x93}, {u'\u201D', 0x94},
    {u'\u2026', 0x85}, {u'\u00E9', '?'},  {u'\u00A0', '?'},  {u'\u4E2D', '?'},
};

TEST(ConsoleText, WideToConsoleTextTable)
{
    for (const WideCase& c : wideCases) {
        std::u16string input(1, c.wide);
        EXPECT_EQ(WideToConsoleText(input), std::string(1, static_cast<char>(c.narrow))) << int(c.wide);
    }
    EXPECT_EQ(WideToConsoleText(static_cast<const char16_t*>(nullptr)), "");
}

TEST(ConsoleText, ConsoleTextToWideKeepsMarksAndWidensOtherHighBytesSigned)
{
    EXPECT_EQ(ConsoleTextToWide("A\x85\x93\xB0"), u"A\u2026\u201C\u00B0");
    EXPECT_EQ(ConsoleTextToWide("\xE9"), std::u16string(1, char16_t(0xFFE9)));
    EXPECT_EQ(ConsoleTextToWide("\x80"), std::u16string(1, char16_t(0xFF80)));
    EXPECT_EQ(ConsoleTextToWide(std::string_view("\0x", 2)), std::u16string(u"\0x", 2));
}

std::string CaptureLine(void (*write)())
{
    testing::internal::CaptureStdout();
    write();
    return testing::internal::GetCapturedStdout();
}

TEST(ConsoleOutput, LinesEndInLineFeedOnly)
{
    EXPECT_EQ(CaptureLine([] { WriteConsoleLine("plain"); }), "plain\n");
    EXPECT_EQ(CaptureLine([] { ConsolePrintf("%s=%d", "x", 3); }), "x=3\n");
    EXPECT_EQ(CaptureLine([] { ConsolePrintf("%s", ""); }), "\n");
}

TEST(ConsoleOutput, WideFormatIsNarrowedToConsoleText)
{
    EXPECT_EQ(CaptureLine([] { ConsolePrintfW(u"caf\u00e9 %s %d", u"\u201Cq\u201D", 5); }), "caf? \x93q\x94 5\n");
    EXPECT_EQ(CaptureLine([] { ConsolePrintfW(u"narrow %s", "arg"); }), "narrow arg\n");
}

TEST(ConsoleOutput, FormattedTextIsWrittenWholeUpTo65535Characters)
{
    EXPECT_EQ(CaptureLine([] { ConsolePrintf("%s", std::string(4096, 'a').c_str()); }).size(), 4097u);
    EXPECT_EQ(CaptureLine([] { ConsolePrintf("%s", std::string(70000, 'b').c_str()); }).size(), 65536u);
}

TEST(ConsoleOutput, LogFileSinkGetsEachLineFirst)
{
    static std::string seen;
    SetConsoleLogFileSink([](const std::string& line) { seen += line + "|"; });
    CaptureLine([] { WriteConsoleLine("one"); });
    SetConsoleLogFileSink(nullptr);
    CaptureLine([] { WriteConsoleLine("two"); });
    EXPECT_EQ(seen, "one|");
}

// The parent listens on the pipe named after the child's pid before the
// child execs; the child's writer finds it at load and sends UTF-16LE.
TEST(ConsolePipe, ChildFindsPipeNamedAfterItsPidAtLoad)
{
    if (std::getenv("KORVEL_CONSOLE_PIPE_CHILD"))
        GTEST_SKIP() << "child side";
    int sync[2];
    ASSERT_EQ(pipe(sync), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(sync[1]);
        char go;
        if (read(sync[0], &go, 1) != 1)
            _exit(2);
        setenv("KORVEL_CONSOLE_PIPE_CHILD", "1", 1);
        execl("/proc/self/exe", "console_child", "--gtest_filter=ConsolePipeChild.*", nullptr);
        _exit(3);
    }
    close(sync[0]);
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    std::string name = ConsolePipeName(child);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    ASSERT_EQ(write(sync[1], "g", 1), 1);
    close(sync[1]);
    int connection = accept(listener, nullptr, nullptr);
    ASSERT_GE(connection, 0);
    std::string bytes;
    char buffer[4096];
    ssize_t got;
    while ((got = read(connection, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    close(connection);
    close(listener);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const char expected[] = "h\0i\0\x1C\x20\n\0";
    EXPECT_EQ(bytes, std::string(expected, sizeof expected - 1));
}

TEST(ConsolePipeChild, WritesOneLineThroughThePipe)
{
    if (!std::getenv("KORVEL_CONSOLE_PIPE_CHILD"))
        GTEST_SKIP() << "run by ConsolePipe.ChildFindsPipeNamedAfterItsPidAtLoad";
    ASSERT_TRUE(ConsoleOutputIsPipe());
    ConsolePrintf("hi\x93");
}

}  // namespace
