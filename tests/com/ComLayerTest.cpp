// The COM layer: strings, variants, safe arrays, error information, and a server found through the
// registry, loaded with dlopen and called early- and late-bound.
#include "vqxcom/Com.h"

#include "platform/registry/Registry.h"
#include "tests/common/TempFolder.h"
#include "tests/comserver/TestServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

using vqxcom::Bstr;
using vqxcom::ComPtr;

namespace {

TEST(ComBstr, EveryByteValueSurvivesTheRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(char(b));
    Bstr s(all);
    ASSERT_EQ(s.length(), 256u);
    EXPECT_EQ(SysStringByteLen(s.get()), 512u);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(s.get()[b], char16_t(b)) << b;
    EXPECT_EQ(s.get()[256], 0); // terminated after the embedded zero bytes too
    EXPECT_EQ(s.bytes(), all);

    // A null BSTR is the empty string; code points above 255 cannot be bytes.
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(vqxcom::BytesFromBstr(nullptr), "");
    BSTR wide = SysAllocString(u"a\u20ACb");
    EXPECT_EQ(vqxcom::BytesFromBstr(wide), "a?b");
    EXPECT_TRUE(SysReAllocString(&wide, u"xyz"));
    EXPECT_EQ(SysStringLen(wide), 3u);
    SysFreeString(wide);
    BSTR odd = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(SysStringByteLen(odd), 3u);
    EXPECT_EQ(SysStringLen(odd), 1u);
    SysFreeString(odd);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr); // refused, not wrapped
}

TEST(ComVariant, ConversionsFollowTheTable)
{
    struct Row {
        VARIANT (*make)();
        VARTYPE to;
        HRESULT hr;
        double value; // numeric result, when hr is S_OK and `to` is numeric
    };
    auto i4 = [](LONG x) { VARIANT v; VariantInit(&v); v.vt = VT_I4; v.lVal = x; return v; };
    auto r8 = [](double x) { VARIANT v; VariantInit(&v); v.vt = VT_R8; v.dblVal = x; return v; };
    auto text = [](const char* s) { VARIANT v; VariantInit(&v); v.vt = VT_BSTR; v.bstrVal = vqxcom::BstrFromBytes(s); return v; };
    struct Case { VARIANT from; VARTYPE to; HRESULT hr; double value; };
    std::vector<Case> cases = {
        {i4(300), VT_UI1, DISP_E_OVERFLOW, 0},
        {i4(255), VT_UI1, S_OK, 255},
        {i4(-1), VT_UI2, DISP_E_OVERFLOW, 0},
        {i4(-32768), VT_I2, S_OK, -32768},
        {r8(2.5), VT_I4, S_OK, 2},      // halves go to even
        {r8(3.5), VT_I4, S_OK, 4},
        {r8(-2.6), VT_I4, S_OK, -3},
        {r8(1e10), VT_I4, DISP_E_OVERFLOW, 0},
        {i4(7), VT_R8, S_OK, 7},
        {i4(0), VT_BOOL, S_OK, 0},
        {i4(5), VT_BOOL, S_OK, -1},
        {text(" 42"), VT_I4, S_OK, 42},
        {text("1.5e2"), VT_R8, S_OK, 150},
        {text("12x"), VT_I4, DISP_E_TYPEMISMATCH, 0},
        {text(""), VT_R8, DISP_E_TYPEMISMATCH, 0},
        {r8(4294967295.0), VT_UI4, S_OK, 4294967295.0},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        VARIANT out;
        VariantInit(&out);
        EXPECT_EQ(VariantChangeType(&out, &cases[i].from, 0, cases[i].to), cases[i].hr) << "row " << i;
        if (cases[i].hr == S_OK) {
            EXPECT_EQ(out.vt, cases[i].to) << "row " << i;
            VARIANT d;
            VariantInit(&d);
            ASSERT_EQ(VariantChangeType(&d, &out, 0, VT_R8), S_OK);
            EXPECT_EQ(d.dblVal, cases[i].value) << "row " << i;
        }
        VariantClear(&out);
        VariantClear(&cases[i].from);
    }

    // Numbers become text; references are followed; a copy owns its own string.
    LONG target = -17;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &target;
    VARIANT s;
    VariantInit(&s);
    ASSERT_EQ(VariantChangeType(&s, &ref, 0, VT_BSTR), S_OK);
    EXPECT_EQ(vqxcom::BytesFromBstr(s.bstrVal), "-17");
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &s), S_OK);
    EXPECT_NE(copy.bstrVal, s.bstrVal);
    VariantClear(&s);
    EXPECT_EQ(vqxcom::BytesFromBstr(copy.bstrVal), "-17");
    // In place: the source's string is replaced by the number.
    ASSERT_EQ(VariantChangeType(&copy, &copy, 0, VT_I2), S_OK);
    EXPECT_EQ(copy.vt, VT_I2);
    EXPECT_EQ(copy.iVal, -17);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
}

TEST(ComSafeArray, BoundsAndElements)
{
    // Two dimensions with lower bound 1, dimension 1 fastest: 3 x 4 doubles.
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {4, 1}};
    SAFEARRAY* psa = SafeArrayCreate(VT_R8, 2, bounds);
    ASSERT_NE(psa, nullptr);
    EXPECT_EQ(SafeArrayGetDim(psa), 2u);
    EXPECT_EQ(SafeArrayGetElemsize(psa), 8u);
    LONG lb = 0, ub = 0;
    EXPECT_EQ(SafeArrayGetLBound(psa, 2, &lb), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(psa, 2, &ub), S_OK);
    EXPECT_EQ(lb, 1);
    EXPECT_EQ(ub, 4);
    EXPECT_EQ(SafeArrayGetUBound(psa, 3, &ub), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(psa, 0, &ub), DISP_E_BADINDEX);
    for (LONG j = 1; j <= 4; ++j)
        for (LONG i = 1; i <= 3; ++i) {
            const LONG idx[2] = {i, j};
            const double v = i * 10 + j;
            ASSERT_EQ(SafeArrayPutElement(psa, idx, &v), S_OK);
        }
    const LONG outside[][2] = {{0, 1}, {4, 1}, {1, 0}, {1, 5}, {-2147483647 - 1, 1}};
    for (const auto& idx : outside) {
        double v;
        EXPECT_EQ(SafeArrayGetElement(psa, idx, &v), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayPutElement(psa, idx, &v), DISP_E_BADINDEX);
    }
    double* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[0], 11);  // (1,1)
    EXPECT_EQ(data[1], 21);  // (2,1): dimension 1 is the fast one
    EXPECT_EQ(data[3], 12);  // (1,2)
    EXPECT_EQ(data[11], 34); // (3,4)
    EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(psa), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(psa), E_UNEXPECTED);

    // A variant holding the array owns it; copies are deep.
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_R8;
    v.parray = psa;
    VARIANT c;
    VariantInit(&c);
    ASSERT_EQ(VariantCopy(&c, &v), S_OK);
    EXPECT_NE(c.parray, psa);
    VariantClear(&v);
    const LONG idx[2] = {3, 4};
    double x = 0;
    EXPECT_EQ(SafeArrayGetElement(c.parray, idx, &x), S_OK);
    EXPECT_EQ(x, 34);
    VariantClear(&c);

    // Arrays of strings own their elements; impossible sizes are refused.
    SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
    ASSERT_NE(strings, nullptr);
    Bstr hello("hello");
    const LONG zero = 0;
    ASSERT_EQ(SafeArrayPutElement(strings, &zero, hello.get()), S_OK);
    BSTR got = nullptr;
    ASSERT_EQ(SafeArrayGetElement(strings, &zero, &got), S_OK);
    EXPECT_NE(got, hello.get());
    EXPECT_EQ(vqxcom::BytesFromBstr(got), "hello");
    SysFreeString(got);
    EXPECT_EQ(SafeArrayDestroy(strings), S_OK);
    SAFEARRAYBOUND huge[2] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_R8, 2, huge), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_R8, 0, huge), nullptr);
}

TEST(ComErrorInfo, BelongsToTheThreadAndIsTakenOnce)
{
    auto publish = [](const char16_t* text) {
        ICreateErrorInfo* create = nullptr;
        ASSERT_EQ(CreateErrorInfo(&create), S_OK);
        create->SetDescription(text);
        create->SetHelpContext(0x30015);
        IErrorInfo* info = nullptr;
        ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
        EXPECT_EQ(SetErrorInfo(0, info), S_OK);
        info->Release();
        create->Release();
    };
    publish(u"main thread");
    std::string otherSaw = "unset";
    std::thread other([&] {
        otherSaw = vqxcom::TakeErrorInfo().present ? "something" : "nothing";
        publish(u"other thread"); // released when that thread ends
    });
    other.join();
    EXPECT_EQ(otherSaw, "nothing");
    const auto details = vqxcom::TakeErrorInfo();
    EXPECT_TRUE(details.present);
    EXPECT_EQ(details.description, "main thread");
    EXPECT_EQ(details.helpContext, 0x30015u);
    EXPECT_FALSE(vqxcom::TakeErrorInfo().present); // handed over once
    IErrorInfo* none = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &none), S_FALSE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);
}

TEST(ComGuid, TextFormRoundTrips)
{
    GUID g{};
    ASSERT_TRUE(vqxcom::GuidFromString("{BC26FBBA-00E1-11D4-B5D0-00600831E1F3}", g));
    EXPECT_EQ(g.Data1, 0xBC26FBBAu);
    EXPECT_EQ(g.Data4[7], 0xF3);
    EXPECT_EQ(vqxcom::GuidToString(g), "{BC26FBBA-00E1-11D4-B5D0-00600831E1F3}");
    EXPECT_TRUE(vqxcom::GuidFromString("{bc26fbba-00e1-11d4-b5d0-00600831e1f3}", g));
    for (const char* bad : {"BC26FBBA-00E1-11D4-B5D0-00600831E1F3", "{BC26FBBA-00E1-11D4-B5D0-00600831E1FZ}",
                            "{BC26FBBA_00E1-11D4-B5D0-00600831E1F3}", ""})
        EXPECT_FALSE(vqxcom::GuidFromString(bad, g)) << bad;
}

// A registry of our own in which the test server is registered.
class ComServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static TempFolder folder; // one registry folder per process: the COM library reads it once
        setenv("VQX_REGISTRY_DIR", folder.Path().c_str(), 1);
        registry = std::make_unique<platform::Registry>(folder / "user.reg", folder / "machine.reg");
        const std::string key = "CLSID\\" + vqxcom::GuidToString(CLSID_Counter);
        registry->SetString(platform::RegHive::ClassesRoot, key, "", "Counter Class");
        registry->SetString(platform::RegHive::ClassesRoot, key + "\\InprocServer32", "", VQX_COM_TESTSERVER);
        registry->SetString(platform::RegHive::ClassesRoot, "Test.Counter\\CLSID", "", vqxcom::GuidToString(CLSID_Counter));
    }
    std::unique_ptr<platform::Registry> registry;
};

TEST_F(ComServerTest, CreatesThroughTheRegistryWithQueryInterfaceRules)
{
    ComPtr<ICounter> counter;
    ASSERT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_ICounter, counter.outVoid()), S_OK);
    ASSERT_TRUE(counter);
    LONG total = 0;
    EXPECT_EQ(counter->Add(5, &total), S_OK);
    EXPECT_EQ(counter->Add(-2, &total), S_OK);
    EXPECT_EQ(total, 3);

    // One identity: IUnknown from any interface is the same pointer; QI is reflexive and
    // symmetric; an unknown interface clears the out pointer.
    ComPtr<IUnknown> unk1, unk2;
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(counter.As(IID_IUnknown, unk1), S_OK);
    ASSERT_EQ(counter.As(IID_ISupportErrorInfo, support), S_OK);
    ASSERT_EQ(support.As(IID_IUnknown, unk2), S_OK);
    EXPECT_EQ(unk1.get(), unk2.get());
    ComPtr<ICounter> back;
    ASSERT_EQ(support.As(IID_ICounter, back), S_OK);
    EXPECT_EQ(back.get(), counter.get());
    void* nothing = reinterpret_cast<void*>(1);
    EXPECT_EQ(counter->QueryInterface(IID_IClassFactory, &nothing), E_NOINTERFACE);
    EXPECT_EQ(nothing, nullptr);
    EXPECT_EQ(counter->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_ICounter), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);

    // Counts: AddRef and Release return the new count; from many threads at once they stay exact.
    const ULONG base = counter->AddRef() - 1;
    EXPECT_EQ(counter->Release(), base);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                counter->AddRef();
                counter->Release();
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter->AddRef(), base + 1);
    counter->Release();

    // The server cannot unload while an object lives.
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_Counter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.outVoid()), S_OK);
    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(factory->CreateInstance(unk1.get(), IID_IUnknown, aggregated.outVoid()), CLASS_E_NOAGGREGATION);

    CLSID byProgId{};
    EXPECT_EQ(CLSIDFromProgID(u"Test.Counter", &byProgId), S_OK);
    EXPECT_EQ(byProgId, CLSID_Counter);
    EXPECT_EQ(CLSIDFromString(u"{3B1D2F10-6A2C-4E55-9A11-203142536475}", &byProgId), S_OK);
    EXPECT_EQ(CLSIDFromProgID(u"Test.Nothing", &byProgId), CO_E_CLASSSTRING);
}

TEST_F(ComServerTest, UnknownClassesAndBrokenRegistrationsFailCleanly)
{
    ComPtr<IUnknown> p;
    const CLSID unknown{0x12345678, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, p.outVoid()), REGDB_E_CLASSNOTREG);
    registry->SetString(platform::RegHive::ClassesRoot, "CLSID\\" + vqxcom::GuidToString(unknown) + "\\InprocServer32",
                        "", "/nonexistent/libnothing.so");
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, p.outVoid()), CO_E_DLLNOTFOUND);
    // A registered library that has no class object for the identifier.
    registry->SetString(platform::RegHive::ClassesRoot, "CLSID\\" + vqxcom::GuidToString(unknown) + "\\InprocServer32",
                        "", VQX_COM_TESTSERVER);
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, p.outVoid()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(p);
}

// Late binding: GetIDsOfNames and Invoke with converted arguments and error information.
TEST_F(ComServerTest, LateBindingByNameAndDispid)
{
    ComPtr<IDispatch> disp;
    ASSERT_EQ(CoCreateInstance(CLSID_Counter, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, disp.outVoid()), S_OK);
    auto id = [&](const char16_t* name) {
        DISPID d = 0;
        LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
        const HRESULT hr = disp->GetIDsOfNames(IID_ICounter, names, 1, 0, &d);
        return hr == S_OK ? d : hr;
    };
    EXPECT_EQ(id(u"Add"), 1);
    EXPECT_EQ(id(u"aDD"), 1);
    EXPECT_EQ(id(u"name"), 2);
    EXPECT_EQ(id(u"Nope"), DISP_E_UNKNOWNNAME);

    // Add("41") late-bound: the text converts to the method's long.
    VARIANT args[3];
    for (auto& a : args)
        VariantInit(&a);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = vqxcom::BstrFromBytes("41");
    DISPPARAMS params{args, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(disp->Invoke(1, IID_ICounter, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 41);
    VariantClear(&args[0]);

    // Property put with the named argument, then get.
    args[0].vt = VT_BSTR;
    args[0].bstrVal = vqxcom::BstrFromBytes("\xFF\x80 bytes");
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS put{args, &putId, 1, 1};
    ASSERT_EQ(disp->Invoke(2, IID_ICounter, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
    VariantClear(&args[0]);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(disp->Invoke(2, IID_ICounter, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(vqxcom::BytesFromBstr(result.bstrVal), "\xFF\x80 bytes");
    VariantClear(&result);

    // Scale(2.5, 4, True): arguments arrive last first.
    args[2].vt = VT_R8;
    args[2].dblVal = 2.5;
    args[1].vt = VT_I4;
    args[1].lVal = 4;
    args[0].vt = VT_BOOL;
    args[0].boolVal = VARIANT_TRUE;
    DISPPARAMS scale{args, nullptr, 3, 0};
    ASSERT_EQ(disp->Invoke(3, IID_ICounter, 0, DISPATCH_METHOD, &scale, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result.vt, VT_R8);
    EXPECT_EQ(result.dblVal, -10.0);
    // A byte argument out of range, a wrong count, an unknown member.
    args[1].lVal = 256;
    UINT argErr = 99;
    EXPECT_EQ(disp->Invoke(3, IID_ICounter, 0, DISPATCH_METHOD, &scale, &result, nullptr, &argErr), DISP_E_OVERFLOW);
    EXPECT_EQ(argErr, 1u);
    DISPPARAMS two{args, nullptr, 2, 0};
    EXPECT_EQ(disp->Invoke(3, IID_ICounter, 0, DISPATCH_METHOD, &two, &result, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(disp->Invoke(77, IID_ICounter, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(disp->Invoke(2, IID_ICounter, 0, DISPATCH_METHOD, &put, nullptr, nullptr, nullptr), DISP_E_NONAMEDARGS);

    // A failing method: DISP_E_EXCEPTION with the error information, which stays for GetErrorInfo.
    args[0].vt = VT_I4;
    args[0].lVal = 21;
    DISPPARAMS fail{args, nullptr, 1, 0};
    EXCEPINFO ex{};
    ASSERT_EQ(disp->Invoke(4, IID_ICounter, 0, DISPATCH_METHOD, &fail, &result, &ex, nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(ex.scode, E_FAIL);
    EXPECT_EQ(vqxcom::BytesFromBstr(ex.bstrDescription), "failed 21");
    EXPECT_EQ(vqxcom::BytesFromBstr(ex.bstrSource), "Counter");
    EXPECT_EQ(vqxcom::BytesFromBstr(ex.bstrHelpFile), "help.chm");
    EXPECT_EQ(ex.dwHelpContext, 21u);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrHelpFile);
    const auto details = vqxcom::TakeErrorInfo();
    EXPECT_EQ(details.description, "failed 21");
    EXPECT_EQ(details.guid, IID_ICounter);
}

} // namespace
