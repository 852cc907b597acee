#pragma once
// A client of the engine library as a machine builder writes one: it includes only the engine's
// public header, creates the host through the registry, and talks to simulated motors.

#include "VQXEngine.h"

#include "tests/common/TempFolder.h"
#include "tests/engine/CompiledImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using vqxcom::Bstr;

// An echo time-out (ms) that a loaded test machine keeps to: the default 100 ms of a quiet line
// is not.
inline constexpr LONG kEchoMarginMs = 500;
using vqxcom::ComPtr;

// The engine registered by its own tool in a registry of this test process.
inline void RegisterEngineOnce()
{
    static TempFolder folder;
    static const bool done = [] {
        setenv("VQX_REGISTRY_DIR", folder.Path().c_str(), 1);
        const std::string command = std::string("VQX_REGISTRY_DIR='") + folder.Path() + "' '" + VQX_REGSVR + "' '" +
                                    VQX_ENGINE_LIBRARY + "' > /dev/null";
        return std::system(command.c_str()) == 0;
    }();
    ASSERT_TRUE(done) << "vqx-regsvr failed";
}

// The thread's error information after a call that returned E_FAIL.
struct EngineError {
    int32_t code = -1;
    std::string text;
    GUID iid = GUID_NULL;
};
inline EngineError TakeEngineError()
{
    const auto d = vqxcom::TakeErrorInfo();
    EngineError e;
    if (d.present) {
        e.code = VQXErrorCode(d.helpContext);
        e.text = d.description;
        e.iid = d.guid;
    }
    return e;
}

// E_FAIL with this code and text under this interface.
#define EXPECT_ENGINE_ERROR(call, iid_, code_, text_)                                                              \
    do {                                                                                                           \
        EXPECT_EQ((call), E_FAIL) << #call;                                                                        \
        const EngineError e_ = TakeEngineError();                                                                  \
        EXPECT_EQ(e_.code, (code_)) << #call;                                                                      \
        EXPECT_EQ(e_.text, (text_)) << #call;                                                                      \
        EXPECT_TRUE(e_.iid == (iid_)) << #call;                                                                    \
    } while (0)

class EngineClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterEngineOnce();
        ASSERT_EQ(CoCreateInstance(CLSID_VQXHost, nullptr, CLSCTX_INPROC_SERVER, IID_IVQXComm, comm.outVoid()), S_OK);
    }
    void TearDown() override
    {
        comm.reset();
        if (notifyHandle)
            UnregisterNotifyTarget(notifyHandle);
    }

    std::string Response(const char* command)
    {
        Bstr reply;
        const HRESULT hr = comm->GetResponseOf(Bstr(command).get(), reply.out());
        return hr == S_OK ? reply.bytes() : "<failed>";
    }

    // A notification target that records (code, lParam) and answers with `reply(code)`.
    struct Recorder {
        std::vector<std::pair<LONG, LONG>> seen;
        LONG message = 0;
        LONG cancelCode = -1; // the code answered with 0
        static LONG Callback(void* self, LONG message, LONG wParam, LONG lParam)
        {
            auto* r = static_cast<Recorder*>(self);
            r->message = message;
            r->seen.emplace_back(wParam, lParam);
            return wParam == r->cancelCode ? 0 : 1;
        }
        std::string Trace() const
        {
            std::string t;
            for (const auto& s : seen)
                t += '(' + std::to_string(s.first) + "," + std::to_string(s.second) + ")";
            return t;
        }
        bool Saw(LONG code) const
        {
            for (const auto& s : seen)
                if (s.first == code)
                    return true;
            return false;
        }
    };
    void Notify(Recorder& recorder)
    {
        notifyHandle = RegisterNotifyTarget(&Recorder::Callback, &recorder);
        ASSERT_NE(notifyHandle, 0);
        ASSERT_EQ(comm->InitializeNotification(notifyHandle, 0x8123), S_OK);
    }

    ComPtr<IVQXComm> comm;
    LONG notifyHandle = 0;
};
