// Building and decoding the factory block that a motor keeps in its data EEPROM.

#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"

#include <algorithm>
#include <cstring>

using namespace factory;

int CMotor::BuildFactoryBlock(uint8_t* b) const
{
    std::memset(b, 0, FACTORY_BLOCK_SIZE);
    PutBE16(b + kMagic, FACTORY_MAGIC);
    PutBE16(b + kLength, FACTORY_BLOCK_SIZE);
    PutBE16(b + kFlags, VQXFlags);
    PutModel(b + kModelPrefix, Model);
    b[kIPSl] = IPSl;
    PutBE32(b + kSerial, SerialNumber);
    PutBE32(b + kEnRes, EnRes);
    PutVersion(b + kVersion, Version);
    for (int i = 0; i < 6; ++i)
        PutPackedDate(b + kProdDates + 3 * i, ProdDates[i]);
    b[kNoRMA] = NoRMA;
    if (NoRMA != 0) {
        PutBE16(b + kRMANo, RMANo);
        PutPackedDate(b + kRMADt, RMADt);
    }
    PutProgramRecord(b + kProgram, ProgName, progDate, ProgSize);
    PutProgramRecord(b + kCalProgram, CalProgName, calProgDate, CalProgSize);
    b[kCalV] = CalV;
    b[kTstRs] = TstRs;
    PutBE32(b + kMotorType, static_cast<uint32_t>(MotorType));
    PutBE32(b + kHO, HO);
    for (int i = 0; i < 8; ++i)
        PutBE16(b + kCommOptions + 2 * i, CommOptions[i]);
    const uint16_t gains[4] = {KP, KD, KI, KL};
    for (int i = 0; i < 4; ++i)
        PutBE16(b + kGains + 2 * i, gains[i]);
    PutBE16(b + kGainsCheck, static_cast<uint16_t>(KP + KD + KI + KL));
    b[FACTORY_BLOCK_SIZE - 1] = Sum8(b, 4, FACTORY_BLOCK_SIZE - 2);
    return FACTORY_BLOCK_SIZE;
}

void CMotor::ParseFactoryData(const uint8_t* block, int length)
{
    if (length <= 0)
        length = GetBE16(block + kLength);
    length = std::clamp(length, 0, kMaxStoreLength);
    // Fields that lie beyond the block's contents read as zero.
    uint8_t b[kMaxStoreLength] = {};
    std::memcpy(b, block, static_cast<size_t>(std::max(length - 1, 0)));

    VQXFlags = GetBE16(b + kFlags);
    Model = GetModel(b + kModelPrefix);
    IPSl = b[kIPSl];
    SerialNumber = GetBE32(b + kSerial);
    EnRes = GetBE32(b + kEnRes);
    // The motor's own identity reply is the better source of the version.
    if (Version.empty())
        Version = GetVersion(b + kVersion);
    for (int i = 0; i < 6; ++i)
        ProdDates[i] = GetPackedDate(b + kProdDates + 3 * i);
    NoRMA = b[kNoRMA];
    RMANo = NoRMA ? GetBE16(b + kRMANo) : 0;
    RMADt = NoRMA ? GetPackedDate(b + kRMADt) : 0;
    GetProgramRecord(b + kProgram, ProgName, progDate, ProgSize);
    GetProgramRecord(b + kCalProgram, CalProgName, calProgDate, CalProgSize);
    CalV = b[kCalV];
    TstRs = b[kTstRs];
    MotorType = static_cast<int32_t>(GetBE32(b + kMotorType));
    if (!IsMotorModelIndex(MotorType))
        MotorType = 0;
    HO = GetBE32(b + kHO);
    for (int i = 0; i < 8; ++i)
        CommOptions[i] = GetBE16(b + kCommOptions + 2 * i);

    // Gains only from a block long enough to hold them and their check word before its sum byte.
    KP = KD = KI = KL = GAIN_UNKNOWN;
    if (length - 2 >= kGainsCheck + 1) {
        const uint16_t g[4] = {GetBE16(b + kGains), GetBE16(b + kGains + 2), GetBE16(b + kGains + 4),
                               GetBE16(b + kGains + 6)};
        if (static_cast<uint16_t>(g[0] + g[1] + g[2] + g[3]) == GetBE16(b + kGainsCheck)) {
            KP = g[0];
            KD = g[1];
            KI = g[2];
            KL = g[3];
        }
    }
}
