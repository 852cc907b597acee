#include "core/VQXException.h"

namespace {
const char* const kTexts[] = {
    "No Error!",
    "A C/C++ exception occurred!",
    "Cannot open serial port!",
    "Cannot set timeout for the port!",
    "Cannot establish a link to Motors!",
    "No response received!",
    "No echo response received!",
    "Invalid echo response received!",
    "The serial port is not open!",
    "A character-buffer overrun was detected!",
    "An input buffer overflow has occurred!",
    "The hardware detected a parity error!",
    "The hardware detected a framing error!",
    "The hardware detected a break condition!",
    "An I/O error occurred!",
    "Output buffer overflowed!",
    "An unknown communication Error occurred!",
    "Error reading from the port!",
    "Error writing to the port!",
    "Invalid Data!",
    "Invalid Time Delta!",
    "Motor(%d):Invalid Time Delta!",
    "Motor(%d):Invalid Pos. Delta!",
    "Motor(%d):Invalid data space!",
    "Internal Line Buffer overflow!",
    "Motor(%d):Buffer underflow!",
    "Motor(%d):Host Mode failed!",
    "Motor(%d):Cannot get status!",
    "The motors have different sample rates!",
    "Motor(%d):Host Mode not supported!",
    "Host Mode not initialized!",
    "Out of memory!",
    "Cannot get data from more than one motor!",
    "No more errors/warnings!",
    "Cannot open the file specified!",
    "Cannot open the file to write!",
    "The motor has no EEPROM!",
    "Invalid operation Mode!",
    "Invalid operation for RS-485 bus!",
    "File too long!",
    "The program in the EEPROM is Corrupted!",
    "Cannot download programs while motor is on!",
    "File version has a major difference with motor version!",
    "Error communicating over the Network!",
    "The program was NOT downloaded successfully!",
    "A network error occurred!",
    "Cannot communicate with any USB motor!",
    "",
    "The motor \"%s\" has not finished calibration successfully. Please double click here to "
    "Verify Calibration or ReCalibrate the motor.",
};
constexpr int32_t kFirst = 1000;
constexpr int32_t kCount = static_cast<int32_t>(sizeof(kTexts) / sizeof(kTexts[0]));
} // namespace

std::string CVQXException::TextOf(int32_t code)
{
    if (code < kFirst || code >= kFirst + kCount)
        return {};
    return kTexts[code - kFirst];
}

CVQXException::CVQXException(int32_t code, uint32_t data)
    : m_message(TextOf(code)), m_code(code), m_data(data)
{
}

CVQXException::CVQXException(int32_t code, std::string message, uint32_t data)
    : m_message(std::move(message)), m_code(code), m_data(data)
{
}

std::unique_ptr<CInfoItem> CVQXException::CreateErrorItem() const
{
    auto item = std::make_unique<CInfoItem>();
    item->line = 0;
    item->column = static_cast<int32_t>(m_data);
    item->code = m_code;
    return item;
}

void ThrowCommError(uint32_t flags)
{
    int32_t code = CVQXException::UnknownComm;
    if (flags & CE_FRAME)
        code = CVQXException::Framing;
    else if (flags & CE_RXPARITY)
        code = CVQXException::Parity;
    else if (flags & CE_OVERRUN)
        code = CVQXException::Overrun;
    else if (flags & CE_BREAK)
        code = CVQXException::Break;
    else if (flags & CE_RXOVER)
        code = CVQXException::RxOverflow;
    else if (flags & CE_IOE)
        code = CVQXException::IOError;
    else if (flags & CE_TXFULL)
        code = CVQXException::TxFull;
    throw CVQXException(code);
}
