// IVQXPath: arguments checked and converted, then the host's path generator.
#include "engine/host/HostPath.h"

#include "engine/host/VQXHost.h"
#include "engine/path/PathGenerator.h"

#include <cstring>

namespace engine {

using namespace vqxcom::server;

const DispTable& PathDispatchTable()
{
    static const DispTable table = {
        Get<&IVQXPath::get_EndSpeed>("EndSpeed", 30),
        Put<&IVQXPath::put_EndSpeed>("EndSpeed", 30),
        Get<&IVQXPath::get_Acceleration>("Acceleration", 31),
        Put<&IVQXPath::put_Acceleration>("Acceleration", 31),
        Get<&IVQXPath::get_StartPoint>("StartPoint", 32),
        Put<&IVQXPath::put_StartPoint>("StartPoint", 32),
        Get<&IVQXPath::get_StartClock>("StartClock", 33),
        Put<&IVQXPath::put_StartClock>("StartClock", 33),
        Get<&IVQXPath::get_SlowToEndSpeed>("SlowToEndSpeed", 34),
        Put<&IVQXPath::put_SlowToEndSpeed>("SlowToEndSpeed", 34),
        WithOptional(Member<&IVQXPath::SetupTimeDelta>("SetupTimeDelta", 35), 3, -1),
        Member<&IVQXPath::GeneratePath>("GeneratePath", 36),
        Member<&IVQXPath::GenerateLinePath>("GenerateLinePath", 37),
        Member<&IVQXPath::GenerateArcPath>("GenerateArcPath", 38),
        Get<&IVQXPath::get_StartSpeed>("StartSpeed", 39),
        Put<&IVQXPath::put_StartSpeed>("StartSpeed", 39),
        Get<&IVQXPath::get_TimeDelta>("TimeDelta", 40),
        Put<&IVQXPath::put_TimeDelta>("TimeDelta", 40),
        Get<&IVQXPath::get_Plane>("Plane", 41),
        Put<&IVQXPath::put_Plane>("Plane", 41),
        Member<&IVQXPath::CreatePath>("CreatePath", 42),
        Member<&IVQXPath::CreateLinePath>("CreateLinePath", 43),
        Member<&IVQXPath::CreateArcPath>("CreateArcPath", 44),
    };
    return table;
}

namespace {

bool IsNumber(VARTYPE type)
{
    switch (type) {
    case VT_R8: case VT_R4: case VT_I4: case VT_INT: case VT_I2: case VT_UI1: case VT_UI2: case VT_UI4:
        return true;
    default:
        return false;
    }
}

// One element of the array as a double, or code 19.
double ElementAsDouble(SAFEARRAY* array, VARTYPE type, LONG index)
{
    VARIANT element, converted;
    VariantInit(&element);
    VariantInit(&converted);
    HRESULT hr = S_OK;
    if (type == VT_VARIANT) {
        hr = SafeArrayGetElement(array, &index, &element);
    } else {
        element.vt = type;
        hr = SafeArrayGetElement(array, &index, &element.lVal);
    }
    // Numbers only: a text that happens to read as a number is not a coordinate.
    if (SUCCEEDED(hr))
        hr = IsNumber(element.vt) ? VariantChangeType(&converted, &element, 0, VT_R8) : DISP_E_TYPEMISMATCH;
    VariantClear(&element);
    if (FAILED(hr))
        throw CVQXException(VQXE_INVALID_DATA);
    return converted.dblVal;
}

} // namespace

std::vector<double> ReadCoordinates(const VARIANT& value)
{
    const VARIANT* v = &value;
    if (v->vt == (VT_VARIANT | VT_BYREF))
        v = v->pvarVal;
    Require(v != nullptr && (v->vt & VT_ARRAY) != 0);
    SAFEARRAY* array = (v->vt & VT_BYREF) ? (v->pparray ? *v->pparray : nullptr) : v->parray;
    Require(array != nullptr && SafeArrayGetDim(array) == 1);
    VARTYPE type = VT_EMPTY;
    Require(SUCCEEDED(SafeArrayGetVartype(array, &type)));
    Require(IsNumber(type) || type == VT_VARIANT);
    LONG lower = 0, upper = -1;
    Require(SUCCEEDED(SafeArrayGetLBound(array, 1, &lower)) && SUCCEEDED(SafeArrayGetUBound(array, 1, &upper)));
    const int64_t count = int64_t(upper) - lower + 1;
    Require(count >= 1 && count <= CPathGenerator::MaxAxes);
    std::vector<double> out;
    for (LONG i = lower; i <= upper; ++i)
        out.push_back(ElementAsDouble(array, type, i));
    return out;
}

CHostPath::CHostPath(CVQXHost& host) : CHostPart(static_cast<IVQXComm&>(host)), m_host(host) {}
CHostPath::~CHostPath() = default;


template <class Body>
HRESULT CHostPath::Call(Body&& body)
{
    return m_host.Call(IID_IVQXPath, [&] {
        CPathGenerator& g = Generator();
        body(g);
    });
}

CPathGenerator& CHostPath::Generator()
{
    if (!m_generator)
        m_generator = std::make_unique<CPathGenerator>();
    return *m_generator;
}

// ---- settings ----

HRESULT CHostPath::get_EndSpeed(DOUBLE* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.EndSpeed(); });
}
HRESULT CHostPath::put_EndSpeed(DOUBLE newVal)
{
    return Call([&](CPathGenerator& g) { g.SetEndSpeed(newVal); });
}
HRESULT CHostPath::get_Acceleration(DOUBLE* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.Acceleration(); });
}
HRESULT CHostPath::put_Acceleration(DOUBLE newVal)
{
    return Call([&](CPathGenerator& g) { g.SetAcceleration(newVal); });
}
HRESULT CHostPath::get_StartPoint(INT Axis, DOUBLE* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.StartPoint(Axis); });
}
HRESULT CHostPath::put_StartPoint(INT Axis, DOUBLE newVal)
{
    return Call([&](CPathGenerator& g) { g.SetStartPoint(Axis, newVal); });
}
HRESULT CHostPath::get_StartClock(LONG* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.StartClock(); });
}
HRESULT CHostPath::put_StartClock(LONG newVal)
{
    return Call([&](CPathGenerator& g) { g.SetStartClock(newVal); });
}
HRESULT CHostPath::get_SlowToEndSpeed(BOOL* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.SlowToEndSpeed() ? 1 : 0; });
}
HRESULT CHostPath::put_SlowToEndSpeed(BOOL newVal)
{
    return Call([&](CPathGenerator& g) { g.SetSlowToEndSpeed(newVal != 0); });
}
HRESULT CHostPath::SetupTimeDelta(LONG AveTimeDelta, LONG, LONG, LONG)
{
    // The minimum, allowed and preceding counts are taken and have no effect.
    return Call([&](CPathGenerator& g) { g.SetTimeDelta(AveTimeDelta); });
}
HRESULT CHostPath::get_StartSpeed(DOUBLE* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.StartSpeed(); });
}
HRESULT CHostPath::put_StartSpeed(DOUBLE newVal)
{
    return Call([&](CPathGenerator& g) { g.SetStartSpeed(newVal); });
}
HRESULT CHostPath::get_TimeDelta(LONG* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.TimeDelta(); });
}
HRESULT CHostPath::put_TimeDelta(LONG newVal)
{
    return Call([&](CPathGenerator& g) { g.SetTimeDelta(newVal); });
}
HRESULT CHostPath::get_Plane(LONG* pVal)
{
    return Call([&](CPathGenerator& g) { Require(pVal != nullptr); *pVal = g.Plane(); });
}
HRESULT CHostPath::put_Plane(LONG newVal)
{
    return Call([&](CPathGenerator& g) { g.SetPlane(newVal); });
}

// ---- paths ----

void CHostPath::PutDataPairs(VARIANT* out, int first)
{
    const CPathGenerator& g = Generator();
    const std::vector<double> values = g.GetDataPairs(first);
    const LONG columns = g.AxisCount() + 1;
    const LONG rows = std::max(0, g.PointCount() - first);
    SAFEARRAYBOUND bounds[2] = {{ULONG(columns), 1}, {ULONG(rows), 1}};
    SAFEARRAY* array = SafeArrayCreate(VT_R8, 2, bounds);
    if (!array)
        throw CVQXException(VQXE_OUT_OF_MEMORY);
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        throw CVQXException(VQXE_OUT_OF_MEMORY);
    }
    if (!values.empty())
        std::memcpy(data, values.data(), values.size() * sizeof(double));
    SafeArrayUnaccessData(array);
    VariantInit(out);
    out->vt = VT_ARRAY | VT_R8;
    out->parray = array;
}

HRESULT CHostPath::Distance(DOUBLE maxSpeed, DOUBLE length, VARIANT* out, int first)
{
    return Call([&](CPathGenerator& g) {
        Require(out != nullptr);
        g.GenerateDistance(maxSpeed, length);
        PutDataPairs(out, first);
    });
}

HRESULT CHostPath::Line(DOUBLE maxSpeed, const VARIANT& end, VARIANT* out, int first)
{
    return Call([&](CPathGenerator& g) {
        Require(out != nullptr);
        g.GenerateLine(maxSpeed, ReadCoordinates(end));
        PutDataPairs(out, first);
    });
}

HRESULT CHostPath::Arc(DOUBLE maxSpeed, const VARIANT& end, const VARIANT& centre, enum_arcdirection direction,
                       VARIANT* out, int first)
{
    return Call([&](CPathGenerator& g) {
        Require(out != nullptr);
        const std::vector<double> endPoint = ReadCoordinates(end);
        const std::vector<double> centrePoint = ReadCoordinates(centre);
        g.GenerateArc(maxSpeed, endPoint, centrePoint, direction == vqx_clockwise);
        PutDataPairs(out, first);
    });
}

HRESULT CHostPath::GeneratePath(DOUBLE MaxSpeed, DOUBLE TotalLength, VARIANT* DataPairs)
{
    return Distance(MaxSpeed, TotalLength, DataPairs, 1);
}
HRESULT CHostPath::CreatePath(DOUBLE MaxSpeed, DOUBLE TotalLength, VARIANT* DataPairs)
{
    return Distance(MaxSpeed, TotalLength, DataPairs, 0);
}
HRESULT CHostPath::GenerateLinePath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT* DataPairs)
{
    return Line(MaxSpeed, Endpoint, DataPairs, 1);
}
HRESULT CHostPath::CreateLinePath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT* DataPairs)
{
    return Line(MaxSpeed, Endpoint, DataPairs, 0);
}
HRESULT CHostPath::GenerateArcPath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT Center, enum_arcdirection Direction,
                                   VARIANT* DataPairs)
{
    return Arc(MaxSpeed, Endpoint, Center, Direction, DataPairs, 1);
}
HRESULT CHostPath::CreateArcPath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT Center, enum_arcdirection Direction,
                                 VARIANT* DataPairs)
{
    return Arc(MaxSpeed, Endpoint, Center, Direction, DataPairs, 0);
}

} // namespace engine
