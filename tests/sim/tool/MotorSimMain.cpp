// vqx-motorsim: simulated motors for a person (or `make run`) to point VQX at.
//
//   vqx-motorsim chain 3        three motors on an RS-232 daisy chain behind a pseudo-terminal
//   vqx-motorsim bus 4          four motors on an RS-485 bus behind a pseudo-terminal
//   vqx-motorsim net 2          two motors with Ethernet interfaces on 127.0.0.2 and 127.0.0.3
//
// Prints the device path (or the addresses) and runs until SIGINT or SIGTERM. Meanwhile it takes
// lines on its standard input that change what the motors sense (see kUsage): a person toggles
// inputs and limits while VQX watches.

#include "tests/sim/motor/HostMode.h"
#include "tests/sim/net/NetRig.h"
#include "tests/sim/wiring/SerialRig.h"

#include <csignal>
#include <functional>
#include <iostream>
#include <optional>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] =
    "usage: vqx-motorsim chain|bus|net COUNT [options]\n"
    "  --firmware TEXT     firmware of every motor (410, 450, 461, 461h, 462, 462ah, 463, 5xx; default 450)\n"
    "  --baud N            power-up speed of the motors (default 9600)\n"
    "  --parity N|O|E|I    power-up parity of the motors (default N)\n"
    "  --addresses LIST    power-up addresses, comma separated, 0 = unaddressed (default 1..COUNT)\n"
    "  --unaddressed       every motor starts without an address (answers at 114)\n"
    "  --no-echo           chain motors start with echo off (default on)\n"
    "  --channel 0|1       bus: the motor channel the bus is wired to (default 0)\n"
    "  --collision garbage|and|framing   bus: what colliding answers look like (default garbage)\n"
    "  --pacing            send at the line rate instead of at once\n"
    "  --link PATH         also make PATH a symbolic link to the device\n"
    "  --host-mode         chain/bus: the motors take host-mode position streams (Synmove)\n"
    "  --motion            (every motor moves on G, MP, MV, MT, S, X; accepted for older scripts)\n"
    "  --spin V            every motor starts turning at V (counts per sample x 65536, signed)\n"
    "  --first-ip ADDR     net: address of the first motor (default 127.0.0.2)\n"
    "  --tcp-port N        net: TCP port of every motor (default 10001)\n"
    "  --udp-port N        net: discovery port (default 30718)\n"
    "  --listen ADDR       net: where discovery broadcasts are heard (default 127.255.255.255)\n"
    "lines on standard input, M = motor 1..COUNT:\n"
    "  input M N 0|1       input N of motor M (version 5: 0..7; others: pins A..G as 0..6)\n"
    "  limit M +|- 0|1     hold the positive or negative hardware limit of motor M asserted or not\n"
    "  overheat M 0|1      motor M too hot (latches its temperature flag, servo off) or cool again\n"
    "  position M P        the shaft of motor M stands at P\n"
    "  power M             switch motor M off and on\n";

[[noreturn]] void Fail(const std::string& message)
{
    std::fprintf(stderr, "vqx-motorsim: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

int Number(const std::string& text, const char* what)
{
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > 1000000)
        Fail(std::string("bad ") + what + ": " + text);
    return int(v);
}

struct Settings {
    std::string kind;
    int count = 0;
    vqxsim::MotorProfile base;
    std::vector<int> addresses;
    bool unaddressed = false;
    bool echo = true;
    vqxsim::SerialOptions serial;
    vqxsim::NetOptions net;
    std::string link;
    bool hostMode = false;
    bool motion = false;
    std::optional<int> spin;
};

Settings Parse(int argc, char** argv)
{
    if (argc < 3)
        Fail("missing arguments");
    Settings s;
    s.kind = argv[1];
    if (s.kind != "chain" && s.kind != "bus" && s.kind != "net")
        Fail("unknown kind " + s.kind);
    s.count = Number(argv[2], "count");
    if (s.count < 1 || s.count > 120)
        Fail("count must be 1..120");
    for (int i = 3; i < argc; ++i) {
        std::string opt = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Fail("missing value for " + opt);
            return argv[++i];
        };
        if (opt == "--firmware")
            s.base.firmware = value();
        else if (opt == "--baud")
            s.base.channel[0].baud = s.base.channel[1].baud = Number(value(), "baud");
        else if (opt == "--parity") {
            std::string p = value();
            if (p.size() != 1 || std::string("NOEI").find(p[0]) == std::string::npos)
                Fail("bad parity " + p);
            s.base.channel[0].parity = s.base.channel[1].parity = p[0];
        } else if (opt == "--addresses") {
            std::stringstream in(value());
            for (std::string a; std::getline(in, a, ',');)
                s.addresses.push_back(Number(a, "address"));
        } else if (opt == "--unaddressed")
            s.unaddressed = true;
        else if (opt == "--no-echo")
            s.echo = false;
        else if (opt == "--channel")
            s.serial.busChannel = Number(value(), "channel") & 1;
        else if (opt == "--collision") {
            std::string c = value();
            if (c == "garbage")
                s.serial.collision = vqxsim::CollisionForm::Garbage;
            else if (c == "and")
                s.serial.collision = vqxsim::CollisionForm::BitwiseAnd;
            else if (c == "framing")
                s.serial.collision = vqxsim::CollisionForm::FramingError;
            else
                Fail("bad collision form " + c);
        } else if (opt == "--pacing")
            s.serial.pacing = true;
        else if (opt == "--link")
            s.link = value();
        else if (opt == "--host-mode")
            s.hostMode = true;
        else if (opt == "--motion")
            s.motion = true;
        else if (opt == "--spin") {
            const std::string v = value();
            char* end = nullptr;
            const long speed = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || speed < -100000000 || speed > 100000000)
                Fail("bad speed " + v);
            s.spin = int(speed);
        } else if (opt == "--first-ip")
            s.net.firstAddress = value();
        else if (opt == "--tcp-port")
            s.net.tcpPort = Number(value(), "port");
        else if (opt == "--udp-port")
            s.net.discoveryPort = Number(value(), "port");
        else if (opt == "--listen")
            s.net.listenAddress = value();
        else if (opt == "--help" || opt == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else
            Fail("unknown option " + opt);
    }

    if (!s.addresses.empty() && int(s.addresses.size()) != s.count)
        Fail("--addresses needs one address per motor");
    return s;
}

std::vector<vqxsim::MotorProfile> Profiles(const Settings& s)
{
    vqxsim::MotorProfile base = s.base;
    base.echo[0] = s.kind == "chain" && s.echo;
    auto profiles = vqxsim::MakeProfiles(size_t(s.count), base, !s.unaddressed);
    for (size_t i = 0; i < s.addresses.size(); ++i)
        profiles[i].address = s.addresses[i];
    return profiles;
}

// One line of standard input; the answer for the person ("ok", or what was wrong).
template <class WithMotor>
std::string Control(const std::string& line, int count, WithMotor&& withMotor)
{
    std::istringstream in(line);
    std::string what, a, b;
    int motor = 0;
    in >> what;
    if (what.empty())
        return "";
    if (!(in >> motor) || motor < 1 || motor > count)
        return "which motor? 1.." + std::to_string(count);
    in >> a >> b;
    const size_t i = size_t(motor - 1);
    if (what == "input" && !a.empty() && (b == "0" || b == "1")) {
        const int n = std::atoi(a.c_str());
        withMotor(i, [&](vqxsim::SimMotor& m) { m.SetInput(n, b == "1"); });
    } else if (what == "limit" && (a == "+" || a == "-") && (b == "0" || b == "1")) {
        withMotor(i, [&](vqxsim::SimMotor& m) { m.SetHardwareLimit(a == "+" ? 1 : -1, b == "1"); });
    } else if (what == "overheat" && (a == "0" || a == "1")) {
        withMotor(i, [&](vqxsim::SimMotor& m) { m.SetOverheat(a == "1"); });
    } else if (what == "position" && !a.empty()) {
        const int p = std::atoi(a.c_str());
        withMotor(i, [&](vqxsim::SimMotor& m) { m.SetPosition(p); });
    } else if (what == "power") {
        withMotor(i, [&](vqxsim::SimMotor& m) { m.PowerCycle(vqxsim::SimClock::now()); });
    } else {
        return "not understood: " + line;
    }
    return "ok";
}

} // namespace

int main(int argc, char** argv)
{
    Settings s = Parse(argc, argv);
    // The simulator's threads must not take the stop signals; the main thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::unique_ptr<vqxsim::SerialRig> serial;
    std::unique_ptr<vqxsim::NetRig> net;
    try {
        if (s.kind == "net") {
            net = vqxsim::NetRig::Start(Profiles(s), s.net);
            for (size_t i = 0; i < net->Count(); ++i) {
                auto id = net->Id(i);
                std::printf("motor %zu %s:%d id %02X:%02X:%02X:%02X:%02X:%02X\n", i + 1, net->MotorAddress(i).c_str(),
                            net->TcpPort(i), id[0], id[1], id[2], id[3], id[4], id[5]);
            }
            std::printf("discovery %s:%d\n", s.net.listenAddress.c_str(), net->DiscoveryPort());
        } else {
            serial = s.kind == "chain" ? vqxsim::SerialRig::Chain(Profiles(s), s.serial)
                                       : vqxsim::SerialRig::Bus(Profiles(s), s.serial);
            for (int i = 0; i < s.count && s.hostMode; ++i)
                serial->WithMotor(size_t(i), [&](vqxsim::SimMotor& m) {
                    vqxsim::AttachHostMode(m);
                    return 0;
                });
            if (!s.link.empty()) {
                unlink(s.link.c_str());
                if (symlink(serial->DevicePath().c_str(), s.link.c_str()) != 0)
                    Fail("cannot create the link " + s.link + ": " + std::strerror(errno));
            }
            std::printf("%s\n", serial->DevicePath().c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vqx-motorsim: %s\n", e.what());
        return 1;
    }
    const auto withMotor = [&](size_t i, const std::function<void(vqxsim::SimMotor&)>& f) {
        if (serial)
            serial->WithMotor(i, [&](vqxsim::SimMotor& m) { f(m); return 0; });
        else
            net->WithMotor(i, [&](vqxsim::SimMotor& m) { f(m); return 0; });
    };
    for (int i = 0; i < s.count && s.spin; ++i)
        withMotor(size_t(i), [&](vqxsim::SimMotor& m) { m.SetSteadyVelocity(*s.spin); });
    std::fflush(stdout);
    // The person's lines; at the end of the input the motors simply keep running.
    std::thread([&] {
        for (std::string line; std::getline(std::cin, line);) {
            const std::string answer = Control(line, s.count, withMotor);
            if (!answer.empty())
                std::printf("%s\n", answer.c_str());
            std::fflush(stdout);
        }
    }).detach();

    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (serial)
        serial->Stop();
    if (net)
        net->Stop();
    if (!s.link.empty())
        unlink(s.link.c_str());
    return 0;
}
