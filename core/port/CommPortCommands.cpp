// Commands that act on the whole chain or bus: baud rate, selected motor, echo mode.
#include "core/port/CommPort.h"

#include "core/VQXException.h"
#include "platform/clock/Clock.h"

#include <cstdio>

namespace {
// Parity letters of the motor command language, by parity code.
constexpr char kParityLetters[] = "NOEII";
} // namespace

void CCommPort::SetMotorsBaudRate(int baud)
{
    if (!IsSerial())
        return;
    // Never tell the motors a rate the line cannot follow.
    if (!platform::IsSupportedBaud(baud))
        throw CVQXException(CVQXException::InvalidData);
    if (!isOpen) {
        BitPerSec = baud;
        return;
    }
    const int remembered = currentAddress;
    char command[64];
    if (CommType == COMM_RS485)
        std::snprintf(command, sizeof command, "0OCHN(RS4,%d,%c,%d,1,8,C)", MotorChannel == 1 ? 1 : 0,
                      kParityLetters[Parity <= 4 ? Parity : 0], baud);
    else
        std::snprintf(command, sizeof command, "0BAUD%d", baud);
    WriteCommand(command, 0, true);
    Reopen(baud, Parity);
    SelectMotor(remembered);
}

void CCommPort::SelectMotor(int address)
{
    if (address < 0) {
        // No motor: nothing to put on the wire; the next tracked command sends its address.
        currentAddress = address;
        addressDirty = 1;
        return;
    }
    CheckAddress(address);
    if (IsSerial()) {
        const int previous = currentAddress;
        addressDirty = 1; // selecting always puts the address byte on the wire
        try {
            WriteCommand("", address, true);
        } catch (const CVQXException& e) {
            if (e.GetCode() != CVQXException::NoResponse)
                throw;
            currentAddress = previous;
            addressDirty = 1;
            return;
        }
    }
    currentAddress = address;
}

void CCommPort::SetEchoMode(bool on)
{
    if (CommType != COMM_RS232) {
        Echo = 0;
        return;
    }
    if (!on) {
        Echo = 0;
        WriteCommand(MotorChannel == 1 ? "ECHO_OFF1" : "ECHO_OFF", 0, false);
        Echo = 0;
        platform::SleepMs(100);
        ClearBuffer();
        return;
    }
    // Motors whose echo is off do not echo the command that turns it on: expect a missing echo and
    // try again, once more than there are motors in the chain.
    const bool wasStrict = m_forceStrictEcho;
    m_forceStrictEcho = true;
    Echo = 1;
    for (int attempt = 0;; ++attempt) {
        try {
            WriteCommand(MotorChannel == 1 ? "ECHO1" : "ECHO", 0, false);
            platform::SleepMs(100);
            break;
        } catch (const CVQXException& e) {
            platform::SleepMs(100);
            if (e.GetCode() == CVQXException::NoEcho && attempt <= MotorCount())
                continue;
            m_forceStrictEcho = wasStrict;
            throw;
        }
    }
    m_forceStrictEcho = wasStrict;
}
