// The motor's data EEPROM, reached through its own user variables: blocks through aaa..jjj
// ("VLD"/"VST" of up to ten 32-bit values), single values through ab[0], aw[0] and aaa.
// Every variable used is saved first and put back afterwards, also when an error passes.

#include "core/VQXException.h"
#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/motor/MotorPortAccess.h"

#include <algorithm>
#include <cstring>

using namespace motorport;

namespace {

constexpr int kBlockValues = 10;  // aaa .. jjj

std::string BlockVariable(int i) { return std::string(3, static_cast<char>('a' + i)); }

int32_t ToInt32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

} // namespace

std::vector<std::string> CMotor::SaveBlockVariables(int count)
{
    std::vector<std::string> restores;
    for (int i = 0; i < count; ++i) {
        const std::string name = BlockVariable(i);
        restores.push_back(name + "=" + std::to_string(ToInt32(ReplyToNumber(GetVariable(name)))));
    }
    return restores;
}

void CMotor::RunThenRestore(const std::vector<std::string>& restores, const std::function<void()>& body)
{
    try {
        body();
    } catch (const CVQXException&) {
        // Put back as much as the link still takes; the first error is the one that counts.
        for (const std::string& command : restores) {
            try {
                SendCommand(command);
            } catch (const CVQXException&) {
            }
        }
        throw;
    }
    for (const std::string& command : restores)
        SendCommand(command);
}

void CMotor::ReadEEPROM(int address, uint8_t* buffer, int n)
{
    if (n <= 0)
        return;
    const int k = (n + 3) / 4;
    port->Policy().MemoryReadBegins(n);
    RunThenRestore(SaveBlockVariables(std::min(k, kBlockValues)), [&] {
        SendCommand("EPTR=" + std::to_string(address));
        CTimeoutScope timeouts(*port, 2000, 1000);
        for (int done = 0; done < k;) {
            const int m = std::min(k - done, kBlockValues);
            SendCommand("VLD(aaa," + std::to_string(m) + ")");
            for (int j = 0; j < m; ++j) {
                uint8_t value[4];
                factory::PutBE32(value, static_cast<uint32_t>(ToInt32(ReplyToNumber(GetVariable(BlockVariable(j))))));
                const int at = (done + j) * 4;
                std::memcpy(buffer + at, value, static_cast<size_t>(std::min(4, n - at)));
            }
            done += m;
        }
    });
}

void CMotor::WriteBlockValues(int address, const std::vector<int32_t>& values)
{
    const int k = static_cast<int>(values.size());
    RunThenRestore(SaveBlockVariables(std::min(k, kBlockValues)), [&] {
        SendCommand("EPTR=" + std::to_string(address));
        for (int done = 0; done < k;) {
            const int m = std::min(k - done, kBlockValues);
            for (int j = 0; j < m; ++j)
                SendCommand(BlockVariable(j) + "=" + std::to_string(values[static_cast<size_t>(done + j)]));
            SendCommand("VST(aaa," + std::to_string(m) + ")");
            WaitEEPROMWrite();
            done += m;
        }
    });
}

void CMotor::WriteEEPROM(int address, const uint8_t* bytes, int n)
{
    if (!eepromPresent || n <= 0)
        return;
    const int k = (n + 3) / 4;
    // The motor stores whole 32-bit values: a length that is not a multiple of 4 keeps the
    // bytes after the range as they are by writing back what the last value holds there.
    std::vector<uint8_t> data(static_cast<size_t>(k) * 4);
    if (n % 4 != 0)
        ReadEEPROM(address + (k - 1) * 4, data.data() + (k - 1) * 4, 4);
    std::memcpy(data.data(), bytes, static_cast<size_t>(n));
    std::vector<int32_t> values;
    for (int i = 0; i < k; ++i)
        values.push_back(static_cast<int32_t>(factory::GetBE32(data.data() + i * 4)));
    WriteBlockValues(address, values);
}

void CMotor::WaitEEPROMWrite()
{
    CTimeoutScope timeouts(*port, 5000, 5000);
    // The motor answers when the write is done; a motor that reports it busy is asked again, and
    // one that never finishes is an error: the write is not confirmed.
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::string reply = GetVariable("Bs");
        if (ReplyToNumber(reply) == 0)
            return;
    }
    throw CVQXException(CVQXException::NoResponse, "The motor did not finish writing its EEPROM.",
                        DataWord());
}

int CMotor::SingleAddress(int address, bool raw)
{
    if (raw || !IsVersion5())
        return address;
    return static_cast<int>(static_cast<uint32_t>(address) | EEPROM_VERSION5_BITS);
}

int32_t CMotor::ReadThroughVariable(int address, const char* variable, const char* loadCommand, int32_t restoreMask)
{
    const std::string var = variable;
    const int32_t saved = ToInt32(ReplyToNumber(GetVariable(var)));
    int32_t value = 0;
    RunThenRestore({var + "=" + std::to_string(saved & restoreMask)}, [&] {
        SendCommand("EPTR=" + std::to_string(address));
        SendCommand(loadCommand);
        value = ToInt32(ReplyToNumber(GetVariable(var)));
    });
    return value;
}

void CMotor::WriteThroughVariable(int address, int32_t value, const char* variable, const char* storeCommand,
                                  int32_t restoreMask)
{
    const std::string var = variable;
    const int32_t saved = ToInt32(ReplyToNumber(GetVariable(var)));
    RunThenRestore({var + "=" + std::to_string(saved & restoreMask)}, [&] {
        SendCommand(var + "=" + std::to_string(value));
        SendCommand("EPTR=" + std::to_string(address));
        SendCommand(storeCommand);
        WaitEEPROMWrite();
    });
}

uint8_t CMotor::ReadEEPROMByte(int address, bool raw)
{
    const int a = SingleAddress(address, raw);
    return static_cast<uint8_t>(ReadThroughVariable(a, "ab[0]", "VLD(ab[0],1)", 0xFF));
}

uint16_t CMotor::ReadEEPROMWord(int address, bool raw)
{
    const int a = SingleAddress(address, raw);
    return static_cast<uint16_t>(ReadThroughVariable(a, "aw[0]", "VLD(aw[0],1)", 0xFFFF));
}

uint32_t CMotor::ReadEEPROMLong(int address, bool raw)
{
    const int a = SingleAddress(address, raw);
    return static_cast<uint32_t>(ReadThroughVariable(a, "aaa", "VLD(aaa,1)", -1));
}

// Writes go only to a motor with an EEPROM; "5-series only" writes skip other motors and use
// the address as given. False when nothing is to be written.
bool CMotor::SingleWriteAddress(int address, bool version5Only, int& out)
{
    if (!eepromPresent)
        return false;
    if (version5Only) {
        out = address;
        return IsVersion5();
    }
    out = SingleAddress(address, false);
    return true;
}

void CMotor::WriteEEPROMByte(int address, uint8_t value, bool version5Only)
{
    int a = 0;
    if (SingleWriteAddress(address, version5Only, a))
        WriteThroughVariable(a, value, "ab[0]", "VST(ab[0],1)", 0xFF);
}

void CMotor::WriteEEPROMWord(int address, uint16_t value, bool version5Only)
{
    int a = 0;
    if (SingleWriteAddress(address, version5Only, a))
        WriteThroughVariable(a, value, "aw[0]", "VST(aw[0],1)", 0xFFFF);
}

void CMotor::WriteEEPROMLong(int address, uint32_t value, bool version5Only)
{
    int a = 0;
    if (SingleWriteAddress(address, version5Only, a))
        WriteThroughVariable(a, static_cast<int32_t>(value), "aaa", "VST(aaa,1)", -1);
}
