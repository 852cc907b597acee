// Late binding of IVQXComm: names and dispatch identifiers of its members.
#include "engine/host/VQXHost.h"

namespace engine {

using namespace vqxcom::server;

const DispTable& CommDispatchTable()
{
    static const DispTable table = {
        Member<&IVQXComm::OpenPort>("OpenPort", 1),
        Member<&IVQXComm::ClosePort>("ClosePort", 2),
        Get<&IVQXComm::get_PortHandle>("PortHandle", 3),
        Member<&IVQXComm::ClearBuffer>("ClearBuffer", 4),
        Get<&IVQXComm::get_BytesAvailable>("BytesAvailable", 5),
        Member<&IVQXComm::WriteCommand>("WriteCommand", 6),
        Member<&IVQXComm::WriteString>("WriteString", 7),
        Member<&IVQXComm::ReadResponse>("ReadResponse", 8),
        Member<&IVQXComm::ReadString>("ReadString", 9),
        Member<&IVQXComm::EstablishChain>("EstablishChain", 10),
        Member<&IVQXComm::AddressMotorChain>("AddressMotorChain", 11),
        Member<&IVQXComm::Wait>("Wait", 12),
        Get<&IVQXComm::get_DefaultMotor>("DefaultMotor", 13),
        Put<&IVQXComm::put_DefaultMotor>("DefaultMotor", 13),
        Get<&IVQXComm::get_Echo>("Echo", 14),
        Put<&IVQXComm::put_Echo>("Echo", 14),
        Get<&IVQXComm::get_Parity>("Parity", 15),
        Put<&IVQXComm::put_Parity>("Parity", 15),
        Get<&IVQXComm::get_BaudRate>("BaudRate", 16),
        Put<&IVQXComm::put_BaudRate>("BaudRate", 16),
        Get<&IVQXComm::get_Timeout>("Timeout", 17),
        Put<&IVQXComm::put_Timeout>("Timeout", 17),
        Get<&IVQXComm::get_CharDelay>("CharDelay", 18),
        Put<&IVQXComm::put_CharDelay>("CharDelay", 18),
        Get<&IVQXComm::get_PortName>("PortName", 28),
        Member<&IVQXComm::GetResponseOf>("GetResponseOf", 29),
        Member<&IVQXComm::GetMotor>("GetMotor", 30),
        Get<&IVQXComm::get_MaxMotors>("MaxMotors", 31),
        Put<&IVQXComm::put_MaxMotors>("MaxMotors", 31),
        Member<&IVQXComm::Download>("Download", 32),
        Member<&IVQXComm::Upload>("Upload", 33),
        Member<&IVQXComm::ForceUpload>("ForceUpload", 34),
        Get<&IVQXComm::get_IsRS485>("IsRS485", 35),
        Put<&IVQXComm::put_IsRS485>("IsRS485", 35),
        Member<&IVQXComm::ClearEEPROM>("ClearEEPROM", 36),
        Member<&IVQXComm::InitializeNotification>("InitializeNotification", 37),
        Member<&IVQXComm::WriteCmd>("WriteCmd", 38),
        Member<&IVQXComm::InitRS485>("InitRS485", 39),
        Get<&IVQXComm::get_TxMaxRetry>("TxMaxRetry", 40),
        Put<&IVQXComm::put_TxMaxRetry>("TxMaxRetry", 40),
        Get<&IVQXComm::get_TxTimeoutMul>("TxTimeoutMul", 41),
        Put<&IVQXComm::put_TxTimeoutMul>("TxTimeoutMul", 41),
        Get<&IVQXComm::get_TxTimeoutConst>("TxTimeoutConst", 42),
        Put<&IVQXComm::put_TxTimeoutConst>("TxTimeoutConst", 42),
        Get<&IVQXComm::get_LogFlags>("LogFlags", 43),
        Put<&IVQXComm::put_LogFlags>("LogFlags", 43),
        Get<&IVQXComm::get_LogFileName>("LogFileName", 44),
        Put<&IVQXComm::put_LogFileName>("LogFileName", 44),
        Get<&IVQXComm::get_EchoTimeoutMul>("EchoTimeoutMul", 45),
        Put<&IVQXComm::put_EchoTimeoutMul>("EchoTimeoutMul", 45),
        Get<&IVQXComm::get_EchoTimeoutConst>("EchoTimeoutConst", 46),
        Put<&IVQXComm::put_EchoTimeoutConst>("EchoTimeoutConst", 46),
        Member<&IVQXComm::DetectRS232>("DetectRS232", 47),
        Member<&IVQXComm::DetectRS485>("DetectRS485", 48),
        Member<&IVQXComm::AddressServos>("AddressServos", 49),
        Get<&IVQXComm::get_NoOfMotors>("NoOfMotors", 50),
        Get<&IVQXComm::get_EngineVersion>("EngineVersion", 51),
        Member<&IVQXComm::InitEthernet>("InitEthernet", 52),
        Member<&IVQXComm::DetectNetMotors>("DetectNetMotors", 53),
        Member<&IVQXComm::AddNetMotor>("AddNetMotor", 54),
        Member<&IVQXComm::InitUSB>("InitUSB", 55),
        Member<&IVQXComm::DetectUSBMotors>("DetectUSBMotors", 56),
        Member<&IVQXComm::ReorderMotors>("ReorderMotors", 57),
    };
    return table;
}

} // namespace engine
