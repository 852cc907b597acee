#pragma once
// IVQXSynmove of the host object: a thin layer over the host's one streaming engine, which it
// creates on first use bound to the host's port. It shares the host's identity and lock.

#include "VQXEngine.h"
#include "engine/host/HostPart.h"

#include <memory>

class CSynmoveEngine;

namespace engine {

class CVQXHost;
const vqxcom::server::DispTable& SynmoveDispatchTable();

class CHostSynmove final : public CHostPart<IVQXSynmove, &SynmoveDispatchTable> {
public:
    explicit CHostSynmove(CVQXHost& host);
    ~CHostSynmove();

    HRESULT Initialize(LONG NoOfMotors) override;
    HRESULT WritePosition(LONG Motor, LONG Pos) override;
    HRESULT WriteClock(LONG Motor, LONG Clock) override;
    HRESULT get_SlotsNeeded(LONG Motor, LONG* pVal) override;
    HRESULT get_CurrentClock(LONG Motor, LONG* pVal) override;
    HRESULT CheckStatus(LONG Motor, LONG* FreeSlots) override;
    HRESULT get_TrajectorySlots(LONG* pVal) override;
    HRESULT put_TrajectorySlots(LONG newVal) override;
    HRESULT get_Buffered(VARIANT_BOOL* pVal) override;
    HRESULT put_Buffered(VARIANT_BOOL newVal) override;
    HRESULT get_SampleRate(LONG nMotor, DOUBLE* pVal) override;
    HRESULT get_PIDFactor(LONG* pVal) override;
    HRESULT put_PIDFactor(LONG newVal) override;
    HRESULT EndHostMode() override;
    HRESULT Run() override;
    HRESULT SyncMotors() override;

private:
    template <class Body>
    HRESULT Call(Body&& body);
    // The engine, created bound to the host's port when missing.
    CSynmoveEngine& Engine();
    // The engine of a prepared stream, else code 30.
    CSynmoveEngine& Stream();

    CVQXHost& m_host;
    std::unique_ptr<CSynmoveEngine> m_engine;
};

} // namespace engine
