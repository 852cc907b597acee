#pragma once
// IVQXPath of the host object: the host's one path generator, created by the first call of any
// member, with the points handed out as a two-dimensional SAFEARRAY of doubles.

#include "VQXEngine.h"
#include "engine/host/HostPart.h"

#include <memory>
#include <vector>

class CPathGenerator;

namespace engine {

class CVQXHost;
const vqxcom::server::DispTable& PathDispatchTable();

// The coordinates of an end point or centre: a one-dimensional array (by value or reference, or in
// a VARIANT by reference) of doubles, or of numbers or VARIANTs that convert to doubles; at most
// six. Anything else is code 19.
std::vector<double> ReadCoordinates(const VARIANT& value);

class CHostPath final : public CHostPart<IVQXPath, &PathDispatchTable> {
public:
    explicit CHostPath(CVQXHost& host);
    ~CHostPath();

    HRESULT get_EndSpeed(DOUBLE* pVal) override;
    HRESULT put_EndSpeed(DOUBLE newVal) override;
    HRESULT get_Acceleration(DOUBLE* pVal) override;
    HRESULT put_Acceleration(DOUBLE newVal) override;
    HRESULT get_StartPoint(INT Axis, DOUBLE* pVal) override;
    HRESULT put_StartPoint(INT Axis, DOUBLE newVal) override;
    HRESULT get_StartClock(LONG* pVal) override;
    HRESULT put_StartClock(LONG newVal) override;
    HRESULT get_SlowToEndSpeed(BOOL* pVal) override;
    HRESULT put_SlowToEndSpeed(BOOL newVal) override;
    HRESULT SetupTimeDelta(LONG AveTimeDelta, LONG MinTimeDelta, LONG AllowedCount, LONG PrecedeCount) override;
    HRESULT GeneratePath(DOUBLE MaxSpeed, DOUBLE TotalLength, VARIANT* DataPairs) override;
    HRESULT GenerateLinePath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT* DataPairs) override;
    HRESULT GenerateArcPath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT Center, enum_arcdirection Direction,
                            VARIANT* DataPairs) override;
    HRESULT get_StartSpeed(DOUBLE* pVal) override;
    HRESULT put_StartSpeed(DOUBLE newVal) override;
    HRESULT get_TimeDelta(LONG* pVal) override;
    HRESULT put_TimeDelta(LONG newVal) override;
    HRESULT get_Plane(LONG* pVal) override;
    HRESULT put_Plane(LONG newVal) override;
    HRESULT CreatePath(DOUBLE MaxSpeed, DOUBLE TotalLength, VARIANT* DataPairs) override;
    HRESULT CreateLinePath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT* DataPairs) override;
    HRESULT CreateArcPath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT Center, enum_arcdirection Direction,
                          VARIANT* DataPairs) override;

private:
    template <class Body>
    HRESULT Call(Body&& body);
    // The generator, created when missing.
    CPathGenerator& Generator();
    // The three path forms; first is the first point returned (1 leaves the start point out).
    HRESULT Distance(DOUBLE maxSpeed, DOUBLE length, VARIANT* out, int first);
    HRESULT Line(DOUBLE maxSpeed, const VARIANT& end, VARIANT* out, int first);
    HRESULT Arc(DOUBLE maxSpeed, const VARIANT& end, const VARIANT& centre, enum_arcdirection direction,
                VARIANT* out, int first);
    // The points from first on as the result array in out.
    void PutDataPairs(VARIANT* out, int first);

    CVQXHost& m_host;
    std::unique_ptr<CPathGenerator> m_generator;
};

} // namespace engine
