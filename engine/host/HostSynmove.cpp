// IVQXSynmove: guards, then the host's streaming engine.
#include "engine/host/HostSynmove.h"

#include "engine/host/VQXHost.h"
#include "engine/synmove/SynmoveEngine.h"

namespace engine {

using namespace vqxcom::server;

const DispTable& SynmoveDispatchTable()
{
    static const DispTable table = {
        Member<&IVQXSynmove::Initialize>("Initialize", 19),
        Member<&IVQXSynmove::WritePosition>("WritePosition", 20),
        Member<&IVQXSynmove::WriteClock>("WriteClock", 21),
        Get<&IVQXSynmove::get_SlotsNeeded>("SlotsNeeded", 22),
        Get<&IVQXSynmove::get_CurrentClock>("CurrentClock", 23),
        Member<&IVQXSynmove::CheckStatus>("CheckStatus", 24),
        Get<&IVQXSynmove::get_TrajectorySlots>("TrajectorySlots", 25),
        Put<&IVQXSynmove::put_TrajectorySlots>("TrajectorySlots", 25),
        Get<&IVQXSynmove::get_Buffered>("Buffered", 26),
        Put<&IVQXSynmove::put_Buffered>("Buffered", 26),
        Get<&IVQXSynmove::get_SampleRate>("SampleRate", 27),
        Get<&IVQXSynmove::get_PIDFactor>("PIDFactor", 28),
        Put<&IVQXSynmove::put_PIDFactor>("PIDFactor", 28),
        Member<&IVQXSynmove::EndHostMode>("EndHostMode", 29),
        Member<&IVQXSynmove::Run>("Run", 30),
        Member<&IVQXSynmove::SyncMotors>("SyncMotors", 31),
    };
    return table;
}

CHostSynmove::CHostSynmove(CVQXHost& host) : CHostPart(static_cast<IVQXComm&>(host)), m_host(host) {}
CHostSynmove::~CHostSynmove() = default;


template <class Body>
HRESULT CHostSynmove::Call(Body&& body)
{
    return m_host.Call(IID_IVQXSynmove, std::forward<Body>(body));
}

CSynmoveEngine& CHostSynmove::Engine()
{
    if (!m_engine)
        m_engine = std::make_unique<CSynmoveEngine>(m_host.Port());
    return *m_engine;
}

CSynmoveEngine& CHostSynmove::Stream()
{
    if (!m_engine || !m_engine->Initialized())
        throw CVQXException(VQXE_HOST_MODE_NOT_INIT);
    return *m_engine;
}

HRESULT CHostSynmove::Initialize(LONG NoOfMotors)
{
    return Call([&] {
        m_host.RequireSerialOpen();
        Engine().Initialize(NoOfMotors);
    });
}

HRESULT CHostSynmove::WritePosition(LONG Motor, LONG Pos)
{
    return Call([&] { Stream().WritePosition(Motor, Pos); });
}

HRESULT CHostSynmove::WriteClock(LONG Motor, LONG Clock)
{
    return Call([&] { Stream().WriteClock(Motor, Clock); });
}

HRESULT CHostSynmove::get_SlotsNeeded(LONG Motor, LONG* pVal)
{
    return Call([&] {
        Require(pVal != nullptr);
        *pVal = Stream().SlotsNeeded(Motor);
    });
}

HRESULT CHostSynmove::get_CurrentClock(LONG Motor, LONG* pVal)
{
    return Call([&] {
        Require(pVal != nullptr);
        *pVal = Stream().CurrentClock(Motor);
    });
}

HRESULT CHostSynmove::CheckStatus(LONG Motor, LONG* FreeSlots)
{
    return Call([&] {
        Require(FreeSlots != nullptr);
        CSynmoveEngine& engine = Stream();
        engine.CheckStatus(Motor);
        *FreeSlots = engine.FreeSlots();
    });
}

HRESULT CHostSynmove::get_TrajectorySlots(LONG* pVal)
{
    return Call([&] {
        Require(pVal != nullptr);
        *pVal = Engine().TrajectorySlots();
    });
}

HRESULT CHostSynmove::put_TrajectorySlots(LONG newVal)
{
    return Call([&] { Engine().SetTrajectorySlots(newVal); });
}

HRESULT CHostSynmove::get_Buffered(VARIANT_BOOL* pVal)
{
    return Call([&] {
        Require(pVal != nullptr);
        // Always buffered; the value is 1 (not VARIANT_TRUE), as clients of the engine have always read it.
        *pVal = static_cast<VARIANT_BOOL>(1);
    });
}

HRESULT CHostSynmove::put_Buffered(VARIANT_BOOL) { return S_OK; }

HRESULT CHostSynmove::get_SampleRate(LONG, DOUBLE* pVal)
{
    return Call([&] {
        Require(pVal != nullptr);
        // A prepared stream has measured a period above zero (else Initialize failed).
        *pVal = 1000.0 / Stream().SamplePeriod();
    });
}

HRESULT CHostSynmove::get_PIDFactor(LONG* pVal)
{
    return Call([&] {
        Require(pVal != nullptr);
        *pVal = Engine().PIDFactor();
    });
}

HRESULT CHostSynmove::put_PIDFactor(LONG newVal)
{
    return Call([&] {
        Require(newVal == 1 || newVal == 2 || newVal == 4 || newVal == 8);
        Engine().SetPIDFactor(newVal);
    });
}

HRESULT CHostSynmove::EndHostMode()
{
    return Call([&] { Stream().EndHostMode(); });
}

HRESULT CHostSynmove::Run()
{
    return Call([&] { Stream().Run(); });
}

HRESULT CHostSynmove::SyncMotors()
{
    return Call([&] { Stream().SyncMotors(); });
}

} // namespace engine
