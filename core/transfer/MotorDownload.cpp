// Downloading a compiled file or an image in memory into one motor or, at address 0, into all
// motors of the port at once.

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/ProgramTransfer.h"
#include "core/transfer/TransferSteps.h"
#include "core/ui/Questions.h"

#include <cctype>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

using namespace transfer;

namespace {

SystemTime FileTimeUtc(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? ToSystemTime(st.st_mtime) : SystemTime{};
}

constexpr const char* kGlobalCalibrationText =
    "WARNING:\nThe Quintaloc(TM) motor behavior and usability depends upon the Quintaloc(TM) calibration "
    "program.\n\nAre you sure you want to download Quintaloc(TM) calibration program globally to all motors "
    "(Address 0)?";
constexpr const char* kGlobalText =
    "You are downloading the program globally to all motors (Address 0). Please note that:\n\n     - All motors "
    "will be turned OFF before downloading the program.\n     - The downloaded program information is NOT "
    "updated in the motors.\n     - No download verification is performed. (Checksum, EEPROM existance, "
    "...)\n\nDo you still want to continue with global download?";

bool ConfirmGlobalDownload(CMotor& m, uint32_t& flags)
{
    ui::IQuestions& questions = m.Context().Questions();
    bool yes = true;
    if (flags & DL_CALIBRATION)
        yes = ui::OptionMessageBox(questions, kGlobalCalibrationText, ui::MB_YESNO | ui::MB_ICONEXCLAMATION | ui::kRememberAnswer,
                                   "VQX", ui::kCheckToDisable, "DownloadCal") == ui::IDYES;
    if (yes)
        yes = ui::OptionMessageBox(questions, kGlobalText, ui::MB_YESNO | ui::MB_ICONEXCLAMATION, "Global Download") == ui::IDYES;
    if (!yes) {
        flags |= DL_CANCELLED;
        AddInfoLine(m, flags, kCancelledText);
    }
    return yes;
}

void RecordProgram(CMotor& m, const std::string& path, const std::string& image, bool calibration)
{
    if (calibration) {
        m.CalProgName = path;
        m.CalProgSize = static_cast<uint32_t>(image.size());
        m.calProgDate = FileTimeUtc(path);
    } else {
        m.ProgName = path;
        m.ProgSize = static_cast<uint32_t>(image.size());
        m.progDate = FileTimeUtc(path);
        const auto checksum = HeaderChecksum(image);
        m.ProgChecksum = checksum ? static_cast<int32_t>(*checksum) : -1;
    }
    m.WriteProgramInfo(calibration);
}

} // namespace

uint32_t CMotor::DownloadProgram(const std::string& fileName, bool showProgress, uint32_t flags, bool recordInfo)
{
    std::string path = fileName;
    if (path.empty()) {
        const CAssociatedFile* main = GetMainAssociatedFile();
        if (!main || main->FileName.empty())
            throw CVQXException(CVQXException::CannotOpenFile);
        path = main->FileName;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CVQXException(CVQXException::CannotOpenFile);
    if (EndsWithNoCase(path, ".scx"))
        flags |= DL_CALIBRATION;
    const bool calibration = (flags & DL_CALIBRATION) != 0;

    CCommPort& p = PortOf(*this);
    const long limit = calibration ? kMaxCalibrationBytes : (Is462(*this) ? kMax462ProgramBytes : kMaxProgramBytes);
    in.seekg(0, std::ios::end);
    const long size = static_cast<long>(in.tellg());
    if (size < 0 || size > limit)
        throw CVQXException(CVQXException::FileTooLong);
    in.seekg(0);
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (static_cast<long>(image.size()) != size)
        throw CVQXException(CVQXException::CannotOpenFile);
    motorport::EnsureOpen(p);

    if (Address == 0 && !ConfirmGlobalDownload(*this, flags))
        return flags;

    try {
        // A check may have changed the motor's record (the memory probe clears it).
        if (Address != 0 && !CheckDownload(image.size() > 1 ? image.substr(1) : std::string(), flags)) {
            if (recordInfo)
                RefreshTree(*this);
            return flags;
        }
        const bool done = RunDownload(*this, reinterpret_cast<const uint8_t*>(image.data()), image.size(), showProgress, flags);
        if (done && recordInfo && Address != 0)
            RecordProgram(*this, path, image, calibration);
    } catch (const CVQXException&) {
        if (recordInfo)
            RefreshTree(*this);
        if (!(flags & DL_BLIND))
            throw;
        return flags;
    }
    if (recordInfo)
        RefreshTree(*this);
    return flags;
}

uint32_t CMotor::DownloadImage(const std::string& image, bool showProgress, uint32_t flags)
{
    if (Address != 0 && !CheckDownload(image.size() > 1 ? image.substr(1) : std::string(), flags))
        return flags;
    RunDownload(*this, reinterpret_cast<const uint8_t*>(image.data()), image.size(), showProgress, flags);
    return flags;
}
