#include "engine/motor/EngineMotor.h"

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/transfer/DownloadFlags.h"
#include "core/transfer/PrivateTemp.h"
#include "core/transfer/ProgramTransfer.h"
#include "core/transfer/TransferSteps.h"
#include "engine/errors/EngineError.h"
#include "engine/host/VQXHost.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>

namespace engine {

namespace {

using namespace transfer;

uint32_t CoreFlags(int32_t flags)
{
    // The engine never asks: every check either passes or fails with its code.
    uint32_t core = DL_QUIET | DL_NO_CAL_WARNING | DL_FAIL_NO_MEMORY | DL_FAIL_VERSION;
    core |= (flags & VQX_DL_STOP_RUNNING) ? DL_TURN_OFF_SERVOING : DL_FAIL_SERVOING;
    if (flags & VQX_DL_CALIBRATION)
        core |= DL_CALIBRATION;
    if (flags & VQX_DL_NO_PROGRAM_CHECK)
        core |= DL_NO_MEMORY_CHECK;
    return core;
}

// Whether the operation reports its progress (the host's context carries the notification).
bool ProgressOf(CVQXHost& host, CNotifyProgress::Operation op)
{
    if (!host.Progress().HasTarget())
        return false;
    host.Progress().Begin(op);
    return true;
}

bool EndsWithScx(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".scx";
}

// The whole download of a checked image; name, time and size go to the program record.
bool DownloadImage(CVQXHost& host, CMotor& motor, const std::string& image, int32_t flags, const std::string& name,
                   std::time_t when, bool record)
{
    const bool calibration = (flags & VQX_DL_CALIBRATION) != 0;
    const size_t limit = calibration ? kMaxCalibrationBytes : (IsVersion46(motor) ? kMax462ProgramBytes : kMaxProgramBytes);
    if (image.size() > limit)
        throw CVQXException(VQXE_FILE_TOO_LONG);
    uint32_t core = CoreFlags(flags);
    const bool progress = ProgressOf(host, CNotifyProgress::Operation::Download);
    try {
        if (motor.Address != 0 && !(flags & VQX_DL_NO_CHECKS) &&
            !motor.CheckDownload(image.size() > 1 ? image.substr(1) : std::string(), core))
            return false;
        if (!RunDownload(motor, reinterpret_cast<const uint8_t*>(image.data()), image.size(), progress, core))
            return false;
        if (record && motor.Address != 0) {
            std::string& progName = calibration ? motor.CalProgName : motor.ProgName;
            progName = name.substr(0, 23);
            (calibration ? motor.calProgDate : motor.progDate) = ToSystemTime(when);
            (calibration ? motor.CalProgSize : motor.ProgSize) = static_cast<uint32_t>(image.size());
            motor.WriteProgramInfo(calibration);
        }
        return true;
    } catch (...) {
        if (flags & VQX_DL_NO_CHECKS)
            return false;
        throw;
    }
}

} // namespace

bool DownloadFile(CVQXHost& host, CMotor& motor, const std::string& fileName, int32_t flags, bool recordInfo)
{
    std::ifstream in(fileName, std::ios::binary);
    struct stat st {};
    if (!in || stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw CVQXException(VQXE_CANNOT_OPEN_FILE);
    if (EndsWithScx(fileName))
        flags |= VQX_DL_CALIBRATION;
    // The size is checked before the file is read: a huge file is refused without loading it.
    if (st.st_size > kMaxProgramBytes)
        throw CVQXException(VQXE_FILE_TOO_LONG);
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t slash = fileName.find_last_of('/');
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    return DownloadImage(host, motor, image, flags, name, st.st_mtime, recordInfo);
}

bool DownloadString(CVQXHost& host, CMotor& motor, const std::string& image, int32_t flags)
{
    return DownloadImage(host, motor, image, flags, "ProgStr", std::time(nullptr), true);
}

void ClearMotorProgram(CVQXHost& host, CMotor& motor, int32_t flags)
{
    // The END image is made for the motor's own firmware; no program check. It is a download
    // like any other, with its notifications.
    motor.ClearProgram(CoreFlags(flags) | DL_NO_MEMORY_CHECK, ProgressOf(host, CNotifyProgress::Operation::Download));
}

void UploadFile(CVQXHost& host, CMotor& motor, const std::string& fileName)
{
    motor.UploadProgram(fileName, ProgressOf(host, CNotifyProgress::Operation::Upload), false);
}

std::string UploadText(CVQXHost& host, CMotor& motor, bool calibration, bool raw)
{
    const std::string file = PrivateTempFile(calibration ? "engine-upload.tqc" : "engine-upload.txt");
    struct Remove {
        std::string path;
        ~Remove() { std::remove(path.c_str()); }
    } remove{file};
    motor.UploadProgram(file, ProgressOf(host, CNotifyProgress::Operation::Upload), raw && !calibration);
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (raw && calibration) {
        // The calibration program has no raw command: its text loses the CRs the upload added.
        std::string lf;
        for (size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                lf.push_back(text[i]);
        text = lf;
    }
    return text;
}

void ReadIdentity(CMotor& motor)
{
    const std::string reply = motor.SendAndReceive("RSP");
    const size_t slash = reply.find('/');
    if (slash == std::string::npos)
        return;
    motor.Version = reply.substr(slash + 1);
    const int64_t figure = ReplyToNumber(reply.substr(0, slash));
    motor.SamplePeriod = figure > 0 ? double(figure) * 1e-5 : 0.0;
}

double SampleRateOf(const CMotor& motor)
{
    // The record's period is in ms: 1000 / (figure * 1e-5) = 1e8 / figure.
    return motor.Version.empty() || motor.SamplePeriod <= 0 ? 0.0 : 1000.0 / motor.SamplePeriod;
}

bool IsVersion46(CMotor& motor)
{
    if (motor.Address == 0)
        return false;
    if (motor.Version.empty()) {
        try {
            ReadIdentity(motor);
        } catch (...) {
            return false;
        }
    }
    return motor.Version.rfind("46", 0) == 0;
}

std::string ReadFactoryBlock(CMotor& motor)
{
    uint8_t block[512] = {};
    const int length = motor.ReadFactoryBlock(block);
    if (length < 101 || length > 299)
        return {};
    return std::string(reinterpret_cast<const char*>(block), size_t(length));
}

namespace {
uint32_t BigEndian32(const std::string& b, size_t at)
{
    return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) | (uint32_t(uint8_t(b[at + 2])) << 8) |
           uint32_t(uint8_t(b[at + 3]));
}
} // namespace

std::string SerialText(uint32_t serial)
{
    const unsigned top = serial >> 24;
    if (top < 0x20 || top > 0x7E)
        return "N/A";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%c%u", char(top), unsigned(serial & 0xFFFFFF));
    return buf;
}

uint32_t SerialValue(CMotor& motor, const std::string& block)
{
    if (block.size() >= 48)
        return BigEndian32(block, 44);
    return motor.ReadEEPROMLong(EEPROM_SERIAL_NUMBER);
}

std::string ModelString(const std::string& block)
{
    if (block.size() < 52 || block[6] == 0)
        return "N/A";
    std::string model = std::to_string(BigEndian32(block, 9));
    for (size_t i = 13; i < block.size() && block[i] != 0; ++i)
        model.push_back(block[i]);
    size_t at = 0;
    for (size_t i = 6; i <= 8; ++i)
        if (block[i] != 0)
            model.insert(at++, 1, block[i]);
    return model;
}

uint32_t EncoderResolution(const std::string& block) { return block.size() >= 52 ? BigEndian32(block, 48) : 0; }

} // namespace engine
