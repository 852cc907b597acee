// The engine link on a VQXHost object loaded through the registry, as any client of the library.
#include "samples/common/EngineLink.h"

#include "VQXEngine.h"

#include <cstdio>

namespace vqxclient {
namespace {

using vqxcom::Bstr;
using vqxcom::ComPtr;

// A failed call: the engine's code and text from the thread's error information.
void Check(HRESULT hr)
{
    if (SUCCEEDED(hr))
        return;
    const vqxcom::ErrorDetails details = vqxcom::TakeErrorInfo();
    if (details.present)
        throw EngineFailure(VQXErrorCode(details.helpContext), details.description);
    char text[64];
    std::snprintf(text, sizeof text, "Engine call failed (0x%08X)", unsigned(hr));
    throw EngineFailure(VQXE_EXCEPTION, text);
}

class ComEngineLink final : public EngineLink {
public:
    ComEngineLink(ComPtr<IVQXComm> comm, ComPtr<IVQXSynmove> synmove)
        : m_comm(std::move(comm)), m_synmove(std::move(synmove))
    {
    }

    void OpenPort(const std::string& name) override { Check(m_comm->OpenPort(Bstr(name).get())); }
    void ClosePort() override { Check(m_comm->ClosePort()); }
    void ClearBuffer() override { Check(m_comm->ClearBuffer()); }
    void SetBaudRate(int32_t baud) override { Check(m_comm->put_BaudRate(baud)); }
    int32_t AddressMotorChain() override
    {
        LONG count = 0;
        Check(m_comm->AddressMotorChain(&count));
        return count;
    }
    void SetDefaultMotor(int32_t address) override { Check(m_comm->put_DefaultMotor(address)); }
    void SetEcho(bool on) override { Check(m_comm->put_Echo(on ? VARIANT_TRUE : VARIANT_FALSE)); }
    void WriteCommand(const std::string& command) override { Check(m_comm->WriteCommand(Bstr(command).get())); }
    std::string ReadResponse() override
    {
        Bstr reply;
        Check(m_comm->ReadResponse(reply.out()));
        return reply.bytes();
    }
    std::string GetResponseOf(const std::string& command) override
    {
        Bstr reply;
        Check(m_comm->GetResponseOf(Bstr(command).get(), reply.out()));
        return reply.bytes();
    }
    void Wait(int32_t milliseconds) override { Check(m_comm->Wait(milliseconds)); }
    double SampleRate(int32_t address) override
    {
        ComPtr<IVQXMotor> motor;
        Check(m_comm->GetMotor(address, motor.out()));
        DOUBLE rate = 0;
        Check(motor->get_SampleRate(&rate));
        return rate;
    }

    void Initialize(int32_t motors) override { Check(Synmove()->Initialize(motors)); }
    void WritePosition(int32_t motor, int32_t position) override { Check(Synmove()->WritePosition(motor, position)); }
    void WriteClock(int32_t motor, int32_t clock) override { Check(Synmove()->WriteClock(motor, clock)); }
    int32_t TrajectorySlots() override
    {
        LONG slots = 0;
        Check(Synmove()->get_TrajectorySlots(&slots));
        return slots;
    }
    int32_t SlotsNeeded(int32_t motor) override
    {
        LONG slots = 0;
        Check(Synmove()->get_SlotsNeeded(motor, &slots));
        return slots;
    }
    void Run() override { Check(Synmove()->Run()); }
    int32_t CheckStatus(int32_t motor) override
    {
        LONG free = 0;
        Check(Synmove()->CheckStatus(motor, &free));
        return free;
    }

private:
    IVQXSynmove* Synmove()
    {
        if (!m_synmove)
            throw EngineFailure(VQXE_EXCEPTION, "The interface \"IVQXSynmove\" not found!");
        return m_synmove.get();
    }

    ComPtr<IVQXComm> m_comm;
    ComPtr<IVQXSynmove> m_synmove;
};

} // namespace

std::unique_ptr<EngineLink> CreateEngineHost(bool synmove)
{
    ComPtr<IUnknown> unknown;
    ComPtr<IVQXComm> comm;
    if (FAILED(CoCreateInstance(CLSID_VQXHost, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.outVoid())) ||
        FAILED(unknown.As(IID_IVQXComm, comm)))
        throw HostCreationError(false, "Cannot create an instance of \"VQXHost\" class!\nPlease make sure that "
                                       "VQXEngine library has been installed on your computer.");
    unknown.reset();
    ComPtr<IVQXSynmove> stream;
    if (synmove && FAILED(comm.As(IID_IVQXSynmove, stream)))
        throw HostCreationError(true, "The interface \"IVQXSynmove\" not found!");
    return std::make_unique<ComEngineLink>(std::move(comm), std::move(stream));
}

} // namespace vqxclient
