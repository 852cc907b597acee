#pragma once
// Our own small COM: what a client of an in-process COM server needs, and nothing from any other
// header of the project. Types, identifiers and result codes; IUnknown, IDispatch, class
// factories and error information; BSTR, VARIANT and SAFEARRAY with their functions; and
// CoCreateInstance, which finds a class's library in HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32
// of our registry and loads it with dlopen.
//
// Conventions kept from the interfaces' callers:
//   - COM "long" is LONG = int32_t on every platform; BOOL is 32-bit, VARIANT_BOOL 16-bit (-1/0).
//   - A BSTR is a pointer to UTF-16 text preceded by its length in bytes (32-bit) and followed by a
//     zero. A null BSTR is an empty string. Out strings are freed by the caller (SysFreeString).
//     The engine's texts are 8-bit bytes: code points 0-255 map to bytes one to one (BstrFromBytes,
//     BytesFromBstr), so every byte value survives the round trip.
//   - Interfaces are abstract classes without a virtual destructor: their vtable slots are exactly
//     the declared methods in order (IUnknown 0-2, IDispatch 3-6, then the interface's own).
//   - Reference counts of the objects made here are atomic.
//   - Error information is per thread: SetErrorInfo installs it, GetErrorInfo hands it over once.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#if defined(VQXCOM_BUILDING)
#define VQXCOM_API __attribute__((visibility("default")))
#else
#define VQXCOM_API
#endif

// ---- Basic types ----
using HRESULT = int32_t;
using SCODE = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using USHORT = uint16_t;
using SHORT = int16_t;
using BYTE = uint8_t;
using CHAR = int8_t;
using INT = int32_t;
using UINT = uint32_t;
using BOOL = int32_t;
using FLOAT = float;
using DOUBLE = double;
using DISPID = int32_t;
using LCID = uint32_t;
using VARTYPE = uint16_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

// A type of its own (16-bit), so that late binding tells a boolean from a 16-bit integer.
enum VARIANT_BOOL : int16_t { VARIANT_FALSE = 0, VARIANT_TRUE = -1 };
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

// ---- Result codes ----
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
inline constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
inline constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = HRESULT(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HRESULT(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154u);
inline constexpr HRESULT CO_E_CLASSSTRING = HRESULT(0x800401F3u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = HRESULT(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = HRESULT(0x800401F9u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = HRESULT(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = HRESULT(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = HRESULT(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = HRESULT(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = HRESULT(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = HRESULT(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = HRESULT(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = HRESULT(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = HRESULT(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = HRESULT(0x8002000Eu);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = HRESULT(0x8002000Fu);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = HRESULT(0x8002000Du);

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// ---- Identifiers ----
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IErrorInfo{0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ICreateErrorInfo{0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ISupportErrorInfo{0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

// Class contexts; only in-process servers exist here.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_ALL = 0x17;

// ---- Interfaces ----
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct ITypeInfo; // not provided: GetTypeInfo answers E_NOTIMPL

struct VARIANT;
struct SAFEARRAY;

struct DISPPARAMS {
    VARIANT* rgvarg;          // arguments in reverse order (the last argument first)
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    void* pfnDeferredFillIn;
    SCODE scode;
};

inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* pGUID) = 0;
    virtual HRESULT GetSource(BSTR* pBstrSource) = 0;
    virtual HRESULT GetDescription(BSTR* pBstrDescription) = 0;
    virtual HRESULT GetHelpFile(BSTR* pBstrHelpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* pdwHelpContext) = 0;

protected:
    ~IErrorInfo() = default;
};

struct ICreateErrorInfo : IUnknown {
    virtual HRESULT SetGUID(REFGUID rguid) = 0;
    virtual HRESULT SetSource(LPCOLESTR szSource) = 0;
    virtual HRESULT SetDescription(LPCOLESTR szDescription) = 0;
    virtual HRESULT SetHelpFile(LPCOLESTR szHelpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD dwHelpContext) = 0;

protected:
    ~ICreateErrorInfo() = default;
};

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

// ---- VARIANT ----
enum VARENUM : VARTYPE {
    VT_EMPTY = 0, VT_NULL = 1, VT_I2 = 2, VT_I4 = 3, VT_R4 = 4, VT_R8 = 5, VT_BSTR = 8,
    VT_DISPATCH = 9, VT_ERROR = 10, VT_BOOL = 11, VT_VARIANT = 12, VT_UNKNOWN = 13, VT_I1 = 16,
    VT_UI1 = 17, VT_UI2 = 18, VT_UI4 = 19, VT_INT = 22, VT_UINT = 23,
    VT_ARRAY = 0x2000, VT_BYREF = 0x4000, VT_TYPEMASK = 0x0FFF
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1, wReserved2, wReserved3;
    union {
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        CHAR cVal;
        USHORT uiVal;
        ULONG ulVal;
        INT intVal;
        UINT uintVal;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
        USHORT* puiVal;
        ULONG* pulVal;
        INT* pintVal;
        UINT* puintVal;
    };
};
using VARIANTARG = VARIANT;

// ---- SAFEARRAY ----
struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};
// rgsabound[d - 1] describes dimension d; dimension 1 varies fastest in memory.
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    VARTYPE vt; // element type (VT_R8, VT_I4, VT_VARIANT, VT_BSTR, ...)
    SAFEARRAYBOUND rgsabound[1];
};

// ---- Functions (C-style, as clients know them) ----
// Strings.
VQXCOM_API BSTR SysAllocString(LPCOLESTR psz);
VQXCOM_API BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
VQXCOM_API BSTR SysAllocStringByteLen(const char* psz, UINT len);
VQXCOM_API int SysReAllocString(BSTR* pbstr, LPCOLESTR psz);
VQXCOM_API void SysFreeString(BSTR bstr);
VQXCOM_API UINT SysStringLen(BSTR bstr);
VQXCOM_API UINT SysStringByteLen(BSTR bstr);

// Variants.
VQXCOM_API void VariantInit(VARIANT* pvarg);
VQXCOM_API HRESULT VariantClear(VARIANT* pvarg);
VQXCOM_API HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc);
// Converts to vt (a plain type, not BYREF or ARRAY) following references: numbers between each
// other with range checks (DISP_E_OVERFLOW), numbers from and to BSTR, booleans as -1/0.
VQXCOM_API HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, USHORT wFlags, VARTYPE vt);

// Safe arrays.
VQXCOM_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound);
VQXCOM_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
VQXCOM_API HRESULT SafeArrayDestroy(SAFEARRAY* psa);
VQXCOM_API UINT SafeArrayGetDim(SAFEARRAY* psa);
VQXCOM_API UINT SafeArrayGetElemsize(SAFEARRAY* psa);
VQXCOM_API HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
VQXCOM_API HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
VQXCOM_API HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
VQXCOM_API HRESULT SafeArrayLock(SAFEARRAY* psa);
VQXCOM_API HRESULT SafeArrayUnlock(SAFEARRAY* psa);
VQXCOM_API HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
VQXCOM_API HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
// Element at rgIndices[d - 1] for dimension d. BSTR, VARIANT and interface elements are copied
// (the caller owns the copy) on get and copied in on put.
VQXCOM_API HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* pv);
VQXCOM_API HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, const void* pv);
VQXCOM_API HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);

// Error information of the calling thread.
VQXCOM_API HRESULT CreateErrorInfo(ICreateErrorInfo** pperrinfo);
// Replaces the thread's error information (null clears it); dwReserved must be 0.
VQXCOM_API HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
// Hands the thread's error information to the caller and clears it; S_FALSE when there is none.
VQXCOM_API HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);

// Classes. The registry is the process's (VQX_REGISTRY_DIR, else the user's and machine's files).
VQXCOM_API HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid, void** ppv);
VQXCOM_API HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" or a ProgID registered with a CLSID subkey.
VQXCOM_API HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
VQXCOM_API HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* pclsid);

// Notification targets: what a window and a message number are to a server that reports progress.
// A client registers a callback and passes the returned handle (never 0) to the server; the
// server calls SendNotification, which runs the callback on the server's calling thread and
// returns its reply: the call is synchronous. A callback that must run on another thread hands
// the call over and waits for the answer itself. UnregisterNotifyTarget waits until running
// calls of that target have ended (unless called from inside one of them).
using NotifyCallback = LONG (*)(void* context, LONG message, LONG wParam, LONG lParam);
VQXCOM_API LONG RegisterNotifyTarget(NotifyCallback callback, void* context);
VQXCOM_API void UnregisterNotifyTarget(LONG handle);
// The callback's reply; `delivered` (when given) tells whether the handle named a live target
// (the reply is then 0 when it did not).
VQXCOM_API LONG SendNotification(LONG handle, LONG message, LONG wParam, LONG lParam, bool* delivered);

// Entry points an in-process server exports with C linkage.
extern "C" {
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID, REFIID, void**);
using PFN_DllCanUnloadNow = HRESULT (*)();
using PFN_DllRegisterServer = HRESULT (*)();
using PFN_DllUnregisterServer = HRESULT (*)();
}

// ---- Helpers for C++ clients ----
namespace vqxcom {

// "{BC26FBBA-00E1-11D4-B5D0-00600831E1F3}" (upper-case hexadecimal).
VQXCOM_API std::string GuidToString(const GUID& guid);
// Parses the form above (braces required); false on any other text.
VQXCOM_API bool GuidFromString(std::string_view text, GUID& guid);

// Byte text <-> BSTR: each byte is one code point 0-255 and back; a code point above 255 becomes '?'.
VQXCOM_API BSTR BstrFromBytes(std::string_view bytes);
VQXCOM_API std::string BytesFromBstr(BSTR bstr);
// ASCII text of a UTF-16 literal (u"...") and back, for names and identifiers.
inline std::u16string Widen(std::string_view s)
{
    std::u16string w;
    w.reserve(s.size());
    for (unsigned char c : s)
        w.push_back(char16_t(c));
    return w;
}

// An owned BSTR, freed when it goes.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::string_view bytes) : m_s(BstrFromBytes(bytes)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : m_s(std::exchange(o.m_s, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept
    {
        if (this != &o) {
            SysFreeString(m_s);
            m_s = std::exchange(o.m_s, nullptr);
        }
        return *this;
    }
    ~Bstr() { SysFreeString(m_s); }
    // The string for an [in] argument.
    BSTR get() const { return m_s; }
    // Frees what is held and gives the slot to an [out] argument.
    BSTR* out()
    {
        SysFreeString(m_s);
        m_s = nullptr;
        return &m_s;
    }
    std::string bytes() const { return BytesFromBstr(m_s); }
    UINT length() const { return SysStringLen(m_s); }

private:
    BSTR m_s = nullptr;
};

// An interface pointer that holds one reference.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p) { if (m_p) m_p->AddRef(); }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }
    void reset()
    {
        if (m_p)
            std::exchange(m_p, nullptr)->Release();
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Releases what is held and gives the slot to an [out] argument (the reference it receives is
    // taken over).
    T** out()
    {
        reset();
        return &m_p;
    }
    void** outVoid() { return reinterpret_cast<void**>(out()); }
    // Queries another interface of the same object.
    template <class U>
    HRESULT As(const IID& iid, ComPtr<U>& other) const
    {
        return m_p ? m_p->QueryInterface(iid, other.outVoid()) : E_POINTER;
    }

private:
    T* m_p = nullptr;
};

// The thread's error information, taken once after a call failed.
struct ErrorDetails {
    bool present = false;
    GUID guid = GUID_NULL;
    std::string description;
    std::string source;
    std::string helpFile;
    DWORD helpContext = 0;
};
VQXCOM_API ErrorDetails TakeErrorInfo();

} // namespace vqxcom
