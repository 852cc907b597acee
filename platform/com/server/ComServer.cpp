#include "platform/com/server/ComServer.h"

#include <algorithm>
#include <new>
#include <string>

namespace vqxcom::server {

namespace {
std::u16string Wide(std::string_view bytes)
{
    std::u16string w;
    w.reserve(bytes.size());
    for (unsigned char c : bytes)
        w.push_back(char16_t(c));
    return w;
}

bool SameName(LPCOLESTR a, const char* b)
{
    auto lower = [](char16_t c) { return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c; };
    for (; *a && *b; ++a, ++b)
        if (lower(*a) != lower(char16_t(static_cast<unsigned char>(*b))))
            return false;
    return *a == 0 && *b == 0;
}
} // namespace

void SetThreadError(const GUID& iid, std::string_view description, DWORD helpContext, std::string_view helpFile,
                    std::string_view source)
{
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create)) || !create)
        return;
    create->SetDescription(Wide(description).c_str());
    create->SetGUID(iid);
    create->SetHelpContext(helpContext);
    create->SetHelpFile(Wide(helpFile).c_str());
    create->SetSource(Wide(source).c_str());
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info))) && info) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}

HRESULT ClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    // Aggregation would need the outer object's identity in every QueryInterface; no client of
    // these servers aggregates, so it is refused.
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_creator(outer, riid, ppv);
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    if (lock)
        m_module.Lock();
    else
        m_module.Unlock();
    return S_OK;
}

HRESULT TableGetIDsOfNames(const DispTable& table, LPOLESTR* names, UINT count, DISPID* ids)
{
    if (!names || !ids)
        return E_POINTER;
    if (count == 0)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    ids[0] = DISPID_UNKNOWN;
    if (names[0])
        for (const DispMember& m : table)
            if (SameName(names[0], m.name)) {
                ids[0] = m.id;
                break;
            }
    if (ids[0] == DISPID_UNKNOWN)
        hr = DISP_E_UNKNOWNNAME;
    // Parameter names are not known: our members are called by position.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT TableInvoke(const DispTable& table, void* iface, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excepInfo, UINT* argErr)
{
    if (!params)
        return E_INVALIDARG;
    if (params->cArgs && !params->rgvarg)
        return E_INVALIDARG;
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    if (params->cNamedArgs) {
        // The only named argument understood is the value of a property put.
        if (!put || params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_NONAMEDARGS;
    }
    const DispMember* member = nullptr;
    bool known = false;
    for (const DispMember& m : table) {
        if (m.id != id)
            continue;
        known = true;
        if (put ? m.kind == DISPATCH_PROPERTYPUT : (m.kind & flags) != 0) {
            member = &m;
            break;
        }
    }
    if (!member)
        return known ? DISP_E_MEMBERNOTFOUND : DISP_E_MEMBERNOTFOUND;
    if (params->cArgs > 64)
        return DISP_E_BADPARAMCOUNT;
    // rgvarg holds the arguments last first; the invoker wants them first first.
    VARIANT args[64];
    for (UINT i = 0; i < params->cArgs; ++i)
        args[i] = params->rgvarg[params->cArgs - 1 - i];
    UINT count = params->cArgs;
    const UINT firstOptional = member->inArgs - std::min(member->optionalArgs, member->inArgs);
    if (count < member->inArgs && count >= firstOptional)
        count = member->inArgs;
    for (UINT i = firstOptional; i < count && i < member->inArgs; ++i) {
        const bool missing = i >= params->cArgs || (args[i].vt == VT_ERROR && args[i].scode == DISP_E_PARAMNOTFOUND);
        if (missing) {
            VariantInit(&args[i]);
            args[i].vt = VT_I4;
            args[i].lVal = member->optionalDefault;
        }
    }
    if (result)
        VariantInit(result);
    const HRESULT hr = member->invoke(iface, args, count, result, argErr);
    if (SUCCEEDED(hr) || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW ||
        hr == DISP_E_BADVARTYPE)
        return hr;
    if (!excepInfo)
        return hr;
    // The method's failure becomes an exception of the call, with the error information it set.
    std::memset(excepInfo, 0, sizeof *excepInfo);
    excepInfo->scode = hr;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        info->GetDescription(&excepInfo->bstrDescription);
        info->GetSource(&excepInfo->bstrSource);
        info->GetHelpFile(&excepInfo->bstrHelpFile);
        info->GetHelpContext(&excepInfo->dwHelpContext);
        SetErrorInfo(0, info);
        info->Release();
    }
    return DISP_E_EXCEPTION;
}

} // namespace vqxcom::server
