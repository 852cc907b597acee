// The motor's stored form in the tagged archive: one group, one routine for both directions.

#include "core/archive/TagArchive.h"
#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"

namespace {

// The six date items of a program ("PT" or "CPT" followed by Yr, Mo, Dy, Hr, Mi, Sc).
void SerializeDateRest(CTagArchive& ar, const std::string& prefix, SystemTime& t)
{
    ar.SerializeShort(prefix + "Mo", t.wMonth, uint16_t{0});
    ar.SerializeShort(prefix + "Dy", t.wDay, uint16_t{0});
    ar.SerializeShort(prefix + "Hr", t.wHour, uint16_t{0});
    ar.SerializeShort(prefix + "Mi", t.wMinute, uint16_t{0});
    ar.SerializeShort(prefix + "Sc", t.wSecond, uint16_t{0});
}

} // namespace

void CMotor::Serialize(const std::string& group, CTagArchive& ar)
{
    CTagGroup g(ar, group);
    if (!g)
        return;
    const bool storing = ar.IsStoring();

    ar.SerializeInt("Address", Address, 0);
    ar.SerializeString("Name", Name, "");
    ar.SerializeString("Version", Version, "");
    ar.SerializeDouble("SamplePeriod", SamplePeriod, 0);
    ar.SerializeDword("SerialNumber", SerialNumber, 0);

    SerializeBackEnds(ar);

    ar.SerializeShort("VQXFlags", VQXFlags, uint16_t{0});
    ar.SerializeString("ProgName", ProgName, "");

    ar.SerializeShort("PTYr", progDate.wYear, uint16_t{0});
    if (storing || progDate.wYear != 0) {
        SerializeDateRest(ar, "PT", progDate);
    } else {
        // Files from before the six date items hold one packed value.
        uint32_t packed = 0;
        ar.SerializeDword("ProgDate", packed, 0);
        progDate = factory::UnpackProgramDate(packed);
    }

    ar.SerializeDword("ProgSize", ProgSize, 0);
    ar.SerializeString("CalProgName", CalProgName, "");
    ar.SerializeShort("CPTYr", calProgDate.wYear, uint16_t{0});
    SerializeDateRest(ar, "CPT", calProgDate);
    ar.SerializeDword("CalProgSize", CalProgSize, 0);
    ar.SerializeDword("EnRes", EnRes, 0);

    ar.SerializeValueList("ProdDates", ProdDates, 6, 6, uint32_t{0});

    ar.SerializeByte("IPSl", IPSl, 0);
    ar.SerializeByte("NoRMA", NoRMA, 0);
    ar.SerializeShort("RMANo", RMANo, uint16_t{0});
    ar.SerializeDword("RMADt", RMADt, 0);
    ar.SerializeByte("CalV", CalV, 0);
    ar.SerializeByte("TstRs", TstRs, 0);
    ar.SerializeDword("HO", HO, 0);

    ar.SerializeValueList("CommOptions", CommOptions, 8, 8, uint16_t{0});

    ar.SerializeInt("ProgChecksum", ProgChecksum, 0);
    ar.SerializeInt("MotorType", MotorType, 0);
    if (!storing && !IsMotorModelIndex(MotorType))
        MotorType = 0;

    ar.SerializeString("Model", Model, "");
    ar.SerializeString("TimeUnit", TimeUnit, "Sec.");
    ar.SerializeBool("UseConversionFactor", UseConversionFactor, false);
    ar.SerializeDouble("ConversionFactor", ConversionFactor, 0);
    ar.SerializeString("Unit", Unit, "");

    ar.SerializeValueList("UParamIndex", UParamIndex, 2, 2, int32_t{0});

    ar.SerializeString("UserTemplateFile", UserTemplateFile, "");
    int32_t num = storing ? mainAssociatedFile : -1;
    ar.SerializeInt("num", num, -1);

    if (!storing) {
        ClearAssociatedFiles();
        // What this motor loads it owns.
        associatedFiles.borrowed = false;
    }
    const int fileCount = storing ? associatedFiles.GetCount() : 0;
    ar.SerializeList("AssociatedFiles", fileCount, CAssociatedFileList::Capacity,
                     [&](int index, const std::string& arrName) {
                         CTagGroup entryGroup(ar, arrName);
                         if (storing) {
                             ar.SerializeString("FileName", associatedFiles.GetAt(index)->FileName, "");
                             return;
                         }
                         auto* entry = new CAssociatedFile;
                         if (entryGroup)
                             ar.SerializeString("FileName", entry->FileName, "");
                         if (!associatedFiles.Add(entry))
                             delete entry;
                     });

    if (!storing) {
        SetMainAssociatedFile(num);
        diffMask = 0;
        linked = nullptr;
    }

    ar.SerializeBool("IsAvailable", IsAvailable, false);
    ar.SerializeShort("KP", KP, uint16_t{0});
    ar.SerializeShort("KD", KD, uint16_t{0});
    ar.SerializeShort("KI", KI, uint16_t{0});
    // Files have always held "KI" twice; older readers rely on it. KL follows under its own name;
    // a file without it does not know KL.
    ar.SerializeShort("KI", KI, KI);
    ar.SerializeShort("KL", KL, GAIN_UNKNOWN);

    if (!storing) {
        pProtocol = false;
        eepromPresent = true;
    }
}
