#include "engine/errors/EngineError.h"

#include "core/VQXException.h"
#include "engine/settings/EngineLog.h"
#include "platform/com/server/ComServer.h"

#include <cstdio>

namespace engine {

namespace {
// Texts by code; formatted ones carry one %d for the data.
const char* const kTexts[47] = {
    "No Error!",
    "A C/C++ exception occurred in the Engine!",
    "Cannot open serial port!",
    "Cannot set timeout for serial port!",
    "Cannot establish a link to Motors!",
    "No response received!",
    "No echo response received!",
    "Invalid echo response received!",
    "The serial port in not open!",
    "A character-buffer overrun was detected!",
    "An input buffer overflow has occurred!",
    "The hardware detected a parity error!",
    "The hardware detected a framing error!",
    "The hardware detected a break condition!",
    "An I/O error occurred!",
    "Output buffer overflowed!",
    "An unknown communication Error occurred!",
    "Error reading from serial port!",
    "Error(%d) writing to serial port!",
    "Invalid Data!",
    "Invalid Time Delta!",
    "Motor(%d):Invalid Time Delta!",
    "Motor(%d):Invalid Pos. Delta!",
    "Motor(%d):Invalid data space!",
    "Motor(%d):Buffer overflow!",
    "Motor(%d):Buffer underflow!",
    "Motor(%d):Host Mode failed!",
    "Motor(%d):Cannot get status!",
    "The motors have different sample rates!",
    "Motor(%d):Host Mode not supported!",
    "Host Mode not initialized!",
    "Out of memory!",
    "Cannot get data from more than one motor!",
    "No more errors/warnings!",
    "Can not open the file specified!",
    "Can not open the file to write!",
    "The motor has no EEPROM!",
    "Invalid operation Mode!",
    "",
    "File too long!",
    "The program in the EEPROM is Corrupted!",
    "Cannot download programs while motor is on!",
    "File version has a major difference with motor version!",
    "Error communicating over the Network!",
    "The program was NOT downloaded successfully!",
    "A network error occurred!",
    "Cannot communicate with any USB motor!",
};

bool Formatted(int32_t code) { return code == 18 || (code >= 21 && code <= 27) || code == 29; }
} // namespace

std::string CVQXException::TextOf(int32_t code, uint32_t data)
{
    if (code < 0 || code > 46)
        return {};
    if (!Formatted(code))
        return kTexts[code];
    char buf[64];
    std::snprintf(buf, sizeof buf, kTexts[code], static_cast<int>(data));
    return buf;
}

CVQXException::CVQXException(int32_t code, uint32_t data) : m_message(TextOf(code, data)), m_code(code), m_data(data) {}

CVQXException::CVQXException(int32_t code, std::string message, uint32_t data)
    : m_message(std::move(message)), m_code(code), m_data(data)
{
}

CVQXException CVQXException::FromCore(const ::CVQXException& e)
{
    const int32_t code = e.GetCode() - 1000;
    if (code < 0 || code > 46)
        return CVQXException(VQXE_EXCEPTION, e.GetMessage().empty() ? TextOf(VQXE_EXCEPTION, 0) : e.GetMessage());
    // The core's motor errors carry a data word of port and address; the engine's data is the
    // motor address (or the system error of a write).
    const uint32_t data = code == VQXE_WRITE_ERROR ? e.GetData() : uint32_t(DataWordAddress(e.GetData()));
    // The engine speaks its own table; the one text of its own that the core writes is the file
    // that could not be created.
    if (code == VQXE_CANNOT_WRITE_FILE && e.GetMessage() != ::CVQXException::TextOf(e.GetCode()))
        return CVQXException(code, e.GetMessage(), data);
    return CVQXException(code, data);
}

uint32_t LogFlagOf(const IID& iid)
{
    if (iid == IID_IVQXComm)
        return kLogComm;
    if (iid == IID_IVQXSynmove)
        return kLogSynmove;
    if (iid == IID_IVQXPath)
        return kLogPath;
    if (iid == IID_IVQXScan || iid == IID_IVQXErrors)
        return kLogScan;
    if (iid == IID_IVQXMotor)
        return kLogMotor;
    return 0;
}

void ReportComError(const CVQXException& e, const IID& iid)
{
    if (const uint32_t flag = LogFlagOf(iid))
        WriteLog(flag, "****** Exception:" + e.GetMessage() + "\n");
    // Computed unsigned: data above 0x7FFF must not shift into the sign.
    const DWORD helpContext = (DWORD(e.GetData()) << 16) | (DWORD(uint32_t(e.GetCode())) & 0xFFFFu);
    vqxcom::server::SetThreadError(iid, e.GetMessage(), helpContext, "VQXEngine.chm", "No Source");
}

std::string BstrToCString(BSTR s) { return vqxcom::BytesFromBstr(s); }

BSTR ToBstr(const std::string& s)
{
    BSTR b = vqxcom::BstrFromBytes(s);
    if (!b)
        throw CVQXException(VQXE_OUT_OF_MEMORY);
    return b;
}

} // namespace engine
