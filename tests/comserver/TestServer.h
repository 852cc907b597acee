#pragma once
// The test server's class and interface, as its clients see them.
#include "vqxcom/Com.h"

inline constexpr CLSID CLSID_Counter{0x3B1D2F10, 0x6A2C, 0x4E55, {0x9A, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75}};
inline constexpr IID IID_ICounter{0x3B1D2F11, 0x6A2C, 0x4E55, {0x9A, 0x11, 0x20, 0x31, 0x42, 0x53, 0x64, 0x75}};

struct ICounter : IDispatch {
    virtual HRESULT Add(LONG by, LONG* total) = 0;
    virtual HRESULT get_Name(BSTR* name) = 0;
    virtual HRESULT put_Name(BSTR name) = 0;
    virtual HRESULT Scale(DOUBLE factor, BYTE small, VARIANT_BOOL negate, DOUBLE* out) = 0;
    virtual HRESULT Fail(LONG code) = 0;

protected:
    ~ICounter() = default;
};
