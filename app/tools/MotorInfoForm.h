#pragma once
// The Info page of a motor view without widgets: the identity and program fields as the project
// holds them for the motor, and Get Info, which reads them again from the motor through a copy
// and takes them over (or lets the user resolve a difference).

#include "app/tools/MotorPageQuery.h"

#include <functional>
#include <string>

class CMotor;
namespace ui {
class IQuestions;
}

namespace tools {

namespace info {
inline constexpr int kName = 1023, kAddress = 1025, kFirmware = 1015, kSamplePeriod = 1016, kSerial = 1017;
inline constexpr int kModel = 1215, kProgName = 1216, kProgSize = 1219, kDownloadTime = 1217, kMadeOn = 1220;
inline constexpr int kScaling = 1438, kGetInfo = 1221, kEditProperties = 1006, kDetails = 1360;
inline constexpr const char* kNoScale =
    "No scale is defined for this motor. To define scale, click the \"Edit Properties\" button.";
} // namespace info

// The fields of the page, as shown.
struct MotorInfoFields {
    std::string name, address, firmware, samplePeriod, serial, model, progName, progSize, downloadTime, madeOn,
        scaling;
};
MotorInfoFields InfoFieldsOf(const CMotor& motor);

// What Get Info needs besides the motor.
struct MotorInfoServices {
    std::function<bool()> defaultProject; // none: a named project
    // The "Resolve Motor Inconsistency" dialog for the defined and the detected motor.
    std::function<void(CMotor& defined, CMotor& detected)> resolve;
    ui::IQuestions* questions = nullptr;
};

enum class GetInfoResult { Taken, Resolved, Failed, Gone };

// Reads the motor's identity through a copy that borrows its back ends (freed however it ends),
// takes it over when nothing differs or the project is the default one, else runs `resolve`.
// A lost motor goes to the main frame's recovery, and "repeat" reads again from the start.
GetInfoResult GetMotorInfo(MotorViewLink& link, const MotorInfoServices& services);

} // namespace tools
