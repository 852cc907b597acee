// vqx-motorsim as a person runs it: it prints the device, serves it, and ends cleanly on a signal.

#include "tests/sim/unit/PcLine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vqxsim::test {
namespace {

// Starts the tool with its output on a pipe; returns its first line. With control, its input is
// a pipe too (written through *control) and its output stays open (read through *output).
std::string StartTool(const std::vector<std::string>& args, pid_t& pid, int* control = nullptr, int* output = nullptr)
{
    int out[2], in[2];
    if (pipe(out) != 0 || pipe(in) != 0)
        return {};
    pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        if (control)
            dup2(in[0], STDIN_FILENO);
        close(out[0]);
        close(in[1]);
        std::vector<char*> argv{const_cast<char*>(VQX_MOTORSIM_PATH)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VQX_MOTORSIM_PATH, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    if (control)
        *control = in[1];
    else
        close(in[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    if (output)
        *output = out[0];
    else
        close(out[0]);
    return line;
}

// Writes one control line and reads the tool's answer line.
std::string Say(int control, int output, const std::string& line)
{
    const std::string text = line + "\n";
    if (write(control, text.data(), text.size()) != ssize_t(text.size()))
        return "write failed";
    std::string answer;
    char c;
    while (read(output, &c, 1) == 1 && c != '\n')
        answer += c;
    return answer;
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

TEST(MotorSimTool, SpinningMotorsAndInputsAPersonToggles)
{
    pid_t pid = 0;
    int control = -1, output = -1;
    std::string device = StartTool({"chain", "2", "--firmware", "5xx", "--spin", "65536"}, pid, &control, &output);
    if (device.rfind("/dev/pts/", 0) != 0) {
        Stop(pid, SIGKILL);
        FAIL() << device;
    }
    {
        PcLine pc(device);
        pc.Command(1, "RP");
        const std::string first = pc.ReadUntil("\r");
        ASSERT_EQ(first.rfind("\x81RP ", 0), 0u) << first;
        // One count a sample is some 4000 counts a second: a clear step after a while.
        usleep(100000);
        pc.Command(1, "RP");
        const std::string later = pc.ReadUntil("\r");
        EXPECT_GT(std::stol(later.substr(4)), std::stol(first.substr(4))) << first << " then " << later;

        EXPECT_EQ(Say(control, output, "input 2 0 1"), "ok");
        pc.Command(2, "RIN");
        EXPECT_EQ(pc.ReadUntil("\r"), "\x82RIN 1\r");
        EXPECT_EQ(Say(control, output, "limit 1 + 1"), "ok");
        // The motor sees its inputs once a sample; this line has no byte time to give it one.
        usleep(5000);
        pc.Command(1, "RBp");
        EXPECT_EQ(pc.ReadUntil("\r"), "\x81RBp 1\r");
        pc.Command(1, "RBt");
        EXPECT_EQ(pc.ReadUntil("\r"), "\x81RBt 0\r") << "the asserted limit stopped the turning motor";
        EXPECT_EQ(Say(control, output, "power 1"), "ok");
        usleep(100000);
        pc.Command(1, "RBo");
        EXPECT_EQ(pc.ReadUntil("\r"), "\x81RBo 1\r") << "off after the power cycle";
        EXPECT_EQ(Say(control, output, "input 9 0 1"), "which motor? 1..2");
        EXPECT_EQ(Say(control, output, "wiggle 1"), "not understood: wiggle 1");
    }
    close(control);
    close(output);
    EXPECT_EQ(Stop(pid, SIGTERM), 0);
}

} // namespace
} // namespace vqxsim::test
