// vqx-motorsim as a person runs it: it prints the device, serves it, and ends cleanly on a signal.

#include "tests/sim/unit/PcLine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vqxsim::test {
namespace {

// Starts the tool with its output on a pipe; returns its first line.
std::string StartTool(const std::vector<std::string>& args, pid_t& pid)
{
    int out[2];
    if (pipe(out) != 0)
        return {};
    pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        std::vector<char*> argv{const_cast<char*>(VQX_MOTORSIM_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VQX_MOTORSIM_PATH, argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    return line;
}

int Stop(pid_t pid, int signal)
{
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(MotorSimTool, ChainOnAPseudoTerminalUntilStopped)
{
    pid_t pid = 0;
    std::string device = StartTool({"chain", "3", "--firmware", "462ah", "--baud", "19200"}, pid);
    if (device.rfind("/dev/pts/", 0) != 0) {
        Stop(pid, SIGKILL);
        FAIL() << device;
    }
    {
        PcLine pc(device, 19200);
        pc.Command(3, "RSP");
        EXPECT_EQ(pc.ReadUntil("\r"), "\x83RSP 24576/462ah\r");
    }
    EXPECT_EQ(Stop(pid, SIGTERM), 0);
}

TEST(MotorSimTool, UnaddressedBusAndBadArguments)
{
    pid_t pid = 0;
    std::string device = StartTool({"bus", "2", "--unaddressed", "--collision", "and"}, pid);
    if (device.rfind("/dev/pts/", 0) != 0) {
        Stop(pid, SIGKILL);
        FAIL() << device;
    }
    {
        PcLine pc(device);
        pc.Command(114, "RBo");
        EXPECT_EQ(pc.ReadUntil("\r"), "1\r");
    }
    EXPECT_EQ(Stop(pid, SIGINT), 0);

    std::string none = StartTool({"ring", "2"}, pid);
    EXPECT_EQ(none, "");
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

} // namespace
} // namespace vqxsim::test
