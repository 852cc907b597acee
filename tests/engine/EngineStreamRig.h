#pragma once
// Simulated motors that know host mode, on an RS-232 chain or an RS-485 bus at 38400, on Ethernet
// or behind USB, opened and addressed through a client's IVQXComm, with IVQXSynmove of the same host.

#include "tests/engine/EngineClientFixture.h"
#include "tests/engine/EngineNetRig.h"
#include "tests/engine/EngineUsbRig.h"

#include "tests/sim/motor/HostModeWatch.h"
#include "tests/sim/wiring/SerialRig.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

enum class StreamTransport { Chain, Bus, Net, Usb };

inline const char* TransportName(StreamTransport t)
{
    switch (t) {
    case StreamTransport::Chain: return "Chain";
    case StreamTransport::Bus: return "Bus";
    case StreamTransport::Net: return "Net";
    case StreamTransport::Usb: return "Usb";
    }
    return "?";
}

// The motors of one test, on whichever transport it uses.
struct StreamMotors {
    std::unique_ptr<vqxsim::SerialRig> line;
    std::unique_ptr<vqxsim::NetRig> net;
    std::unique_ptr<vqxsim::UsbTtyRig> usb;

    template <class F>
    decltype(auto) WithMotor(size_t index, F&& f)
    {
        if (net)
            return net->WithMotor(index, std::forward<F>(f));
        if (usb)
            return usb->WithMotor(index, std::forward<F>(f));
        return line->WithMotor(index, std::forward<F>(f));
    }
};

class EngineStream : public EngineClient {
protected:
    // motors on the line, addresses 1..motors.
    void OpenLine(bool chain, int motors, vqxsim::HostModeOptions options = {})
    {
        Open(chain ? StreamTransport::Chain : StreamTransport::Bus, motors, options);
    }

    void Open(StreamTransport transport, int motors, vqxsim::HostModeOptions options = {})
    {
        vqxsim::MotorProfile base;
        base.channel[0].baud = 38400;
        const bool chain = transport == StreamTransport::Chain;
        base.echo[0] = chain;
        const auto profiles = vqxsim::MakeProfiles(static_cast<size_t>(motors), base, !chain);
        switch (transport) {
        case StreamTransport::Chain: rig.line = vqxsim::SerialRig::Chain(profiles); break;
        case StreamTransport::Bus: rig.line = vqxsim::SerialRig::Bus(profiles); break;
        case StreamTransport::Net:
            rig.net = StartNetMotorsAt(profiles, TestLoopbackBase() + "2");
            PointEngineAt(*rig.net);
            break;
        case StreamTransport::Usb: rig.usb = vqxsim::UsbTtyRig::Start(UsbTree(), profiles); break;
        }
        for (int i = 0; i < motors; ++i)
            host.push_back(rig.WithMotor(static_cast<size_t>(i), [&](vqxsim::SimMotor& m) {
                return vqxsim::AttachHostMode(m, options);
            }));
        LONG count = 0, code = -1;
        switch (transport) {
        case StreamTransport::Chain:
            ASSERT_EQ(comm->put_BaudRate(38400), S_OK);
            ASSERT_EQ(comm->OpenPort(Bstr(rig.line->DevicePath()).get()), S_OK) << TakeEngineError().text;
            ASSERT_EQ(comm->EstablishChain(), S_OK) << TakeEngineError().text;
            ASSERT_EQ(comm->AddressMotorChain(&count), S_OK) << TakeEngineError().text;
            ASSERT_EQ(count, motors);
            break;
        case StreamTransport::Bus:
            ASSERT_EQ(comm->put_BaudRate(38400), S_OK);
            ASSERT_EQ(comm->OpenPort(Bstr(rig.line->DevicePath()).get()), S_OK) << TakeEngineError().text;
            // The motors boot silent after power-up.
            std::this_thread::sleep_for(std::chrono::milliseconds(2 * vqxsim::MotorKnobs{}.bootMs + 20));
            ASSERT_EQ(comm->InitRS485(motors, 0), S_OK) << TakeEngineError().text;
            break;
        case StreamTransport::Net:
            // Added one by one, so that address m is motor index m-1.
            ASSERT_EQ(comm->InitEthernet(10), S_OK);
            for (int i = 0; i < motors; ++i) {
                LONG address = -1;
                ASSERT_EQ(comm->AddNetMotor(Bstr(rig.net->MotorAddress(size_t(i))).get(), &address), S_OK)
                    << TakeEngineError().text;
                ASSERT_EQ(address, i + 1);
            }
            break;
        case StreamTransport::Usb:
            // Addresses in the order of the ttys.
            ASSERT_EQ(comm->InitUSB(10), S_OK);
            ASSERT_EQ(comm->DetectUSBMotors(10, 0, &code), S_OK) << TakeEngineError().text;
            ASSERT_EQ(code, 1);
            ASSERT_EQ(comm->get_NoOfMotors(&count), S_OK);
            ASSERT_EQ(count, motors);
            break;
        }
        // Waits that bound failures on a loaded machine, never successes (set after the addressing,
        // which waits them out where a motor is expected to stay silent).
        ASSERT_EQ(comm->put_EchoTimeoutConst(1000), S_OK);
        ASSERT_EQ(comm->put_Timeout(1000), S_OK);
        ASSERT_EQ(comm->QueryInterface(IID_IVQXSynmove, synmove.outVoid()), S_OK);
    }

    // Runs f on motor index i (0-based) and its host-mode state, with the motor's clock brought to now.
    template <class F>
    decltype(auto) Motor(int i, F&& f)
    {
        return vqxsim::HostModeWatch<StreamMotors>{&rig, host}.Motor(i, std::forward<F>(f));
    }
    // Waits (bounded) until the first n motors have left host mode and stand still.
    bool AllStopped(int n, int timeoutMs = 5000)
    {
        return vqxsim::HostModeWatch<StreamMotors>{&rig, host}.AllStopped(n, timeoutMs);
    }

    void TearDown() override
    {
        synmove.reset();
        EngineClient::TearDown();
    }

    StreamMotors rig;
    std::vector<std::shared_ptr<vqxsim::HostModeMotor>> host;
    ComPtr<IVQXSynmove> synmove;
};
