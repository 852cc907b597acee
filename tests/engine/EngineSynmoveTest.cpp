// Coordinated motion through IVQXSynmove: a client streams an arc and a line into simulated motors
// that play them on their own clocks, on an RS-232 chain, an RS-485 bus, Ethernet and USB; the interface's
// guards and properties; a stream that runs dry or loses a motor is reported and leaves no motor
// running.
#include "tests/engine/EngineStreamRig.h"
#include "tests/engine/PathArrays.h"

#include <algorithm>
#include <cmath>

using namespace vqxsim;

namespace {

struct Slot {
    LONG clock;
    std::vector<LONG> positions; // one per stream motor
};

// Planned by the same host's IVQXPath: a quarter arc of radius r from (r, 0) to (0, r), then a line
// to (r/2, r/4); 256 ticks a slot (some 63 ms). Motor m follows axis (m-1) % 2,
// scaled so that no two motors get the same numbers.
std::vector<Slot> ArcThenLine(IVQXComm* comm, int motors, double r)
{
    ComPtr<IVQXPath> path;
    EXPECT_EQ(comm->QueryInterface(IID_IVQXPath, path.outVoid()), S_OK);
    EXPECT_EQ(path->put_TimeDelta(256), S_OK);
    EXPECT_EQ(path->put_Acceleration(0.002), S_OK);
    EXPECT_EQ(path->put_StartPoint(1, r), S_OK);
    std::vector<Slot> slots;
    const auto take = [&](VARIANT& pairs) {
        for (const auto& row : Rows(pairs, 3)) {
            Slot s{LONG(row[2]), {}};
            for (int m = 1; m <= motors; ++m)
                s.positions.push_back(LONG(std::lround(row[size_t((m - 1) % 2)] * (1 + (m - 1) / 2))));
            slots.push_back(s);
        }
        VariantClear(&pairs);
    };
    VARIANT end = CoordinateArray({0, r}), centre = CoordinateArray({0, 0}), line = CoordinateArray({r / 2, r / 4});
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(path->CreateArcPath(1, end, centre, vqx_counterclockwise, &out), S_OK);
    take(out);
    EXPECT_EQ(path->GenerateLinePath(1, line, &out), S_OK);
    take(out);
    for (VARIANT* v : {&end, &centre, &line})
        VariantClear(v);
    return slots;
}

class StreamThroughCom : public EngineStream,
                         public ::testing::WithParamInterface<std::tuple<StreamTransport, int>> {};

TEST_P(StreamThroughCom, ArcAndLineSlotBySlot)
{
    const auto [transport, n] = GetParam();
    // One more motor on the port than in the stream: it sleeps through the stream's commands. USB
    // detection takes over a second a motor (it resets each motor's rate), so the USB case has none;
    // Ethernet shows it for ports whose motors have links of their own.
    const int outside = transport == StreamTransport::Usb ? 0 : 1;
    Open(transport, n + outside);
    ASSERT_EQ(synmove->Initialize(n), S_OK) << TakeEngineError().text;
    LONG slots19 = 0;
    EXPECT_EQ(synmove->get_TrajectorySlots(&slots19), S_OK);
    EXPECT_EQ(slots19, 19); // what motor 1 reported free
    DOUBLE rate = 0;
    EXPECT_EQ(synmove->get_SampleRate(1, &rate), S_OK);
    EXPECT_NEAR(rate, 1e8 / 24576, 1e-6);

    // USB detection takes over a second a motor: a shorter path keeps the USB case short.
    const std::vector<Slot> slots = ArcThenLine(comm.get(), n, transport == StreamTransport::Usb ? 2000 : 4000);
    ASSERT_GT(slots.size(), 20u); // more than the buffer holds
    for (size_t k = 0; k < slots.size(); ++k)
        ASSERT_EQ(slots[k].clock, LONG(256 * k));
    int startedAt = -1;
    for (size_t k = 0; k < slots.size(); ++k) {
        for (int m = 1; m <= n; ++m)
            ASSERT_EQ(synmove->WritePosition(m, slots[k].positions[size_t(m - 1)]), S_OK) << TakeEngineError().text;
        if (startedAt < 0 && Motor(0, [](SimMotor&, HostModeMotor& h) { return h.Playing(); }))
            startedAt = int(k);
        ASSERT_EQ(synmove->WriteClock(0, slots[k].clock), S_OK) << TakeEngineError().text;
        LONG needed = -1;
        ASSERT_EQ(synmove->get_SlotsNeeded(1, &needed), S_OK);
        EXPECT_GE(needed, 0);
    }
    // "G" went out once the buffers were nearly full (the position that found fewer than 3 free).
    EXPECT_EQ(startedAt, 17);
    LONG freeSlots = -1;
    ASSERT_EQ(synmove->CheckStatus(1, &freeSlots), S_OK);
    EXPECT_GE(freeSlots, 0);
    EXPECT_LE(freeSlots, 19);
    ASSERT_EQ(synmove->EndHostMode(), S_OK) << TakeEngineError().text;
    ASSERT_TRUE(AllStopped(n));

    for (int m = 1; m <= n; ++m) {
        SCOPED_TRACE(m);
        const auto [played, position, moves, asleep] = Motor(m - 1, [](SimMotor& motor, HostModeMotor& h) {
            return std::make_tuple(h.Played(), h.Position(), h.Moves(), motor.Asleep(motor.lineChannel));
        });
        // Every streamed slot played, in order, at its clock; the closing slots hold still.
        ASSERT_GE(played.size(), slots.size());
        for (size_t k = 0; k < slots.size(); ++k) {
            ASSERT_EQ(played[k].clock, uint32_t(slots[k].clock)) << "slot " << k;
            ASSERT_EQ(played[k].position, slots[k].positions[size_t(m - 1)]) << "slot " << k;
        }
        const LONG last = slots.back().positions[size_t(m - 1)];
        for (size_t k = slots.size(); k < played.size(); ++k)
            EXPECT_EQ(played[k].position, last);
        // Left standing at the last position by a position move, awake.
        EXPECT_EQ(position, last);
        EXPECT_EQ(moves, std::vector<int32_t>{last});
        EXPECT_FALSE(asleep);
    }
    // The motor outside the stream never moved and is awake.
    for (int i = n; i < n + outside; ++i) {
        const auto [outsideMoves, outsidePlayed, outsideAsleep] = Motor(i, [](SimMotor& motor, HostModeMotor& h) {
            return std::make_tuple(h.Moves().size(), h.Played().size(), motor.Asleep(motor.lineChannel));
        });
        EXPECT_EQ(outsideMoves, 0u);
        EXPECT_EQ(outsidePlayed, 0u);
        EXPECT_FALSE(outsideAsleep);
    }
    // The port still talks to every motor.
    for (int m = 1; m <= n + outside; ++m)
        EXPECT_EQ(Response((std::to_string(m) + "RBs").c_str()), "0") << m;
}

INSTANTIATE_TEST_SUITE_P(EngineSynmove, StreamThroughCom,
                         ::testing::Values(std::tuple{StreamTransport::Chain, 2}, std::tuple{StreamTransport::Chain, 3},
                                           std::tuple{StreamTransport::Chain, 6}, std::tuple{StreamTransport::Bus, 2},
                                           std::tuple{StreamTransport::Bus, 3}, std::tuple{StreamTransport::Bus, 6},
                                           std::tuple{StreamTransport::Net, 2}, std::tuple{StreamTransport::Net, 3},
                                           std::tuple{StreamTransport::Usb, 2}),
                         [](const auto& info) {
                             return TransportName(std::get<0>(info.param)) + std::to_string(std::get<1>(info.param));
                         });

TEST_F(EngineStream, GuardsPropertiesAndLateBinding)
{
    ComPtr<IVQXSynmove> s;
    ASSERT_EQ(comm->QueryInterface(IID_IVQXSynmove, s.outVoid()), S_OK);
    // The same object: IUnknown of both interfaces is one.
    ComPtr<IUnknown> u1, u2;
    ASSERT_EQ(comm->QueryInterface(IID_IUnknown, u1.outVoid()), S_OK);
    ASSERT_EQ(s->QueryInterface(IID_IUnknown, u2.outVoid()), S_OK);
    EXPECT_EQ(u1.get(), u2.get());
    ComPtr<IVQXComm> back;
    ASSERT_EQ(s->QueryInterface(IID_IVQXComm, back.outVoid()), S_OK);

    // Nothing prepared: the stream's calls fail with 30 and send nothing; the port is closed.
    LONG v = 0;
    DOUBLE d = 0;
    const char* notInit = "Host Mode not initialized!";
    EXPECT_ENGINE_ERROR(s->WritePosition(1, 100), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->WriteClock(0, 0), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->get_SlotsNeeded(1, &v), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->get_CurrentClock(1, &v), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->CheckStatus(1, &v), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->get_SampleRate(1, &d), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->EndHostMode(), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->Run(), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->SyncMotors(), IID_IVQXSynmove, 30, notInit);
    EXPECT_ENGINE_ERROR(s->Initialize(2), IID_IVQXSynmove, 8, "The serial port in not open!");
    // Properties that need no stream.
    EXPECT_EQ(s->get_TrajectorySlots(&v), S_OK);
    EXPECT_EQ(v, 19);
    EXPECT_EQ(s->put_TrajectorySlots(12), S_OK);
    EXPECT_EQ(s->get_TrajectorySlots(&v), S_OK);
    EXPECT_EQ(v, 12);
    EXPECT_ENGINE_ERROR(s->put_PIDFactor(3), IID_IVQXSynmove, 19, "Invalid Data!");
    EXPECT_EQ(s->get_PIDFactor(&v), S_OK);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(s->put_PIDFactor(8), S_OK);
    EXPECT_EQ(s->put_PIDFactor(2), S_OK);
    VARIANT_BOOL buffered = VARIANT_FALSE;
    EXPECT_EQ(s->put_Buffered(VARIANT_FALSE), S_OK);
    EXPECT_EQ(s->get_Buffered(&buffered), S_OK);
    EXPECT_EQ(buffered, 1);
    EXPECT_ENGINE_ERROR(s->get_PIDFactor(nullptr), IID_IVQXSynmove, 19, "Invalid Data!");
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(s->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IVQXSynmove), S_OK);
    support->Release();

    // Late binding by name: the interface's own dispatch identifiers.
    const char16_t* names[] = {u"Initialize", u"WriteClock", u"PIDFactor", u"SyncMotors", u"Buffered"};
    const DISPID expected[] = {19, 21, 28, 31, 26};
    for (size_t i = 0; i < 5; ++i) {
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        EXPECT_EQ(s->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, expected[i]) << i;
    }
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{};
    ASSERT_EQ(s->Invoke(28, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 2);
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = 5;
    DISPPARAMS one{&arg, nullptr, 1, 0};
    EXCEPINFO info{};
    EXPECT_EQ(s->Invoke(20, GUID_NULL, 0, DISPATCH_METHOD, &one, nullptr, &info, nullptr), DISP_E_BADPARAMCOUNT);
    VARIANT two[2];
    VariantInit(&two[0]);
    VariantInit(&two[1]);
    two[0].vt = two[1].vt = VT_I4; // arguments come last first
    two[0].lVal = 100;
    two[1].lVal = 1;
    DISPPARAMS pair{two, nullptr, 2, 0};
    EXPECT_EQ(s->Invoke(20, GUID_NULL, 0, DISPATCH_METHOD, &pair, nullptr, &info, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(info.wCode, 0);
    EXPECT_EQ(vqxcom::BytesFromBstr(info.bstrDescription), notInit);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    (void)TakeEngineError();

    // Prepared on a bus of two with PID 2: the rate is twice the motors' own; clocks are checked
    // before anything is stored; more than six motors are refused.
    OpenLine(false, 2);
    EXPECT_ENGINE_ERROR(synmove->Initialize(7), IID_IVQXSynmove, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(synmove->Initialize(0), IID_IVQXSynmove, 19, "Invalid Data!");
    ASSERT_EQ(synmove->Initialize(2), S_OK) << TakeEngineError().text;
    EXPECT_EQ(synmove->get_SampleRate(1, &d), S_OK);
    EXPECT_NEAR(d, 2e8 / 24576, 1e-6);
    EXPECT_EQ(Motor(0, [](SimMotor&, HostModeMotor& h) { return h.PidFactor(); }), 2);
    EXPECT_EQ(synmove->get_TrajectorySlots(&v), S_OK);
    EXPECT_EQ(v, 19);
    EXPECT_ENGINE_ERROR(synmove->WritePosition(3, 1), IID_IVQXSynmove, 19, "Invalid Data!");
    EXPECT_EQ(synmove->WriteClock(0, 0), S_OK);
    EXPECT_EQ(synmove->WriteClock(0, 512), S_OK);
    EXPECT_ENGINE_ERROR(synmove->WriteClock(0, 256), IID_IVQXSynmove, 20, "Invalid Time Delta!");
    EXPECT_ENGINE_ERROR(synmove->WriteClock(0, 512 + 768), IID_IVQXSynmove, 20, "Invalid Time Delta!");
    EXPECT_EQ(synmove->CheckStatus(2, &v), S_OK);
    EXPECT_EQ(v, 17);
    EXPECT_EQ(Motor(1, [](SimMotor&, HostModeMotor& h) { return h.Buffered(); }), 2u);
    EXPECT_EQ(synmove->get_CurrentClock(1, &v), S_OK);
    EXPECT_EQ(v, 0); // not started
    EXPECT_EQ(synmove->SyncMotors(), S_OK) << TakeEngineError().text;
    EXPECT_EQ(synmove->CheckStatus(1, &v), S_OK);
    EXPECT_EQ(v, 19);
    EXPECT_EQ(synmove->EndHostMode(), S_OK) << TakeEngineError().text;
    EXPECT_TRUE(AllStopped(2));

    // A clock to one motor, also one outside the stream, switches to direct mode; a number no
    // address byte can carry is refused.
    ASSERT_EQ(synmove->Initialize(2), S_OK) << TakeEngineError().text;
    EXPECT_EQ(synmove->WriteClock(7, 1024), S_OK) << TakeEngineError().text;
    EXPECT_EQ(synmove->WriteClock(2, 2048), S_OK) << TakeEngineError().text;
    EXPECT_ENGINE_ERROR(synmove->WriteClock(-1, 4096), IID_IVQXSynmove, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(synmove->WriteClock(120, 4096), IID_IVQXSynmove, 19, "Invalid Data!");
    // Direct mode has no slots to close.
    EXPECT_ENGINE_ERROR(synmove->EndHostMode(), IID_IVQXSynmove, 37, "Invalid operation Mode!");
}

TEST_F(EngineStream, UnderRunIsReportedAndTheMotorsStop)
{
    OpenLine(false, 2);
    ASSERT_EQ(synmove->Initialize(2), S_OK) << TakeEngineError().text;
    for (int k = 0; k < 25; ++k) {
        ASSERT_EQ(synmove->WritePosition(0, 10 * k), S_OK);
        ASSERT_EQ(synmove->WriteClock(0, 256 * k), S_OK);
    }
    // The writer falls silent: 19 slots of 256 ticks play in about 1.2 s.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    LONG free = 0;
    EXPECT_ENGINE_ERROR(synmove->CheckStatus(2, &free), IID_IVQXSynmove, 25, "Motor(2):Buffer underflow!");
    // The stream is over until the next Initialize.
    EXPECT_ENGINE_ERROR(synmove->WritePosition(1, 0), IID_IVQXSynmove, 30, "Host Mode not initialized!");
    for (int i = 0; i < 2; ++i) {
        const auto [playing, errors, position] = Motor(i, [](SimMotor&, HostModeMotor& h) {
            return std::make_tuple(h.Playing(), h.ErrorBits(), h.Position());
        });
        EXPECT_FALSE(playing);
        EXPECT_EQ(errors, kUnderflow);
        EXPECT_EQ(position, 240);
    }
    ASSERT_EQ(synmove->Initialize(2), S_OK) << TakeEngineError().text;
    EXPECT_EQ(synmove->CheckStatus(1, &free), S_OK);
    EXPECT_EQ(free, 19);
}

TEST_F(EngineStream, MotorThatStopsAnsweringEndsTheStream)
{
    OpenLine(true, 2);
    ASSERT_EQ(synmove->Initialize(2), S_OK) << TakeEngineError().text;
    HRESULT hr = S_OK;
    int k = 0;
    for (; k < 400 && hr == S_OK; ++k) {
        if (k == 30)
            Motor(1, [](SimMotor& m, HostModeMotor&) { m.knobs.mute = true; });
        hr = synmove->WritePosition(0, k);
        if (hr == S_OK)
            hr = synmove->WriteClock(0, 256 * k);
    }
    EXPECT_EQ(hr, E_FAIL);
    const EngineError e = TakeEngineError();
    EXPECT_TRUE(e.iid == IID_IVQXSynmove);
    EXPECT_EQ(e.code, 5) << e.text;
    EXPECT_EQ(e.text, "No response received!");
    EXPECT_GE(k, 30);
    // Asked again, the silent motor is reported again.
    LONG v = 0;
    EXPECT_ENGINE_ERROR(synmove->CheckStatus(2, &v), IID_IVQXSynmove, 5, "No response received!");
    // Left without slots, both motors stop by themselves.
    Motor(1, [](SimMotor& m, HostModeMotor&) { m.knobs.mute = false; });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(Motor(i, [](SimMotor&, HostModeMotor& h) { return h.Playing(); }));
}

} // namespace
