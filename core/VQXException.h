#pragma once
// The one error type of the communication core, thrown by value.

#include <cstdint>
#include <memory>
#include <string>

// One line of the information view, made from an exception or a compiler message.
struct CInfoItem {
    int32_t line = 0;
    int32_t column = 0;
    std::string file;
    int32_t code = 0;
};

// Identifies the motor an error concerns without pointing at it: motors are deleted by
// detection while exceptions are still being shown. Low 16 bits: port index, high 16: address.
inline uint32_t MakeMotorDataWord(int portIndex, int address)
{
    return (static_cast<uint32_t>(address) << 16) | (static_cast<uint32_t>(portIndex) & 0xFFFFu);
}
inline int DataWordPort(uint32_t data) { return static_cast<int>(data & 0xFFFFu); }
inline int DataWordAddress(uint32_t data) { return static_cast<int>(data >> 16); }

class CVQXException {
public:
    // Codes with a fixed text; the text may hold an unexpanded placeholder.
    enum Code : int32_t {
        NoError = 1000, CppException = 1001, CannotOpenPort = 1002, CannotSetTimeout = 1003,
        NoLink = 1004, NoResponse = 1005, NoEcho = 1006, InvalidEcho = 1007, PortNotOpen = 1008,
        Overrun = 1009, RxOverflow = 1010, Parity = 1011, Framing = 1012, Break = 1013,
        IOError = 1014, TxFull = 1015, UnknownComm = 1016, ReadError = 1017, WriteError = 1018,
        InvalidData = 1019, InvalidTimeDelta = 1020, MotorInvalidTimeDelta = 1021,
        MotorInvalidPosDelta = 1022, MotorInvalidDataSpace = 1023, LineBufferOverflow = 1024,
        MotorBufferUnderflow = 1025, MotorHostModeFailed = 1026, MotorCannotGetStatus = 1027,
        DifferentSampleRates = 1028, MotorHostModeNotSupported = 1029, HostModeNotInitialized = 1030,
        OutOfMemory = 1031, MoreThanOneMotor = 1032, NoMoreErrors = 1033, CannotOpenFile = 1034,
        CannotWriteFile = 1035, NoEEPROM = 1036, InvalidMode = 1037, InvalidForRS485 = 1038,
        FileTooLong = 1039, ProgramCorrupted = 1040, MotorIsOn = 1041, MajorVersionDifference = 1042,
        NetworkComm = 1043, NotDownloaded = 1044, NetworkError = 1045, NoUSBMotor = 1046,
        Silent = 1047, CalibrationUnfinished = 1048
    };

    explicit CVQXException(int32_t code, uint32_t data = 0);
    CVQXException(int32_t code, std::string message, uint32_t data = 0);

    const std::string& GetMessage() const { return m_message; }
    int32_t GetCode() const { return m_code; }
    uint32_t GetData() const { return m_data; }

    // The fixed text of a code; empty for codes outside the table and for 1047.
    static std::string TextOf(int32_t code);

    std::unique_ptr<CInfoItem> CreateErrorItem() const;

private:
    std::string m_message;
    int32_t m_code;
    uint32_t m_data;
};

// Serial driver line-error flags, as the error query reports them.
enum : uint32_t {
    CE_RXOVER = 0x0001, CE_OVERRUN = 0x0002, CE_RXPARITY = 0x0004, CE_FRAME = 0x0008,
    CE_BREAK = 0x0010, CE_TXFULL = 0x0100, CE_IOE = 0x0400, CE_MODE = 0x8000
};

// Turns a non-zero line-error flag word into the matching exception and throws it.
[[noreturn]] void ThrowCommError(uint32_t flags);
