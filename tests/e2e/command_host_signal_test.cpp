// The command host end to end: a real host process with the real daemon, ended in order by console signals.
#include "e2e/harness/e2e_harness.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A running `KorvelUtil kadcommandhost -zellog` whose output (the diagnostic
// lines included) goes to a file the test reads while it runs.
class HostProcess {
public:
    HostProcess(const E2E::Installation& installation, const std::string& outputPath) : outputPath_(outputPath)
    {
        std::string program = installation.UtilityPath();
        std::string folder = installation.PathOf("bin");
        pid_ = fork();
        if (pid_ != 0)
            return;
        int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int nothing = open("/dev/null", O_RDONLY);
        if (output < 0 || nothing < 0 || chdir(folder.c_str()) != 0)
            _exit(120);
        dup2(nothing, 0);
        dup2(output, 1);
        dup2(output, 2);
        execl(program.c_str(), program.c_str(), "kadcommandhost", "-zellog", static_cast<char*>(nullptr));
        _exit(121);
    }
    ~HostProcess()
    {
        if (pid_ > 0 && !ended_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    std::string Output() const
    {
        std::ifstream input(outputPath_);
        std::stringstream text;
        text << input.rdbuf();
        return text.str();
    }

    bool WaitForOutput(const std::string& text, int milliseconds = 30000) const
    {
        for (int waited = 0; waited < milliseconds; waited += 20) {
            if (Output().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // The wait status once the process ended; false when it did not end in time.
    bool WaitForEnd(int& status, int milliseconds = 30000)
    {
        for (int waited = 0; waited < milliseconds; waited += 20) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                ended_ = true;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    int Pid() const { return pid_; }

private:
    std::string outputPath_;
    pid_t pid_ = -1;
    bool ended_ = false;
};

TEST(CommandHostSignalTest, ConsoleSignalsEndTheHostInOrderWithExitCode0)
{
    const struct {
        int signalNumber;
        int controlType;
    } cases[] = {{SIGINT, 0}, {SIGHUP, 2}, {SIGTERM, 6}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.signalNumber);
        E2E::Installation installation;
        HostProcess host(installation, installation.PathOf("host-output.txt"));
        ASSERT_GT(host.Pid(), 0);
        // Registered and serving: the line follows RegisterCommandHost.
        ASSERT_TRUE(host.WaitForOutput("KADCommandHost\n")) << host.Output();
        ASSERT_EQ(kill(host.Pid(), test.signalNumber), 0);
        int status = 0;
        ASSERT_TRUE(host.WaitForEnd(status)) << host.Output();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << host.Output();
        EXPECT_EQ(WEXITSTATUS(status), 0);
        std::string output = host.Output();
        std::string event = "Console Window event handler called for CtrlType=" + std::to_string(test.controlType);
        size_t eventAt = output.find(event);
        size_t shutdownAt = output.find("KADCommandHost shutting down...");
        ASSERT_NE(eventAt, std::string::npos) << output;
        ASSERT_NE(shutdownAt, std::string::npos) << output;
        EXPECT_LT(eventAt, shutdownAt);
        // An orderly end leaves no dump behind.
        EXPECT_FALSE(installation.Exists("bin/Korvel-44088.dmp"));
    }
}

}  // namespace
