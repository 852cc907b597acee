#include "core/transfer/EndProgram.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/ProgramTransfer.h"
#include "core/transfer/TransferSteps.h"

#include <ctime>

namespace transfer {
namespace {

// Marks a motor's ClearProgram as running for the length of the call.
class CClearingGuard {
public:
    explicit CClearingGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CClearingGuard() { m_flag = false; }
    CClearingGuard(const CClearingGuard&) = delete;
    CClearingGuard& operator=(const CClearingGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

std::string EndProgramImage(const ProgramCompiler& compiler, const std::string& firmware)
{
    if (compiler) {
        try {
            // A language file without this firmware's own language compiles for another one; its
            // header would then keep the motor from taking its own END program.
            if (auto image = compiler("END", firmware); image && image->size() > 4 && (*image)[0] == '$') {
                CMotor motor;
                motor.Version = firmware;
                if (motor.IsFirmwareCompatible(image->substr(1)))
                    return *image;
            }
        } catch (...) {
            // No language file for this firmware: the hand-made image below.
        }
    }
    return FixedEndImage(firmware);
}

} // namespace transfer

using namespace transfer;

void CMotor::ClearProgram(uint32_t flags, bool showProgress)
{
    if (m_clearing)
        return;
    CClearingGuard guard(m_clearing);
    const std::string image = EndProgramImage(Context().Compiler(), Version);
    if (static_cast<long>(image.size()) > kMaxProgramBytes)
        throw CVQXException(CVQXException::FileTooLong);
    flags |= DL_NO_MEMORY_CHECK;
    if (Address != 0 && !CheckDownload(image.substr(1), flags))
        return;
    if (!RunDownload(*this, reinterpret_cast<const uint8_t*>(image.data()), image.size(), showProgress, flags))
        return;
    ProgName = kEndProgramName;
    ProgSize = static_cast<uint32_t>(image.size());
    progDate = ToSystemTime(std::time(nullptr));
    const auto checksum = HeaderChecksum(image);
    ProgChecksum = checksum ? static_cast<int32_t>(*checksum) : kEndProgramChecksum;
    if (Address != 0)
        WriteProgramInfo(false);
}
