// Late binding of IVQXMotor: names and dispatch identifiers of its members.
#include "engine/motor/VQXMotor.h"

namespace engine {

using namespace vqxcom::server;

const DispTable& MotorDispatchTable()
{
    static const DispTable table = {
        Member<&IVQXMotor::GetPosition>("GetPosition", 1),
        Get<&IVQXMotor::get_P>("P", 2),
        Put<&IVQXMotor::put_P>("P", 2),
        Get<&IVQXMotor::get_V>("V", 3),
        Put<&IVQXMotor::put_V>("V", 3),
        Get<&IVQXMotor::get_A>("A", 4),
        Put<&IVQXMotor::put_A>("A", 4),
        Member<&IVQXMotor::GetSpeed>("GetSpeed", 5),
        Member<&IVQXMotor::GetAcceleration>("GetAcceleration", 6),
        Member<&IVQXMotor::Go>("Go", 7),
        Member<&IVQXMotor::WriteCommand>("WriteCommand", 8),
        Member<&IVQXMotor::GetResponseOf>("GetResponseOf", 9),
        Member<&IVQXMotor::SetPositionMode>("SetPositionMode", 10),
        Member<&IVQXMotor::SetVelocityMode>("SetVelocityMode", 11),
        Get<&IVQXMotor::get_Version>("Version", 12),
        Get<&IVQXMotor::get_SampleRate>("SampleRate", 13),
        Member<&IVQXMotor::WaitForStop>("WaitForStop", 14),
        Member<&IVQXMotor::Stop>("Stop", 15),
        Member<&IVQXMotor::GoTo>("GoTo", 16),
        Member<&IVQXMotor::Download>("Download", 17),
        Member<&IVQXMotor::Upload>("Upload", 18),
        Member<&IVQXMotor::DownloadEx>("DownloadEx", 19),
        Member<&IVQXMotor::UploadEx>("UploadEx", 20),
        Member<&IVQXMotor::ClearProgram>("ClearProgram", 21),
        Member<&IVQXMotor::GetMotorInfo>("GetMotorInfo", 22),
        Member<&IVQXMotor::GetSerialNumber>("GetSerialNumber", 23),
        Member<&IVQXMotor::GetModelStr>("GetModelStr", 24),
        Member<&IVQXMotor::GetEncoderResolution>("GetEncoderResolution", 25),
        Member<&IVQXMotor::GetMotorByte>("GetMotorByte", 26),
        Member<&IVQXMotor::GetMotorWord>("GetMotorWord", 27),
        Member<&IVQXMotor::GetMotorDWord>("GetMotorDWord", 28),
        Member<&IVQXMotor::SetMotorByte>("SetMotorByte", 29),
        Member<&IVQXMotor::SetMotorWord>("SetMotorWord", 30),
        Member<&IVQXMotor::SetMotorDWord>("SetMotorDWord", 31),
        Member<&IVQXMotor::IsServo>("IsServo", 32),
        Member<&IVQXMotor::DownloadProgramStr>("DownloadProgramStr", 33),
        Member<&IVQXMotor::UploadProgramStr>("UploadProgramStr", 34),
        Member<&IVQXMotor::UpProgramStr>("UpProgramStr", 35),
        Member<&IVQXMotor::GetMotorInt>("GetMotorInt", 36),
        Member<&IVQXMotor::GetMotorLong>("GetMotorLong", 37),
        Member<&IVQXMotor::SetMotorInt>("SetMotorInt", 38),
        Member<&IVQXMotor::SetMotorLong>("SetMotorLong", 39),
    };
    return table;
}

} // namespace engine
