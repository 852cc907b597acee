// VARIANT: initialisation, clearing, deep copies and the conversions the interfaces' arguments need.
#include "vqxcom/Com.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

void VariantInit(VARIANT* v)
{
    if (v)
        std::memset(v, 0, sizeof *v);
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_INVALIDARG;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            if (v->parray) {
                const HRESULT hr = SafeArrayDestroy(v->parray);
                if (FAILED(hr))
                    return hr;
            }
        } else if (v->vt == VT_BSTR) {
            SysFreeString(v->bstrVal);
        } else if ((v->vt == VT_UNKNOWN || v->vt == VT_DISPATCH) && v->punkVal) {
            v->punkVal->Release();
        }
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src)
{
    if (!dest || !src)
        return E_INVALIDARG;
    if (dest == src)
        return S_OK;
    VARIANT copy;
    VariantInit(&copy);
    copy.vt = src->vt;
    if (src->vt & VT_BYREF) {
        copy.byref = src->byref;
    } else if (src->vt & VT_ARRAY) {
        copy.parray = nullptr;
        if (src->parray) {
            const HRESULT hr = SafeArrayCopy(src->parray, &copy.parray);
            if (FAILED(hr))
                return hr;
        }
    } else if (src->vt == VT_BSTR) {
        copy.bstrVal = src->bstrVal ? SysAllocStringByteLen(reinterpret_cast<const char*>(src->bstrVal),
                                                            SysStringByteLen(src->bstrVal))
                                    : nullptr;
        if (src->bstrVal && !copy.bstrVal)
            return E_OUTOFMEMORY;
    } else {
        std::memcpy(&copy, src, sizeof copy);
        if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal)
            src->punkVal->AddRef();
    }
    VariantClear(dest);
    *dest = copy;
    return S_OK;
}

namespace {

// A scalar source value, references followed.
struct Scalar {
    enum Kind { Number, Text, Interface, Empty } kind = Empty;
    double number = 0;
    bool integral = true;
    int64_t integer = 0;
    BSTR text = nullptr;
    IUnknown* iface = nullptr;
    VARTYPE ifaceType = VT_EMPTY;
};

HRESULT ReadScalar(const VARIANT* v, Scalar& s)
{
    const VARTYPE base = v->vt & VT_TYPEMASK;
    const bool ref = (v->vt & VT_BYREF) != 0;
    if (v->vt & VT_ARRAY)
        return DISP_E_TYPEMISMATCH;
    if (ref && !v->byref)
        return E_INVALIDARG;
    auto integer = [&](int64_t x) {
        s.kind = Scalar::Number;
        s.integer = x;
        s.number = double(x);
        s.integral = true;
        return S_OK;
    };
    auto real = [&](double x) {
        s.kind = Scalar::Number;
        s.number = x;
        s.integral = false;
        return S_OK;
    };
    switch (base) {
    case VT_EMPTY:
        s.kind = Scalar::Empty;
        return ref ? DISP_E_BADVARTYPE : S_OK;
    case VT_I2: return integer(ref ? *v->piVal : v->iVal);
    case VT_I4:
    case VT_INT: return integer(ref ? *v->plVal : v->lVal);
    case VT_ERROR: return integer(ref ? *v->pscode : v->scode);
    case VT_I1: return integer(ref ? *reinterpret_cast<CHAR*>(v->byref) : v->cVal);
    case VT_UI1: return integer(ref ? *v->pbVal : v->bVal);
    case VT_UI2: return integer(ref ? *v->puiVal : v->uiVal);
    case VT_UI4:
    case VT_UINT: return integer(ref ? *v->pulVal : v->ulVal);
    case VT_BOOL: return integer((ref ? *v->pboolVal : v->boolVal) ? -1 : 0);
    case VT_R4: return real(ref ? *v->pfltVal : v->fltVal);
    case VT_R8: return real(ref ? *v->pdblVal : v->dblVal);
    case VT_BSTR:
        s.kind = Scalar::Text;
        s.text = ref ? *v->pbstrVal : v->bstrVal;
        return S_OK;
    case VT_UNKNOWN:
    case VT_DISPATCH:
        s.kind = Scalar::Interface;
        s.iface = ref ? *v->ppunkVal : v->punkVal;
        s.ifaceType = base;
        return S_OK;
    case VT_VARIANT:
        if (!ref)
            return DISP_E_BADVARTYPE;
        return ReadScalar(v->pvarVal, s);
    default:
        return DISP_E_BADVARTYPE;
    }
}

// A number from text: decimal, optional sign, fraction and exponent, blanks around it.
HRESULT NumberFromText(BSTR text, Scalar& s)
{
    const std::string bytes = vqxcom::BytesFromBstr(text);
    const char* begin = bytes.c_str();
    char* end = nullptr;
    const double x = std::strtod(begin, &end);
    if (end == begin)
        return DISP_E_TYPEMISMATCH;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0' || !std::isfinite(x))
        return DISP_E_TYPEMISMATCH;
    s.kind = Scalar::Number;
    s.number = x;
    s.integral = x == std::trunc(x) && std::fabs(x) < 9.2e18;
    s.integer = s.integral ? int64_t(x) : 0;
    return S_OK;
}

template <class T>
HRESULT ToInteger(const Scalar& s, T& out)
{
    int64_t value;
    if (s.integral) {
        value = s.integer;
    } else {
        const double r = std::nearbyint(s.number); // halves to even
        if (!(r >= -9.2e18 && r <= 9.2e18))
            return DISP_E_OVERFLOW;
        value = int64_t(r);
    }
    if (value < int64_t(std::numeric_limits<T>::min()) || value > int64_t(std::numeric_limits<T>::max()))
        return DISP_E_OVERFLOW;
    out = T(value);
    return S_OK;
}

BSTR TextOfNumber(const Scalar& s)
{
    char buf[40];
    if (s.integral)
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(s.integer));
    else
        std::snprintf(buf, sizeof buf, "%.15g", s.number);
    return vqxcom::BstrFromBytes(buf);
}

} // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT, VARTYPE vt)
{
    if (!dest || !src)
        return E_INVALIDARG;
    if (vt & (VT_BYREF | VT_ARRAY)) {
        if (src->vt != vt)
            return DISP_E_TYPEMISMATCH;
        return VariantCopy(dest, src);
    }
    Scalar s;
    HRESULT hr = ReadScalar(src, s);
    if (FAILED(hr))
        return hr;
    VARIANT out;
    VariantInit(&out);
    out.vt = vt;
    if (vt == VT_BSTR) {
        if (s.kind == Scalar::Text)
            out.bstrVal = s.text ? SysAllocStringLen(s.text, SysStringLen(s.text)) : nullptr;
        else if (s.kind == Scalar::Empty)
            out.bstrVal = SysAllocString(u"");
        else if (s.kind == Scalar::Number)
            out.bstrVal = (src->vt & VT_TYPEMASK) == VT_BOOL ? vqxcom::BstrFromBytes(s.integer ? "True" : "False")
                                                              : TextOfNumber(s);
        else
            return DISP_E_TYPEMISMATCH;
        if (!out.bstrVal && !(s.kind == Scalar::Text && !s.text))
            return E_OUTOFMEMORY;
    } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
        if (s.kind != Scalar::Interface)
            return DISP_E_TYPEMISMATCH;
        if (!s.iface) {
            out.punkVal = nullptr;
        } else if (vt == VT_UNKNOWN) {
            hr = s.iface->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&out.punkVal));
        } else {
            hr = s.iface->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&out.pdispVal));
        }
        if (FAILED(hr))
            return DISP_E_TYPEMISMATCH;
    } else {
        if (s.kind == Scalar::Interface)
            return DISP_E_TYPEMISMATCH;
        if (s.kind == Scalar::Text) {
            hr = NumberFromText(s.text, s);
            if (FAILED(hr))
                return hr;
        }
        switch (vt) {
        case VT_EMPTY: break;
        case VT_I2: hr = ToInteger(s, out.iVal); break;
        case VT_I4: hr = ToInteger(s, out.lVal); break;
        case VT_INT: hr = ToInteger(s, out.intVal); break;
        case VT_ERROR: hr = ToInteger(s, out.scode); break;
        case VT_I1: hr = ToInteger(s, out.cVal); break;
        case VT_UI1: hr = ToInteger(s, out.bVal); break;
        case VT_UI2: hr = ToInteger(s, out.uiVal); break;
        case VT_UI4: hr = ToInteger(s, out.ulVal); break;
        case VT_UINT: hr = ToInteger(s, out.uintVal); break;
        case VT_R4:
            if (std::fabs(s.number) > double(std::numeric_limits<float>::max()))
                return DISP_E_OVERFLOW;
            out.fltVal = float(s.number);
            break;
        case VT_R8: out.dblVal = s.number; break;
        case VT_BOOL: out.boolVal = s.number != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
        default: return DISP_E_BADVARTYPE;
        }
        if (FAILED(hr))
            return hr;
    }
    VariantClear(dest);
    *dest = out;
    return S_OK;
}
