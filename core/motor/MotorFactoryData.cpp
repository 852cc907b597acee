// The factory block in the motor: reading it, keeping its sum byte right when single words or
// program records change, the older layouts it replaces, and the calibration gains.

#include "core/VQXException.h"
#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"

#include <cstring>
#include <vector>

using namespace factory;

namespace {

constexpr int kSumStart = EEPROM_FACTORY_BLOCK + 4;

// Where the block's sum byte lies for a given length.
int SumAddress(int length) { return EEPROM_FACTORY_BLOCK + length - 1; }

bool OverlapsSumByte(int address, int n, int length)
{
    const int sum = SumAddress(length);
    return address <= sum && sum < address + n;
}

// The sum byte after bytes at address changed from oldB to newB: only bytes inside the summed
// range (block bytes 4 to length - 2) count.
uint8_t CorrectedSum(uint8_t sum, int address, const uint8_t* oldB, const uint8_t* newB, int n, int length)
{
    unsigned s = sum;
    const int last = SumAddress(length) - 1;
    for (int i = 0; i < n; ++i) {
        const int at = address + i;
        if (at >= kSumStart && at <= last)
            s += static_cast<unsigned>(newB[i]) - oldB[i];
    }
    return static_cast<uint8_t>(s);
}

} // namespace

void CMotor::StoreFactoryWord(int address, uint16_t value)
{
    if (!eepromPresent)
        return;
    const int length = ReadEEPROMWord(EEPROM_FACTORY_LENGTH);
    if (length < kMinStoreLength || length > kMaxStoreLength || OverlapsSumByte(address, 2, length))
        return;
    const uint8_t sum = ReadEEPROMByte(SumAddress(length));
    uint8_t oldB[2], newB[2];
    PutBE16(oldB, ReadEEPROMWord(address));
    PutBE16(newB, value);
    WriteEEPROMWord(address, value);
    const uint8_t corrected = CorrectedSum(sum, address, oldB, newB, 2, length);
    if (corrected != sum)
        WriteEEPROMByte(SumAddress(length), corrected);
}

void CMotor::WriteProgramInfo(bool calibration)
{
    if (!eepromPresent)
        return;
    const int length = ReadEEPROMWord(EEPROM_FACTORY_LENGTH);
    const int address = calibration ? EEPROM_CALPROGRAM_RECORD : EEPROM_PROGRAM_RECORD;
    if (length < kMinStoreLength || length > kMaxStoreLength ||
        OverlapsSumByte(address, FACTORY_PROGRAM_RECORD, length))
        return;
    uint8_t oldB[FACTORY_PROGRAM_RECORD], newB[FACTORY_PROGRAM_RECORD];
    ReadEEPROM(address, oldB, FACTORY_PROGRAM_RECORD);
    const uint8_t sum = ReadEEPROMByte(SumAddress(length));
    if (calibration)
        PutProgramRecord(newB, CalProgName, calProgDate, CalProgSize);
    else
        PutProgramRecord(newB, ProgName, progDate, ProgSize);
    WriteEEPROM(address, newB, FACTORY_PROGRAM_RECORD);
    const uint8_t corrected = CorrectedSum(sum, address, oldB, newB, FACTORY_PROGRAM_RECORD, length);
    WriteEEPROMByte(SumAddress(length), corrected);
    if (ReadEEPROMByte(SumAddress(length)) != corrected) {
        // The write did not stick: the motor has no EEPROM.
        eepromPresent = false;
        ReadChecksum();
    }
}

int CMotor::ReadFactoryBlockOnce(uint8_t* buffer, int& reason)
{
    reason = 1;
    if (ReadEEPROMWord(EEPROM_FACTORY_BLOCK) != FACTORY_MAGIC)
        return 0;
    const int length = ReadEEPROMWord(EEPROM_FACTORY_LENGTH);
    if (length < kMinReadLength || length > kMaxReadLength)
        return 0;
    ReadEEPROM(EEPROM_FACTORY_BLOCK, buffer, length);
    reason = 2;
    if (Sum8(buffer, 4, length - 2) != buffer[length - 1])
        return 0;
    reason = 0;
    return length;
}

int CMotor::ReadFactoryBlock(uint8_t* buffer)
{
    int reason = 0;
    return ReadFactoryBlockOnce(buffer, reason);
}

void CMotor::ReadFactoryData()
{
    uint8_t block[kMaxStoreLength] = {};
    int reason = 0;
    int length = ReadFactoryBlockOnce(block, reason);
    // One read whose sum does not match may be a bad read rather than a bad block: the block
    // is rewritten only when the magic or length is wrong or the sum fails twice.
    if (length == 0 && reason == 2)
        length = ReadFactoryBlockOnce(block, reason);
    if (length != 0) {
        ParseFactoryData(block, length);
        return;
    }
    LoadLegacyFactoryData();
    BuildFactoryBlock(block);
    if (SerialNumber != 0)
        WriteEEPROMLong(EEPROM_SERIAL_NUMBER, SerialNumber);
    WriteFactoryBlock(block);
}

void CMotor::WriteFactoryBlock(const uint8_t* buffer)
{
    if (!eepromPresent)
        return;
    const int length = GetBE16(buffer + kLength);
    if (GetBE16(buffer + kMagic) != FACTORY_MAGIC || length < kMinReadLength || length > kMaxReadLength)
        throw CVQXException(CVQXException::InvalidData);
    WriteEEPROM(EEPROM_FACTORY_BLOCK, buffer, length);
}

void CMotor::LoadLegacyFactoryData()
{
    eepromPresent = true;
    VQXFlags = 4;
    MotorType = 0;
    ProgName.clear();
    CalProgName.clear();
    progDate = SystemTime{};
    calProgDate = SystemTime{};
    EnRes = 2000;
    std::fill(std::begin(ProdDates), std::end(ProdDates), 0u);
    IPSl = NoRMA = CalV = TstRs = 0;
    RMANo = 0;
    RMADt = HO = 0;
    std::fill(std::begin(CommOptions), std::end(CommOptions), uint16_t{0});
    ReadCalibrationGains();
    Model.clear();

    // An older identity record: a length byte, zero-terminated texts and a sum byte.
    const int n = ReadEEPROMByte(EEPROM_FACTORY_BLOCK);
    if (n > 10 && n < 100) {
        std::vector<uint8_t> rec(static_cast<size_t>(n) + 1);
        ReadEEPROM(EEPROM_FACTORY_BLOCK, rec.data(), n + 1);
        if (Sum8(rec.data(), 0, n - 1) == rec[static_cast<size_t>(n)]) {
            std::vector<std::string> texts;
            for (int at = 1; at < n && texts.size() < 4;) {
                texts.push_back(BoundedText(rec.data() + at, n - at));
                at += static_cast<int>(texts.back().size()) + 1;
            }
            texts.resize(4);
            Model = texts[0];
            const uint32_t serial = ParseSerialNumber(texts[3]);
            if (serial != kNoSerialNumber)
                SerialNumber = serial;
            if (MotorType == 0)
                MatchModel();
        }
    }

    // The oldest program record, ending at the top of the EEPROM: type, size, packed date and
    // name, then its sum byte, marker word and length byte.
    const uint16_t marker = ReadEEPROMWord(EEPROM_LEGACY_MARKER);
    const int lengthByte = ReadEEPROMByte(EEPROM_LEGACY_LENGTH);
    int size = 0;
    if (marker == 0 && lengthByte == 1)
        size = 40;
    else if (marker == 0x2003 && (lengthByte == 10 || lengthByte == 11 || lengthByte == 1))
        size = (lengthByte == 1 ? 11 : lengthByte) * 4;
    if (size != 0) {
        std::vector<uint8_t> rec(static_cast<size_t>(size));
        ReadEEPROM(EEPROM_SIZE - size, rec.data(), size);
        if (Sum8(rec.data(), 0, size - 5) == rec[static_cast<size_t>(size - 2)]) {
            const uint32_t type = GetBE32(rec.data());
            MotorType = (type & 0x80000000u) || !IsMotorModelIndex(static_cast<int>(type)) ? 0 : static_cast<int32_t>(type);
            ProgSize = GetBE32(rec.data() + 4);
            progDate = UnpackProgramDate(GetBE32(rec.data() + 8));
            ProgName = StoredFileName(rec.data() + 12, size - 16);
            VQXFlags = 3;
        }
    }

    // A motor whose EEPROM does not keep what is written has none.
    WriteEEPROMWord(EEPROM_FACTORY_BLOCK, FACTORY_MAGIC);
    if (ReadEEPROMWord(EEPROM_FACTORY_BLOCK) != FACTORY_MAGIC) {
        eepromPresent = false;
        MotorType = 4;
        ReadChecksum();
    }

    if (const uint32_t resolution = MotorModelEncoderResolution(MotorType))
        EnRes = resolution;
}

void CMotor::ReadCalibrationGains()
{
    KP = KD = KI = KL = GAIN_UNKNOWN;
    if (Version.rfind("462", 0) != 0)
        return;
    uint8_t g[10];
    ReadEEPROM(EEPROM_GAINS, g, 10);
    const uint16_t kp = GetBE16(g), kd = GetBE16(g + 2), ki = GetBE16(g + 4), kl = GetBE16(g + 6);
    if (static_cast<uint16_t>(kp + kd + ki + kl) == GetBE16(g + 8)) {
        KP = kp;
        KD = kd;
        KI = ki;
        KL = kl;
    }
}
