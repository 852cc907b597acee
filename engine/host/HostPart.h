#pragma once
// A further dual interface of the host object: it lives inside the host and answers IUnknown as
// the host does, so every interface of the host is one object to the client.

#include "platform/com/server/ComServer.h"

namespace engine {

template <class I, const vqxcom::server::DispTable& (*Table)()>
class CHostPart : public vqxcom::server::Dual<I, Table> {
public:
    explicit CHostPart(IUnknown& host) : m_outer(host) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return m_outer.QueryInterface(riid, ppv); }
    ULONG AddRef() override { return m_outer.AddRef(); }
    ULONG Release() override { return m_outer.Release(); }

private:
    IUnknown& m_outer;
};

} // namespace engine
