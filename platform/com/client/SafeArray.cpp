// SAFEARRAY: a block of elements of one type with up to 64 dimensions, each with a lower bound.
// Dimension 1 varies fastest. Arrays of BSTR, VARIANT and interfaces own their elements.
#include "vqxcom/Com.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr UINT kMaxDims = 64;
// Arrays never exceed this many bytes of elements (a guard against sizes that overflow).
constexpr uint64_t kMaxDataBytes = uint64_t(1) << 31;

ULONG ElementSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_R8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(IUnknown*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

uint64_t ElementCount(const SAFEARRAY* psa)
{
    uint64_t n = 1;
    for (UINT d = 0; d < psa->cDims; ++d)
        n *= psa->rgsabound[d].cElements;
    return n;
}

// Releases what the elements own (BSTRs, variants, interfaces) and zeroes them.
void ClearElements(SAFEARRAY* psa)
{
    const uint64_t n = ElementCount(psa);
    for (uint64_t i = 0; i < n; ++i) {
        void* p = static_cast<uint8_t*>(psa->pvData) + i * psa->cbElements;
        switch (psa->vt) {
        case VT_BSTR: SysFreeString(*static_cast<BSTR*>(p)); break;
        case VT_VARIANT: VariantClear(static_cast<VARIANT*>(p)); break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (auto* u = *static_cast<IUnknown**>(p))
                u->Release();
            break;
        default: break;
        }
    }
    std::memset(psa->pvData, 0, n * psa->cbElements);
}

// The element at the given indices, or null when one lies outside its dimension.
void* ElementAt(SAFEARRAY* psa, const LONG* idx)
{
    uint64_t offset = 0, stride = 1;
    for (UINT d = 0; d < psa->cDims; ++d) {
        const SAFEARRAYBOUND& b = psa->rgsabound[d];
        const int64_t i = int64_t(idx[d]) - b.lLbound;
        if (i < 0 || uint64_t(i) >= b.cElements)
            return nullptr;
        offset += uint64_t(i) * stride;
        stride *= b.cElements;
    }
    return static_cast<uint8_t*>(psa->pvData) + offset * psa->cbElements;
}

HRESULT CopyElementOut(VARTYPE vt, const void* from, void* to, ULONG size)
{
    switch (vt) {
    case VT_BSTR: {
        BSTR s = *static_cast<const BSTR*>(from);
        BSTR copy = s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr;
        if (s && !copy)
            return E_OUTOFMEMORY;
        *static_cast<BSTR*>(to) = copy;
        return S_OK;
    }
    case VT_VARIANT:
        VariantInit(static_cast<VARIANT*>(to));
        return VariantCopy(static_cast<VARIANT*>(to), static_cast<const VARIANT*>(from));
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        IUnknown* u = *static_cast<IUnknown* const*>(from);
        if (u)
            u->AddRef();
        *static_cast<IUnknown**>(to) = u;
        return S_OK;
    }
    default: std::memcpy(to, from, size); return S_OK;
    }
}

} // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* bounds)
{
    const ULONG size = ElementSize(vt);
    if (size == 0 || cDims == 0 || cDims > kMaxDims || !bounds)
        return nullptr;
    uint64_t count = 1;
    for (UINT d = 0; d < cDims; ++d) {
        count *= bounds[d].cElements;
        if (count * size > kMaxDataBytes)
            return nullptr;
        // The last index of a dimension must be representable as a LONG.
        if (int64_t(bounds[d].lLbound) + int64_t(bounds[d].cElements) - 1 > std::numeric_limits<LONG>::max())
            return nullptr;
    }
    const size_t header = sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
    auto* psa = static_cast<SAFEARRAY*>(std::calloc(1, header));
    if (!psa)
        return nullptr;
    psa->pvData = std::calloc(count ? count : 1, size);
    if (!psa->pvData) {
        std::free(psa);
        return nullptr;
    }
    psa->cDims = USHORT(cDims);
    psa->cbElements = size;
    psa->vt = vt;
    for (UINT d = 0; d < cDims; ++d)
        psa->rgsabound[d] = bounds[d];
    return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    SAFEARRAYBOUND b{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &b);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa)
{
    if (!psa)
        return S_OK;
    if (psa->cLocks)
        return DISP_E_ARRAYISLOCKED;
    ClearElements(psa);
    std::free(psa->pvData);
    std::free(psa);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }
UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt)
{
    if (!psa || !pvt)
        return E_INVALIDARG;
    *pvt = psa->vt;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* pl)
{
    if (!psa || !pl)
        return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    *pl = psa->rgsabound[nDim - 1].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* pl)
{
    if (!psa || !pl)
        return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = psa->rgsabound[nDim - 1];
    *pl = LONG(int64_t(b.lLbound) + int64_t(b.cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa)
{
    if (!psa)
        return E_INVALIDARG;
    ++psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa)
{
    if (!psa || psa->cLocks == 0)
        return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppv)
{
    if (!psa || !ppv)
        return E_INVALIDARG;
    ++psa->cLocks;
    *ppv = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* idx, void* pv)
{
    if (!psa || !idx || !pv)
        return E_INVALIDARG;
    const void* p = ElementAt(psa, idx);
    if (!p)
        return DISP_E_BADINDEX;
    return CopyElementOut(psa->vt, p, pv, psa->cbElements);
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* idx, const void* pv)
{
    if (!psa || !idx)
        return E_INVALIDARG;
    void* p = ElementAt(psa, idx);
    if (!p)
        return DISP_E_BADINDEX;
    switch (psa->vt) {
    case VT_BSTR: {
        // pv is the string itself for BSTR arrays.
        auto s = static_cast<BSTR>(const_cast<void*>(pv));
        BSTR copy = s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr;
        if (s && !copy)
            return E_OUTOFMEMORY;
        SysFreeString(*static_cast<BSTR*>(p));
        *static_cast<BSTR*>(p) = copy;
        return S_OK;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: {
        auto* u = static_cast<IUnknown*>(const_cast<void*>(pv));
        if (u)
            u->AddRef();
        if (auto* old = *static_cast<IUnknown**>(p))
            old->Release();
        *static_cast<IUnknown**>(p) = u;
        return S_OK;
    }
    case VT_VARIANT:
        if (!pv)
            return E_INVALIDARG;
        return VariantCopy(static_cast<VARIANT*>(p), static_cast<const VARIANT*>(pv));
    default:
        if (!pv)
            return E_INVALIDARG;
        std::memcpy(p, pv, psa->cbElements);
        return S_OK;
    }
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** out)
{
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    if (!psa)
        return S_OK;
    SAFEARRAY* copy = SafeArrayCreate(psa->vt, psa->cDims, psa->rgsabound);
    if (!copy)
        return E_OUTOFMEMORY;
    const uint64_t n = ElementCount(psa);
    for (uint64_t i = 0; i < n; ++i) {
        const HRESULT hr = CopyElementOut(psa->vt, static_cast<uint8_t*>(psa->pvData) + i * psa->cbElements,
                                          static_cast<uint8_t*>(copy->pvData) + i * psa->cbElements, psa->cbElements);
        if (FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
    }
    *out = copy;
    return S_OK;
}
