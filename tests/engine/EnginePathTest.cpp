// Path generation through IVQXPath of a host created by a client: settings and their checks, the
// profile's own numbers, chained segments, arcs on their circle, the result array's shape, every
// kind of bad VARIANT refused without moving the generator on, and late binding.
#include "tests/engine/EngineClientFixture.h"
#include "tests/engine/PathArrays.h"

#include <cmath>
#include <functional>

namespace {

class EnginePath : public EngineClient {
protected:
    void SetUp() override
    {
        EngineClient::SetUp();
        ASSERT_EQ(comm->QueryInterface(IID_IVQXPath, path.outVoid()), S_OK);
    }
    void TearDown() override
    {
        path.reset();
        EngineClient::TearDown();
    }
    // A line to end through CreateLinePath (first point included) or GenerateLinePath.
    std::vector<std::vector<double>> Line(double maxSpeed, const std::vector<double>& end, bool create = true)
    {
        VARIANT e = CoordinateArray(end), out;
        VariantInit(&out);
        const HRESULT hr = create ? path->CreateLinePath(maxSpeed, e, &out) : path->GenerateLinePath(maxSpeed, e, &out);
        VariantClear(&e);
        EXPECT_EQ(hr, S_OK) << TakeEngineError().text;
        auto rows = Rows(out, LONG(end.size()) + 1);
        VariantClear(&out);
        return rows;
    }
    ComPtr<IVQXPath> path;
};

TEST_F(EnginePath, SettingsDefaultsAndRefusals)
{
    // Defaults of a new generator (made by the first call, a getter included).
    DOUBLE d = -1;
    LONG l = -1;
    BOOL b = -1;
    EXPECT_EQ(path->get_EndSpeed(&d), S_OK);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(path->get_Acceleration(&d), S_OK);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(path->get_StartSpeed(&d), S_OK);
    EXPECT_EQ(d, 0);
    EXPECT_EQ(path->get_StartClock(&l), S_OK);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(path->get_TimeDelta(&l), S_OK);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(path->get_Plane(&l), S_OK);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(path->get_SlowToEndSpeed(&b), S_OK);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(path->put_SlowToEndSpeed(7), S_OK);
    EXPECT_EQ(path->get_SlowToEndSpeed(&b), S_OK);
    EXPECT_EQ(b, 1);
    for (INT axis = 1; axis <= 6; ++axis)
        EXPECT_EQ(path->put_StartPoint(axis, axis * 1.5), S_OK);
    for (INT axis = 1; axis <= 6; ++axis) {
        EXPECT_EQ(path->get_StartPoint(axis, &d), S_OK);
        EXPECT_EQ(d, axis * 1.5);
    }
    EXPECT_EQ(path->put_StartClock(-5), S_OK); // stored without a check; generation refuses it

    // Refusals: 19 under IVQXPath, the value kept.
    struct Refusal {
        const char* what;
        std::function<HRESULT()> call;
    };
    const Refusal refusals[] = {
        {"EndSpeed -1", [&] { return path->put_EndSpeed(-1); }},
        {"Acceleration -0.1", [&] { return path->put_Acceleration(-0.1); }},
        {"StartSpeed -3", [&] { return path->put_StartSpeed(-3); }},
        {"TimeDelta -1", [&] { return path->put_TimeDelta(-1); }},
        {"Plane 3", [&] { return path->put_Plane(3); }},
        {"Plane -1", [&] { return path->put_Plane(-1); }},
        {"StartPoint(0)", [&] { return path->put_StartPoint(0, 1); }},
        {"StartPoint(7)", [&] { return path->put_StartPoint(7, 1); }},
        {"get StartPoint(7)", [&] { return path->get_StartPoint(7, &d); }},
        {"SetupTimeDelta -2", [&] { return path->SetupTimeDelta(-2, -1, -1, -1); }},
        {"get EndSpeed null", [&] { return path->get_EndSpeed(nullptr); }},
    };
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        EXPECT_ENGINE_ERROR(r.call(), IID_IVQXPath, 19, "Invalid Data!");
    }
    EXPECT_EQ(path->get_Plane(&l), S_OK);
    EXPECT_EQ(l, 0);

    // A time delta of 0 is taken, but nothing generates with it; nor with a negative start clock.
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(path->SetupTimeDelta(0, -1, -1, -1), S_OK);
    EXPECT_ENGINE_ERROR(path->CreatePath(10, 100, &out), IID_IVQXPath, 19, "Invalid Data!");
    EXPECT_EQ(path->SetupTimeDelta(4, 2, 9, 9), S_OK);
    EXPECT_EQ(path->get_TimeDelta(&l), S_OK);
    EXPECT_EQ(l, 4);
    EXPECT_ENGINE_ERROR(path->CreatePath(10, 100, &out), IID_IVQXPath, 19, "Invalid Data!");
    EXPECT_EQ(path->put_StartClock(0), S_OK);
    // Acceleration 0 needs start = maximum (= end) speed; negative speed or length is refused.
    EXPECT_ENGINE_ERROR(path->CreatePath(10, 100, &out), IID_IVQXPath, 19, "Invalid Data!");
    EXPECT_EQ(path->put_Acceleration(1), S_OK);
    EXPECT_ENGINE_ERROR(path->CreatePath(-1, 100, &out), IID_IVQXPath, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(path->CreatePath(10, -100, &out), IID_IVQXPath, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(path->CreatePath(0, 100, &out), IID_IVQXPath, 19, "Invalid Data!"); // never arrives
    EXPECT_ENGINE_ERROR(path->CreatePath(10, 1e12, &out), IID_IVQXPath, 19, "Invalid Data!"); // absurd count
    EXPECT_EQ(out.vt, VT_EMPTY);
    EXPECT_ENGINE_ERROR(path->CreatePath(10, 100, nullptr), IID_IVQXPath, 19, "Invalid Data!");
    // Nothing moved on after the refusals.
    EXPECT_EQ(path->get_StartClock(&l), S_OK);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(path->get_StartSpeed(&d), S_OK);
    EXPECT_EQ(d, 0);

    // A distance: one column of positions and the clock, from 0 to the length, at standstill.
    ASSERT_EQ(path->CreatePath(10, 100, &out), S_OK) << TakeEngineError().text;
    const auto rows = Rows(out, 2);
    VariantClear(&out);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows.front(), (std::vector<double>{0, 0}));
    EXPECT_EQ(rows.back()[0], 100);
    for (size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i][1] - rows[i - 1][1], 4) << i;
        EXPECT_GE(rows[i][0], rows[i - 1][0]) << i;
    }
    EXPECT_EQ(path->get_StartSpeed(&d), S_OK);
    EXPECT_EQ(d, 0);
}

TEST_F(EnginePath, ProfileNumbersChainedLinesAndArcs)
{
    // Constant speed 100, no acceleration: a line of 1000 at dt 5 takes points at 0, 500, 1000.
    ASSERT_EQ(path->put_StartSpeed(100), S_OK);
    ASSERT_EQ(path->put_SlowToEndSpeed(0), S_OK);
    ASSERT_EQ(path->put_TimeDelta(5), S_OK);
    auto rows = Line(100, {600, 800});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(rows[1], (std::vector<double>{300, 400, 5}));
    EXPECT_EQ(rows[2], (std::vector<double>{600, 800, 10}));
    DOUBLE d = 0;
    LONG clock = 0;
    EXPECT_EQ(path->get_StartPoint(1, &d), S_OK);
    EXPECT_EQ(d, 600);
    EXPECT_EQ(path->get_StartSpeed(&d), S_OK);
    EXPECT_EQ(d, 100);
    EXPECT_EQ(path->get_StartClock(&clock), S_OK);
    EXPECT_EQ(clock, 10);
    // At dt 8 the same line takes 16 clock units; the middle point is still half way.
    ASSERT_EQ(path->put_StartPoint(1, 0), S_OK);
    ASSERT_EQ(path->put_StartPoint(2, 0), S_OK);
    ASSERT_EQ(path->put_StartClock(0), S_OK);
    ASSERT_EQ(path->put_TimeDelta(8), S_OK);
    rows = Line(100, {600, 800});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], (std::vector<double>{300, 400, 8}));
    EXPECT_EQ(rows[2], (std::vector<double>{600, 800, 16}));
    EXPECT_EQ(path->get_StartSpeed(&d), S_OK);
    EXPECT_NEAR(d, 100, 1e-9);

    // A chained line leaves its start point out and goes on from where the last one ended.
    ASSERT_EQ(path->put_Acceleration(2), S_OK);
    ASSERT_EQ(path->put_SlowToEndSpeed(1), S_OK);
    rows = Line(100, {600, 0}, false);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows.front()[2], 24);
    EXPECT_NEAR(rows.front()[0], 600, 1e-9);
    EXPECT_LT(rows.front()[1], 800);
    EXPECT_EQ(rows.back(), (std::vector<double>{600, 0, 16 + 8.0 * double(rows.size())}));
    EXPECT_EQ(path->get_StartSpeed(&d), S_OK);
    EXPECT_EQ(d, 0); // slowed to the end speed 0
    // A line to where it stands: one row when the start is included, none when it is left out.
    EXPECT_EQ(Line(100, {600, 0}).size(), 1u);
    EXPECT_EQ(Line(100, {600, 0}, false).size(), 0u);

    // A three-quarter clockwise arc about the origin from (600, 0) to (0, 600), with the end point
    // as VARIANTs and the centre as integers by reference: every point on the circle.
    ASSERT_EQ(path->put_TimeDelta(4), S_OK);
    VARIANT end = CoordinateArray({0, 600}, VT_VARIANT);
    VARIANT centre = CoordinateArray({0, 0}, VT_I4);
    SAFEARRAY* centreArray = centre.parray;
    VARIANT centreRef;
    VariantInit(&centreRef);
    centreRef.vt = VT_ARRAY | VT_I4 | VT_BYREF;
    centreRef.pparray = &centreArray;
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(path->CreateArcPath(50, end, centreRef, vqx_clockwise, &out), S_OK) << TakeEngineError().text;
    rows = Rows(out, 3);
    VariantClear(&out);
    ASSERT_GT(rows.size(), 10u);
    EXPECT_EQ(rows.back(), (std::vector<double>{0, 600, rows.front()[2] + 4.0 * double(rows.size() - 1)}));
    bool passedBelow = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_NEAR(std::hypot(rows[i][0], rows[i][1]), 600, 1e-6) << i;
        passedBelow |= rows[i][1] < -100; // clockwise from (600, 0) goes down first
        if (i) {
            EXPECT_EQ(rows[i][2] - rows[i - 1][2], 4) << i;
        }
    }
    EXPECT_TRUE(passedBelow);
    // Clockwise back to (600, 0) is a quarter: far fewer points, all in the first quadrant.
    VARIANT back = CoordinateArray({600, 0});
    ASSERT_EQ(path->GenerateArcPath(50, back, centre, vqx_clockwise, &out), S_OK) << TakeEngineError().text;
    const auto quarter = Rows(out, 3);
    VariantClear(&out);
    EXPECT_LT(quarter.size(), rows.size());
    for (const auto& r : quarter) {
        EXPECT_NEAR(std::hypot(r[0], r[1]), 600, 1e-6);
        EXPECT_LE(r[0], 600 + 1e-6);
        EXPECT_GE(r[1], -1e-6);
    }
    VariantClear(&end);
    VariantClear(&centre);
    VariantClear(&back);
}

TEST_F(EnginePath, TrapezoidReachesTheMaximumOnAWholeDeltaAndLateBoundSetup)
{
    // A late-bound client may leave SetupTimeDelta's optional counts out, or pass them missing.
    IDispatch* disp = path.get(); // the dual interface's own dispatch slots
    DISPID id = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(u"SetupTimeDelta")};
    ASSERT_EQ(disp->GetIDsOfNames(IID_IVQXPath, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 35);
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[1].vt = VT_I4; // rgvarg holds the last argument first
    args[1].lVal = 4;
    args[0].vt = VT_ERROR;
    args[0].scode = DISP_E_PARAMNOTFOUND;
    DISPPARAMS two{args, nullptr, 2, 0};
    ASSERT_EQ(disp->Invoke(id, IID_IVQXPath, 0, DISPATCH_METHOD, &two, nullptr, nullptr, nullptr), S_OK);
    LONG dt = 0;
    EXPECT_EQ(path->get_TimeDelta(&dt), S_OK);
    EXPECT_EQ(dt, 4);
    args[1].lVal = 8;
    DISPPARAMS one{&args[1], nullptr, 1, 0};
    ASSERT_EQ(disp->Invoke(id, IID_IVQXPath, 0, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(path->get_TimeDelta(&dt), S_OK);
    EXPECT_EQ(dt, 8);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(disp->Invoke(id, IID_IVQXPath, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT);

    // Length 1000, maximum speed 10, acceleration 1, dt 8: the ramp reaches 10 in 16 (two
    // deltas), cruise and ramp down share the rest: 20, 80, then 80 + 32 * a2 with
    // a2 = (960 / 104 - 10) / 88.
    ASSERT_EQ(path->put_Acceleration(1), S_OK);
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(path->GeneratePath(10, 1000, &out), S_OK) << TakeEngineError().text;
    const auto rows = Rows(out, 2);
    VariantClear(&out);
    ASSERT_GE(rows.size(), 3u);
    const double a2 = (960.0 / 104 - 10) / 88;
    const double expected[3][2] = {{20, 8}, {80, 16}, {160 + 32 * a2, 24}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(rows[i][0], expected[i][0], 1e-9) << i;
        EXPECT_EQ(rows[i][1], expected[i][1]) << i;
    }
    EXPECT_NEAR(rows[2][0], 159.72, 0.005);
    EXPECT_EQ(rows.back()[0], 1000);
    EXPECT_EQ(rows.back()[1], 8.0 * double(rows.size()));
}

TEST_F(EnginePath, BadVariantsAreRefusedAndNothingMovesOn)
{
    ASSERT_EQ(path->put_TimeDelta(10), S_OK);
    ASSERT_EQ(path->put_Acceleration(1), S_OK);
    ASSERT_EQ(path->put_StartPoint(1, 100), S_OK);
    ASSERT_EQ(path->put_StartClock(40), S_OK);

    std::vector<VARIANT> bad;
    VARIANT v;
    VariantInit(&v);
    bad.push_back(v); // empty
    v.vt = VT_I4;
    v.lVal = 5;
    bad.push_back(v); // a number, no array
    v.vt = VT_ARRAY | VT_R8;
    v.parray = nullptr;
    bad.push_back(v); // an array type without an array
    bad.push_back(CoordinateArray({}));                       // no coordinates
    bad.push_back(CoordinateArray({1, 2, 3, 4, 5, 6, 7}));    // seven
    bad.push_back(CoordinateArray({1, std::nan("")}));         // not a number
    bad.push_back(CoordinateArray({1, INFINITY}));
    {
        SAFEARRAYBOUND b{2, 0};
        VARIANT s;
        VariantInit(&s);
        s.vt = VT_ARRAY | VT_BSTR;
        s.parray = SafeArrayCreate(VT_BSTR, 1, &b);
        bad.push_back(s); // texts
        SAFEARRAYBOUND two[2] = {{2, 1}, {2, 1}};
        s.vt = VT_ARRAY | VT_R8;
        s.parray = SafeArrayCreate(VT_R8, 2, two);
        bad.push_back(s); // two dimensions
        VARIANT t = CoordinateArray({1, 2}, VT_VARIANT);
        const LONG index = 2;
        VARIANT text;
        VariantInit(&text);
        text.vt = VT_BSTR;
        text.bstrVal = SysAllocString(u"12");
        SafeArrayPutElement(t.parray, &index, &text);
        VariantClear(&text);
        bad.push_back(t); // a VARIANT element that is text
    }
    VARIANT out;
    VariantInit(&out);
    VARIANT good = CoordinateArray({0, 0});
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_ENGINE_ERROR(path->CreateLinePath(10, bad[i], &out), IID_IVQXPath, 19, "Invalid Data!");
        EXPECT_ENGINE_ERROR(path->GenerateArcPath(10, bad[i], good, vqx_clockwise, &out), IID_IVQXPath, 19,
                            "Invalid Data!");
        EXPECT_ENGINE_ERROR(path->CreateArcPath(10, good, bad[i], vqx_clockwise, &out), IID_IVQXPath, 19,
                            "Invalid Data!");
        EXPECT_EQ(out.vt, VT_EMPTY);
    }
    // Arcs: at most three axes, a centre with as many coordinates as the end, a radius.
    VARIANT four = CoordinateArray({1, 2, 3, 4}), one = CoordinateArray({1}), origin = CoordinateArray({100, 0});
    EXPECT_ENGINE_ERROR(path->CreateArcPath(10, four, four, vqx_clockwise, &out), IID_IVQXPath, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(path->CreateArcPath(10, good, one, vqx_clockwise, &out), IID_IVQXPath, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(path->CreateArcPath(10, good, origin, vqx_clockwise, &out), IID_IVQXPath, 19,
                        "Invalid Data!"); // the start lies on the centre
    // The generator did not move on.
    DOUBLE d = 0;
    LONG l = 0;
    EXPECT_EQ(path->get_StartPoint(1, &d), S_OK);
    EXPECT_EQ(d, 100);
    EXPECT_EQ(path->get_StartClock(&l), S_OK);
    EXPECT_EQ(l, 40);
    for (auto& b : bad)
        VariantClear(&b);
    for (VARIANT* p : {&good, &four, &one, &origin})
        VariantClear(p);

    // Late binding: the end point array as an argument, the result array as the return value.
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(u"CreateLinePath");
    ASSERT_EQ(path->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 43);
    name = const_cast<LPOLESTR>(u"StartPoint");
    ASSERT_EQ(path->GetIDsOfNames(GUID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 32);
    VARIANT args[2];
    args[0] = CoordinateArray({100, 300}); // last argument first
    VariantInit(&args[1]);
    args[1].vt = VT_I4;
    args[1].lVal = 10;
    DISPPARAMS params{args, nullptr, 2, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(path->Invoke(43, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    const auto rows = Rows(result, 3);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows.front(), (std::vector<double>{100, 0, 40}));
    EXPECT_EQ(rows.back()[0], 100);
    EXPECT_EQ(rows.back()[1], 300);
    VariantClear(&result);
    VariantClear(&args[0]);
}

} // namespace
