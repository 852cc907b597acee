#include "core/transfer/EndProgram.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/ProgramTransfer.h"
#include "core/transfer/TransferSteps.h"

#include <ctime>
#include <mutex>

namespace transfer {
namespace {

std::mutex g_compilerMutex;
ProgramCompiler& Compiler()
{
    static ProgramCompiler compiler;
    return compiler;
}

// A nested call (the END program failing and asking for the END program) returns at once.
bool g_clearing = false;

class CClearingGuard {
public:
    CClearingGuard() { g_clearing = true; }
    ~CClearingGuard() { g_clearing = false; }
};

} // namespace

void SetProgramCompiler(ProgramCompiler compiler)
{
    std::lock_guard lock(g_compilerMutex);
    Compiler() = std::move(compiler);
}

bool HasProgramCompiler()
{
    std::lock_guard lock(g_compilerMutex);
    return static_cast<bool>(Compiler());
}

std::string EndProgramImage(const std::string& firmware)
{
    ProgramCompiler compiler;
    {
        std::lock_guard lock(g_compilerMutex);
        compiler = Compiler();
    }
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

void CMotor::ClearProgram(uint32_t flags)
{
    if (g_clearing)
        return;
    CClearingGuard guard;
    const std::string image = EndProgramImage(Version);
    if (static_cast<long>(image.size()) > kMaxProgramBytes)
        throw CVQXException(CVQXException::FileTooLong);
    flags |= DL_NO_MEMORY_CHECK;
    if (Address != 0 && !CheckDownload(image.substr(1), nullptr, flags))
        return;
    if (!RunDownload(*this, reinterpret_cast<const uint8_t*>(image.data()), image.size(), nullptr, flags))
        return;
    ProgName = kEndProgramName;
    ProgSize = static_cast<uint32_t>(image.size());
    progDate = ToSystemTime(std::time(nullptr));
    const auto checksum = HeaderChecksum(image);
    ProgChecksum = checksum ? static_cast<int32_t>(*checksum) : kEndProgramChecksum;
    if (Address != 0)
        WriteProgramInfo(false);
}
