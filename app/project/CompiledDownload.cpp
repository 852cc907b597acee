#include "app/project/CompiledDownload.h"

#include "app/project/ProgramTag.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/transfer/DownloadFlags.h"
#include "core/ui/InfoView.h"
#include "core/ui/OperationContext.h"
#include "core/ui/Progress.h"

#include <filesystem>
#include <optional>

namespace {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

} // namespace

long CompiledFileSize(const std::string& file)
{
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    const auto size = std::filesystem::is_regular_file(status) ? std::filesystem::file_size(file, ec) : 0;
    if (ec || !std::filesystem::is_regular_file(status))
        throw CVQXException(1034, "Cannot open the file " + Quoted(file) + ".");
    return static_cast<long>(size);
}

std::string DownloadTargetName(const CMotor& motor) { return motor.Address == 0 ? motor.Name : Quoted(motor.Name); }

uint32_t DownloadCompiledFile(CMotor& motor, const std::string& file, uint32_t flags, bool recordInfo)
{
    const std::string line = "Transmitting " + Quoted(file) + " (" + std::to_string(CompiledFileSize(file)) + " bytes) to " +
                             DownloadTargetName(motor);
    ui::COperationContext& context = motor.Context();
    context.Info().AddInfo(line);
    if (flags & transfer::DL_BLIND)
        context.Info().AddWarning("No download verfication (Blind Download)");
    ProgramTag tag(motor.GetPort());
    context.Progress().Show(line, std::nullopt);
    struct CloseProgress {
        ui::IProgress& progress;
        ~CloseProgress() { progress.Close(); }
    } closer{context.Progress()};
    return motor.DownloadProgram(file, true, flags, recordInfo);
}
