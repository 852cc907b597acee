#include "app/tools/MotorInfoForm.h"

#include "app/project/ProgramTag.h"
#include "app/tools/CommErrorAnswer.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/shared/MotorModels.h"
#include "core/ui/InfoView.h"
#include "core/ui/Questions.h"

#include <cstdio>
#include <memory>

namespace tools {

MotorInfoFields InfoFieldsOf(const CMotor& motor)
{
    MotorInfoFields f;
    f.name = motor.Name;
    f.address = std::to_string(motor.Address);
    f.firmware = motor.Version;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", motor.SamplePeriod);
    f.samplePeriod = buffer;
    f.serial = FormatSerialNumber(motor.SerialNumber);
    if (!motor.ProgName.empty()) {
        f.progName = motor.ProgName;
        f.progSize = std::to_string(static_cast<int32_t>(motor.ProgSize));
        f.downloadTime = FormatSystemTime(motor.progDate);
    } else {
        f.progName = f.progSize = f.downloadTime = "N/A";
    }
    f.madeOn = FormatPackedDate(motor.ProdDates[5]);
    f.model = motor.Model.empty() ? MotorModelName(motor.MotorType) : motor.Model;
    if (motor.UseConversionFactor) {
        std::snprintf(buffer, sizeof buffer, "%0.3f", motor.ConversionFactor);
        f.scaling = "Each revolution of the shaft equals to " + std::string(buffer) + " " + motor.Unit +
                    ".\nTime units: " + motor.TimeUnit;
    } else {
        f.scaling = info::kNoScale;
    }
    return f;
}

GetInfoResult GetMotorInfo(MotorViewLink& link, const MotorInfoServices& services)
{
    for (;;) {
        CMotor* motor = link.motor;
        if (!motor)
            return GetInfoResult::Gone;
        int32_t code = 0;
        {
            ProgramTag tag(motor->GetPort());
            // The copy borrows the motor's connections; it goes however the read ends.
            auto fresh = std::make_unique<CMotor>();
            fresh->shared = true;
            *fresh = *motor;
            try {
                fresh->ReadVersion();
                const bool differs = motor->CompareWith(*fresh) != 0;
                motor->linked = nullptr;
                fresh->linked = nullptr;
                if (!differs || (services.defaultProject && services.defaultProject())) {
                    const int index = motor->GetListIndex();
                    *motor = *fresh;
                    motor->SetListIndex(index);
                    motor->linked = nullptr;
                    return GetInfoResult::Taken;
                }
                if (services.resolve)
                    services.resolve(*motor, *fresh);
                if (link.motor)
                    link.motor->linked = nullptr;
                return GetInfoResult::Resolved;
            } catch (const CVQXException& e) {
                motor->linked = nullptr;
                ui::COperationContext& context = motor->Context();
                context.Info().Show(true);
                context.Info().AddException(e);
                if (!commerror::IsCommLoss(e.GetCode())) {
                    if (services.questions)
                        ui::OptionMessageBox(*services.questions, e.GetMessage(), ui::MB_OK | ui::MB_ICONERROR);
                    return GetInfoResult::Failed;
                }
                code = e.GetCode();
            }
        }
        const uint32_t answer = RequestCommError(
            link.commError, [motor](int, int) { return motor; }, code, link.portIndex, motor->Address);
        if (!link.motor)
            return GetInfoResult::Gone;
        if (DecideAfterCommError(answer) != AfterCommError::Repeat)
            return GetInfoResult::Failed;
    }
}

} // namespace tools
