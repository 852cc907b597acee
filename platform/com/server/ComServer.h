#pragma once
// What an in-process server built on our COM needs besides the client part: the module's count of
// live objects and locks, atomic reference counting, a class factory, error reporting, and
// IDispatch for dual interfaces from a table of members (name, dispatch identifier, kind) whose
// arguments are converted from VARIANTs to the vtable method's own parameter types.

#include "vqxcom/Com.h"

#include <atomic>
#include <cstring>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace vqxcom::server {

// ---- Module ----
// Live objects plus LockServer locks of one server library (DllCanUnloadNow).
class Module {
public:
    void Lock() { ++m_count; }
    void Unlock() { --m_count; }
    long Count() const { return m_count.load(); }
    bool CanUnload() const { return m_count.load() == 0; }

private:
    std::atomic<long> m_count{0};
};

// ---- Reference count ----
class RefCount {
public:
    ULONG Add() { return ++m_refs; }
    ULONG Drop() { return --m_refs; }
    ULONG Value() const { return m_refs.load(); }

private:
    std::atomic<ULONG> m_refs{0};
};

// ---- Error information ----
// Installs error information for the calling thread (description and the other texts as bytes).
void SetThreadError(const GUID& iid, std::string_view description, DWORD helpContext, std::string_view helpFile,
                    std::string_view source);

// ---- Class factory ----
// Creates objects through a function; counts itself in the module only while a client locks it.
class ClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);
    ClassFactory(Module& module, Creator creator) : m_module(module), m_creator(creator) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    // The factory is a static object of the server: its count never frees it.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    HRESULT LockServer(BOOL lock) override;

private:
    Module& m_module;
    Creator m_creator;
};

// ---- IDispatch from a member table ----
using Invoker = HRESULT (*)(void* iface, VARIANT* args, UINT count, VARIANT* result, UINT* argErr);

struct DispMember {
    const char* name;
    DISPID id;
    WORD kind; // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
    Invoker invoke;
    UINT inArgs;
    // The last optionalArgs arguments may be left out (or passed as missing): they take
    // optionalDefault (a 32-bit integer).
    UINT optionalArgs = 0;
    LONG optionalDefault = 0;
};
// The member with its last `count` arguments optional, each defaulting to `value`.
inline DispMember WithOptional(DispMember member, UINT count, LONG value)
{
    member.optionalArgs = count;
    member.optionalDefault = value;
    return member;
}
using DispTable = std::vector<DispMember>;

// Name lookup without regard to ASCII case; unknown names get DISPID_UNKNOWN.
HRESULT TableGetIDsOfNames(const DispTable& table, LPOLESTR* names, UINT count, DISPID* ids);
// Calls the member with the dispatch identifier and kind. A failing call whose error information
// is set returns DISP_E_EXCEPTION with that information in excepInfo (and keeps it for GetErrorInfo).
HRESULT TableInvoke(const DispTable& table, void* iface, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excepInfo, UINT* argErr);

namespace detail {

template <class T>
struct InArg;
template <VARTYPE VT, class T, auto Field>
struct ScalarIn {
    static constexpr VARTYPE vt = VT;
    static T Get(VARIANT& v) { return static_cast<T>(v.*Field); }
};
template <> struct InArg<LONG> : ScalarIn<VT_I4, LONG, &VARIANT::lVal> {};
template <> struct InArg<DOUBLE> : ScalarIn<VT_R8, DOUBLE, &VARIANT::dblVal> {};
template <> struct InArg<BSTR> : ScalarIn<VT_BSTR, BSTR, &VARIANT::bstrVal> {};
template <> struct InArg<VARIANT_BOOL> : ScalarIn<VT_BOOL, VARIANT_BOOL, &VARIANT::boolVal> {};
template <> struct InArg<BYTE> : ScalarIn<VT_UI1, BYTE, &VARIANT::bVal> {};
template <> struct InArg<USHORT> : ScalarIn<VT_UI2, USHORT, &VARIANT::uiVal> {};
template <> struct InArg<ULONG> : ScalarIn<VT_UI4, ULONG, &VARIANT::ulVal> {};
template <> struct InArg<FLOAT> : ScalarIn<VT_R4, FLOAT, &VARIANT::fltVal> {};
template <class T>
    requires std::is_enum_v<T>
struct InArg<T> {
    static constexpr VARTYPE vt = VT_I4;
    static T Get(VARIANT& v) { return static_cast<T>(v.lVal); }
};
// A VARIANT argument is passed as it came (references kept), without conversion.
template <> struct InArg<VARIANT> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static VARIANT Get(VARIANT& v) { return v; }
};

template <class T>
struct OutArg;
template <VARTYPE VT, class T, auto Field>
struct ScalarOut {
    static void Put(VARIANT& r, T value)
    {
        r.vt = VT;
        r.*Field = value;
    }
};
template <> struct OutArg<LONG> : ScalarOut<VT_I4, LONG, &VARIANT::lVal> {};
template <> struct OutArg<DOUBLE> : ScalarOut<VT_R8, DOUBLE, &VARIANT::dblVal> {};
template <> struct OutArg<BSTR> : ScalarOut<VT_BSTR, BSTR, &VARIANT::bstrVal> {};
template <> struct OutArg<VARIANT_BOOL> : ScalarOut<VT_BOOL, VARIANT_BOOL, &VARIANT::boolVal> {};
template <> struct OutArg<BYTE> : ScalarOut<VT_UI1, BYTE, &VARIANT::bVal> {};
template <> struct OutArg<USHORT> : ScalarOut<VT_UI2, USHORT, &VARIANT::uiVal> {};
template <> struct OutArg<ULONG> : ScalarOut<VT_UI4, ULONG, &VARIANT::ulVal> {};
template <> struct OutArg<SHORT> : ScalarOut<VT_I2, SHORT, &VARIANT::iVal> {};
template <class T>
    requires std::is_enum_v<T>
struct OutArg<T> {
    static void Put(VARIANT& r, T value)
    {
        r.vt = VT_I4;
        r.lVal = static_cast<LONG>(value);
    }
};
template <class T>
    requires std::is_base_of_v<IDispatch, T>
struct OutArg<T*> {
    static void Put(VARIANT& r, T* value)
    {
        r.vt = VT_DISPATCH;
        r.pdispVal = value;
    }
};
template <> struct OutArg<VARIANT> {
    static void Put(VARIANT& r, const VARIANT& value) { r = value; }
};
template <> struct InArg<SHORT> : ScalarIn<VT_I2, SHORT, &VARIANT::iVal> {};

// A trailing pointer parameter that is not a BSTR is the [out, retval] parameter.
template <class T>
inline constexpr bool IsOut = std::is_pointer_v<T> && !std::is_same_v<T, BSTR>;

template <class... A>
struct LastIsOut : std::false_type {};
template <class A0, class... A>
struct LastIsOut<A0, A...> : std::bool_constant<IsOut<std::tuple_element_t<sizeof...(A), std::tuple<A0, A...>>>> {};

template <class M>
struct Method;
template <class I, class... A>
struct Method<HRESULT (I::*)(A...)> {
    using Iface = I;
    using Args = std::tuple<A...>;
    static constexpr size_t count = sizeof...(A);
    static constexpr bool hasOut = LastIsOut<A...>::value;
    static constexpr size_t inCount = hasOut ? count - 1 : count;
};

template <auto M, size_t... In>
HRESULT CallWith(void* iface, VARIANT* conv, VARIANT* result, std::index_sequence<In...>)
{
    using T = Method<decltype(M)>;
    auto* self = static_cast<typename T::Iface*>(iface);
    if constexpr (T::hasOut) {
        using OutPtr = std::tuple_element_t<T::count - 1, typename T::Args>;
        using Out = std::remove_pointer_t<OutPtr>;
        Out out{};
        const HRESULT hr =
            (self->*M)(InArg<std::remove_cv_t<std::tuple_element_t<In, typename T::Args>>>::Get(conv[In])..., &out);
        if (SUCCEEDED(hr) && result)
            OutArg<Out>::Put(*result, out);
        else if constexpr (std::is_same_v<Out, BSTR>)
            SysFreeString(out);
        else if constexpr (std::is_pointer_v<Out>) {
            if (out)
                out->Release();
        } else if constexpr (std::is_same_v<Out, VARIANT>)
            VariantClear(&out);
        return hr;
    } else {
        return (self->*M)(InArg<std::remove_cv_t<std::tuple_element_t<In, typename T::Args>>>::Get(conv[In])...);
    }
}

template <auto M, size_t... In>
constexpr VARTYPE TypeOf(size_t i, std::index_sequence<In...>)
{
    using T = Method<decltype(M)>;
    constexpr VARTYPE types[] = {InArg<std::remove_cv_t<std::tuple_element_t<In, typename T::Args>>>::vt..., VT_EMPTY};
    return types[i];
}

// args are in call order (first argument first).
template <auto M>
HRESULT Invoke(void* iface, VARIANT* args, UINT count, VARIANT* result, UINT* argErr)
{
    using T = Method<decltype(M)>;
    constexpr size_t n = T::inCount;
    if (count != n)
        return DISP_E_BADPARAMCOUNT;
    VARIANT conv[n + 1];
    for (auto& v : conv)
        VariantInit(&v);
    HRESULT hr = S_OK;
    for (size_t i = 0; i < n && SUCCEEDED(hr); ++i) {
        const VARTYPE vt = TypeOf<M>(i, std::make_index_sequence<n>{});
        if (vt == VT_VARIANT) {
            conv[i] = (args[i].vt == (VT_VARIANT | VT_BYREF) && args[i].pvarVal) ? *args[i].pvarVal : args[i];
        } else {
            hr = VariantChangeType(&conv[i], &args[i], 0, vt);
            if (FAILED(hr) && argErr)
                *argErr = UINT(n - 1 - i);
        }
    }
    if (SUCCEEDED(hr))
        hr = CallWith<M>(iface, conv, result, std::make_index_sequence<n>{});
    for (size_t i = 0; i < n; ++i)
        if (TypeOf<M>(i, std::make_index_sequence<n>{}) != VT_VARIANT)
            VariantClear(&conv[i]);
    return hr;
}

} // namespace detail

template <auto M>
DispMember Member(const char* name, DISPID id, WORD kind = DISPATCH_METHOD)
{
    return {name, id, kind, &detail::Invoke<M>, UINT(detail::Method<decltype(M)>::inCount)};
}
template <auto M>
DispMember Get(const char* name, DISPID id)
{
    return Member<M>(name, id, DISPATCH_PROPERTYGET);
}
template <auto M>
DispMember Put(const char* name, DISPID id)
{
    return Member<M>(name, id, DISPATCH_PROPERTYPUT);
}

// The four IDispatch methods of a dual interface I, served from Table().
template <class I, const DispTable& (*Table)()>
class Dual : public I {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** pp) override
    {
        if (pp)
            *pp = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return TableGetIDsOfNames(Table(), names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                   UINT* argErr) override
    {
        return TableInvoke(Table(), static_cast<I*>(this), id, flags, params, result, excep, argErr);
    }
};

} // namespace vqxcom::server
