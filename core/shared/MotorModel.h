#pragma once
// CMotorModel: one record of the motor-models database "TQModels.tqm":
// name, electrical and mechanical data, default gains, the picture bytes and the places of five
// status lamps on the picture. The picture's drawing (DrawPicture) comes with the GUI.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CTagArchive;

class CMotorModel {
public:
    std::string Name;
    int32_t Index = -1; // place in the models table; the loader sets it
    double ContinuousTorque = 0;
    double PeakTorque = 0;
    double TorqueConstant = 0;
    double NominalContinuousPower = 0;
    double TopSpeed = 0;
    double VoltageConstant = 0;
    double WindingResistance = 0;
    uint32_t EncoderResolution = 0;
    double RotorInteria = 0; // sic: the archive key is "RotorInteria"
    int32_t Poles = 0;
    int32_t Slots = 0;
    double ShaftDiameter = 0;
    double Weight = 0;
    double Length = 0;
    double Width = 0;
    uint32_t Flags = 0;
    std::string Comments;
    std::vector<uint8_t> Picture; // the picture file's bytes; empty: no picture
    int32_t BitmapDataSize = 0;   // size of the picture bytes
    int32_t PictureState = 0;     // 0 constructed, 1 a load skipped the picture, 2 stored or loaded
    int32_t KP = 0, KI = 0, KD = 0, KL = 0, KS = 0, KV = 0, KA = 0, KG = 0;
    // Each value packs two signed 16-bit numbers: low half the first coordinate, high half the
    // second, of one status lamp on the 200 x 100 picture.
    std::array<uint32_t, 5> LEDs{};

    static constexpr int kLedCount = 5;

    // Sets the picture bytes and their size together.
    void SetPicture(std::vector<uint8_t> bytes);
    bool HasPicture() const { return BitmapDataSize > 0 && !Picture.empty(); }
    // First and second coordinate of lamp i.
    static int16_t LedX(uint32_t led) { return static_cast<int16_t>(led & 0xFFFFu); }
    static int16_t LedY(uint32_t led) { return static_cast<int16_t>(led >> 16); }
    static uint32_t MakeLed(int16_t x, int16_t y)
    {
        return static_cast<uint16_t>(x) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
    }

    // Stores or loads the record inside the group `groupName`. An absent group on
    // loading changes nothing. A missing or wrongly sized item loads as 0 or empty (Index too).
    // "LEDs": 5 values stored; on loading as many as the group holds, at most 5 kept. The picture:
    // loading with the archive's mode bit 0 (CTagArchive::kSkipPictures) leaves the picture bytes
    // as they were and sets PictureState 1; otherwise PictureState 2 and the item "BitmapData" of
    // exactly BitmapDataSize bytes is exchanged. Storing writes BitmapDataSize as the size of the
    // picture bytes. Loading a negative size, or a size that the "BitmapData" item does not have,
    // gives no picture and BitmapDataSize 0 (never a block of that size left unset).
    void Serialize(const std::string& groupName, CTagArchive& ar);

    bool operator==(const CMotorModel&) const = default;
};
