#include "core/shared/MotorModel.h"

#include "core/archive/TagArchive.h"

void CMotorModel::SetPicture(std::vector<uint8_t> bytes)
{
    Picture = std::move(bytes);
    BitmapDataSize = static_cast<int32_t>(Picture.size());
}

void CMotorModel::Serialize(const std::string& groupName, CTagArchive& ar)
{
    CTagGroup group(ar, groupName);
    if (!group)
        return;
    const bool storing = ar.IsStoring();
    if (storing)
        BitmapDataSize = static_cast<int32_t>(Picture.size());

    ar.SerializeString("Name", Name, "");
    ar.SerializeInt("Index", Index, 0);
    ar.SerializeDword("EncoderResolution", EncoderResolution, 0);
    ar.SerializeDouble("ContinuousTorque", ContinuousTorque, 0);
    ar.SerializeDouble("PeakTorque", PeakTorque, 0);
    ar.SerializeDouble("TorqueConstant", TorqueConstant, 0);
    ar.SerializeDouble("NominalContinuousPower", NominalContinuousPower, 0);
    ar.SerializeDouble("TopSpeed", TopSpeed, 0);
    ar.SerializeDouble("VoltageConstant", VoltageConstant, 0);
    ar.SerializeDouble("WindingResistance", WindingResistance, 0);
    ar.SerializeDouble("RotorInteria", RotorInteria, 0);
    ar.SerializeInt("Poles", Poles, 0);
    ar.SerializeInt("Slots", Slots, 0);
    ar.SerializeDouble("ShaftDiameter", ShaftDiameter, 0);
    ar.SerializeDouble("Weight", Weight, 0);
    ar.SerializeDouble("Length", Length, 0);
    ar.SerializeDouble("Width", Width, 0);
    ar.SerializeDword("Flags", Flags, 0);
    ar.SerializeString("Comments", Comments, "");
    ar.SerializeLong("BitmapDataSize", BitmapDataSize, 0);
    ar.SerializeLong("KP", KP, 0);
    ar.SerializeLong("KI", KI, 0);
    ar.SerializeLong("KD", KD, 0);
    ar.SerializeLong("KL", KL, 0);
    ar.SerializeLong("KS", KS, 0);
    ar.SerializeLong("KV", KV, 0);
    ar.SerializeLong("KA", KA, 0);
    ar.SerializeLong("KG", KG, 0);
    ar.SerializeValueList("LEDs", LEDs.data(), kLedCount, kLedCount, uint32_t{0});

    if (!storing && (ar.GetMode() & CTagArchive::kSkipPictures)) {
        PictureState = 1;
        return;
    }
    PictureState = 2;
    if (storing) {
        if (BitmapDataSize > 0)
            ar.SerializeSizedBytes("BitmapData", Picture, static_cast<uint32_t>(BitmapDataSize));
        return;
    }
    Picture.clear();
    if (BitmapDataSize > 0 &&
        !ar.SerializeSizedBytes("BitmapData", Picture, static_cast<uint32_t>(BitmapDataSize))) {
        Picture.clear();
        BitmapDataSize = 0;
    }
    if (BitmapDataSize < 0)
        BitmapDataSize = 0;
}
