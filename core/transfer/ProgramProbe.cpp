// Whether a motor has program memory: its checksum answer, or else a minimal program loaded and
// read back.

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/TransferSteps.h"

#include <cstdlib>
#include <cstring>

using namespace transfer;

namespace {

// Old firmware on channel 1 cannot upload; its probe prints instead.
bool UsesPrintProbe(const CMotor& m)
{
    return m.port && m.port->MotorChannel == 1 && m.Version.size() >= 3 && std::atoi(m.Version.substr(0, 3).c_str()) < 415;
}

bool ReadBackProbe(CMotor& m, bool printProbe)
{
    if (printProbe)
        return m.SendAndReceive("RUN") == kProbeRunReply;
    m.SendCommand("UPLOAD");
    uint8_t buffer[9] = {};
    size_t got = 0;
    m.Read(buffer, sizeof buffer, got, m.port->totalTimeout);
    return std::memcmp(buffer, kProbeUploadText, std::strlen(kProbeUploadText)) == 0;
}

} // namespace

bool CMotor::EnsureValidProgram()
{
    CCommPort& port = PortOf(*this);
    std::string reply;
    {
        motorport::CTimeoutScope timeouts(port, -1, kChecksumTimeoutMs);
        motorport::EnsureOpen(port);
        reply = GetVariable("CKS");
    }
    if (IsChecksumReply(reply, true))
        return true;

    const bool printProbe = UsesPrintProbe(*this);
    const std::string image = ProbeImage(Version, printProbe);
    bool valid = false;
    try {
        bool loadSent = false;
        PrepareTransfer(*this, false, false, loadSent);
        std::vector<uint8_t> bytes(image.begin(), image.end());
        bytes.insert(bytes.end(), kImageTerminator, kImageTerminator + 3);
        WriteChecked(bytes.data(), bytes.size());
        valid = ReadBackProbe(*this, printProbe);
    } catch (const CVQXException& e) {
        if (e.GetCode() != CVQXException::NoResponse) {
            WakeAllQuietly(port);
            throw;
        }
    }
    // The SLEEP of the preparation never outlives the probe.
    WakeAllQuietly(port);
    if (valid)
        return true;
    ProgName.clear();
    ProgSize = 0;
    progDate = SystemTime{};
    try {
        WriteProgramInfo(false);
    } catch (const CVQXException&) {
        // A motor without program memory may not keep its factory record either.
    }
    return false;
}
