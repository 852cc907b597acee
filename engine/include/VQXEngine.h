#pragma once
// VQXEngine: the one header a client program includes. It declares the engine's classes and
// interfaces in vtable order, their identifiers, the enumerations, the engine's error codes and
// progress notifications; the COM functions and helpers come with it (vqxcom/Com.h, the COM
// client library a client links).
//
//   IVQXComm* comm = nullptr;
//   CoCreateInstance(CLSID_VQXHost, nullptr, CLSCTX_INPROC_SERVER, IID_IVQXComm, (void**)&comm);
//   comm->OpenPort(vqxcom::Bstr("/dev/ttyUSB0").get());
//
// Every method returns S_OK or E_FAIL; after E_FAIL the thread's error information (GetErrorInfo,
// vqxcom::TakeErrorInfo) holds the engine's text, the interface's identifier, and the help context
// (data << 16) | code with the code of VQXEngineError below.

#include "vqxcom/Com.h"

// ---- Identifiers ----
inline constexpr GUID LIBID_VQXENGINELib{0xBC26FBAC, 0x00E1, 0x11D4, {0xB5, 0xD0, 0x00, 0x60, 0x08, 0x31, 0xE1, 0xF3}};
inline constexpr IID IID_IVQXComm{0xBC26FBB8, 0x00E1, 0x11D4, {0xB5, 0xD0, 0x00, 0x60, 0x08, 0x31, 0xE1, 0xF3}};
inline constexpr IID IID_IVQXSynmove{0xBC26FBB9, 0x00E1, 0x11D4, {0xB5, 0xD0, 0x00, 0x60, 0x08, 0x31, 0xE1, 0xF3}};
inline constexpr IID IID_IVQXPath{0xB998E60D, 0xDB45, 0x4B64, {0xA1, 0x49, 0xCC, 0x7B, 0xD2, 0x13, 0x11, 0xDE}};
inline constexpr IID IID_IVQXMotor{0x0FBA614D, 0xB688, 0x4D74, {0x9D, 0x8A, 0xE5, 0x92, 0xDA, 0x3F, 0x65, 0xD3}};
inline constexpr IID IID_IVQXScan{0x124D89B8, 0x26B4, 0x42A9, {0xB9, 0x88, 0xC2, 0xA3, 0x8D, 0x57, 0xCA, 0xED}};
inline constexpr IID IID_IVQXErrors{0xD1B5EE00, 0x2230, 0x44E3, {0x87, 0x8A, 0x55, 0x26, 0x3D, 0xA8, 0x2E, 0x3D}};
inline constexpr CLSID CLSID_VQXHost{0xBC26FBBA, 0x00E1, 0x11D4, {0xB5, 0xD0, 0x00, 0x60, 0x08, 0x31, 0xE1, 0xF3}};
inline constexpr CLSID CLSID_VQXScan{0x86DF7FB1, 0xBE6A, 0x40DB, {0x85, 0xCC, 0xDF, 0x71, 0x51, 0x1E, 0xC2, 0x1A}};
inline constexpr CLSID CLSID_VQXMotor{0xD3A8EE8B, 0xCAEF, 0x40B6, {0x8F, 0xD1, 0xD4, 0x3D, 0x49, 0x8F, 0xE3, 0xA0}};

// ---- Enumerations (32-bit) ----
enum enum_parity : int32_t { vqx_none = 0, vqx_odd = 1, vqx_even = 2, vqx_mark = 3, vqx_space = 4 };
enum enum_arcdirection : int32_t { vqx_counterclockwise = 0, vqx_clockwise = 1 };

// ---- Error codes (the low 16 bits of the help context) ----
enum VQXEngineError : int32_t {
    VQXE_NO_ERROR = 0, VQXE_EXCEPTION = 1, VQXE_CANNOT_OPEN_PORT = 2, VQXE_CANNOT_SET_TIMEOUT = 3,
    VQXE_NO_LINK = 4, VQXE_NO_RESPONSE = 5, VQXE_NO_ECHO = 6, VQXE_INVALID_ECHO = 7, VQXE_PORT_NOT_OPEN = 8,
    VQXE_OVERRUN = 9, VQXE_RX_OVERFLOW = 10, VQXE_PARITY = 11, VQXE_FRAMING = 12, VQXE_BREAK = 13,
    VQXE_IO_ERROR = 14, VQXE_TX_FULL = 15, VQXE_UNKNOWN_COMM = 16, VQXE_READ_ERROR = 17, VQXE_WRITE_ERROR = 18,
    VQXE_INVALID_DATA = 19, VQXE_INVALID_TIME_DELTA = 20, VQXE_MOTOR_TIME_DELTA = 21, VQXE_MOTOR_POS_DELTA = 22,
    VQXE_MOTOR_DATA_SPACE = 23, VQXE_MOTOR_OVERFLOW = 24, VQXE_MOTOR_UNDERFLOW = 25, VQXE_HOST_MODE_FAILED = 26,
    VQXE_NO_STATUS = 27, VQXE_SAMPLE_RATES = 28, VQXE_HOST_MODE_UNSUPPORTED = 29, VQXE_HOST_MODE_NOT_INIT = 30,
    VQXE_OUT_OF_MEMORY = 31, VQXE_MORE_THAN_ONE_MOTOR = 32, VQXE_NO_MORE_ERRORS = 33, VQXE_CANNOT_OPEN_FILE = 34,
    VQXE_CANNOT_WRITE_FILE = 35, VQXE_NO_EEPROM = 36, VQXE_INVALID_MODE = 37, VQXE_UNUSED_38 = 38,
    VQXE_FILE_TOO_LONG = 39, VQXE_PROGRAM_CORRUPTED = 40, VQXE_MOTOR_IS_ON = 41, VQXE_VERSION_DIFFERENCE = 42,
    VQXE_NETWORK_COMM = 43, VQXE_NOT_DOWNLOADED = 44, VQXE_NETWORK_ERROR = 45, VQXE_NO_USB_MOTOR = 46
};
inline constexpr int32_t VQXErrorCode(DWORD helpContext) { return int32_t(helpContext & 0xFFFF); }
inline constexpr int32_t VQXErrorData(DWORD helpContext) { return int32_t(helpContext >> 16); }

// ---- Progress notifications (wParam; the reply 0 cancels where said) ----
// Register a callback with RegisterNotifyTarget and pass its handle as hWindow to
// IVQXComm::InitializeNotification together with the message number the callback receives.
enum VQXNotification : int32_t {
    VQXN_DOWNLOAD_BEGIN = 1,  // lParam: bytes to send; 0 cancels
    VQXN_STEP = 2,            // lParam: count so far; 0 cancels downloads and address passes
    VQXN_END = 3,             // lParam 0
    VQXN_UPLOAD_BEGIN = 4,    // lParam: expected size, 0 when unknown
    VQXN_CONNECT_BEGIN = 5,   // addressing or connecting begins
    VQXN_PASS_BEGIN = 6,      // a detection pass begins; lParam: its steps
    VQXN_COLLISION_PASS = 7,  // a nested collision-resolution pass; lParam: its address range
    VQXN_EEPROM_READ = 8      // a read of 150 bytes or more begins; lParam: bytes
};

// Detection flags and results.
inline constexpr LONG VQX_DETECT_RAISE_ERRORS = 0x100000;
inline constexpr LONG VQX_DETECT_ADDRESS_CHAIN = 0x400000;
inline constexpr LONG VQX_DETECT_NO_END = 0x4000000;
inline constexpr LONG VQX_RESULT_PORT_NOT_OPEN = 0x10000;

// Download flags of IVQXMotor.
inline constexpr LONG VQX_DL_STOP_RUNNING = 0x01;
inline constexpr LONG VQX_DL_NO_CHECKS = 0x10;
inline constexpr LONG VQX_DL_CALIBRATION = 0x80;
inline constexpr LONG VQX_DL_NO_PROGRAM_CHECK = 0x100;

struct IVQXMotor;

// ---- IVQXComm: the host's port (slots 7-69) ----
struct IVQXComm : IDispatch {
    virtual HRESULT OpenPort(BSTR PortName) = 0;
    virtual HRESULT ClosePort() = 0;
    virtual HRESULT get_PortHandle(LONG* pVal) = 0;
    virtual HRESULT ClearBuffer() = 0;
    virtual HRESULT get_BytesAvailable(LONG* pVal) = 0;
    virtual HRESULT WriteCommand(BSTR Command) = 0;
    virtual HRESULT WriteString(BSTR Data) = 0;
    virtual HRESULT ReadResponse(BSTR* Response) = 0;
    virtual HRESULT ReadString(LONG NoOfBytes, BSTR* Data) = 0;
    virtual HRESULT EstablishChain() = 0;
    virtual HRESULT AddressMotorChain(LONG* MotorCount) = 0;
    virtual HRESULT Wait(LONG Time) = 0;
    virtual HRESULT get_DefaultMotor(LONG* pVal) = 0;
    virtual HRESULT put_DefaultMotor(LONG newVal) = 0;
    virtual HRESULT get_Echo(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT put_Echo(VARIANT_BOOL newVal) = 0;
    virtual HRESULT get_Parity(enum_parity* pVal) = 0;
    virtual HRESULT put_Parity(enum_parity newVal) = 0;
    virtual HRESULT get_BaudRate(LONG* pVal) = 0;
    virtual HRESULT put_BaudRate(LONG newVal) = 0;
    virtual HRESULT get_Timeout(LONG* pVal) = 0;
    virtual HRESULT put_Timeout(LONG newVal) = 0;
    virtual HRESULT get_CharDelay(LONG* pVal) = 0;
    virtual HRESULT put_CharDelay(LONG newVal) = 0;
    virtual HRESULT get_PortName(BSTR* pVal) = 0;
    virtual HRESULT GetResponseOf(BSTR Command, BSTR* Response) = 0;
    virtual HRESULT GetMotor(LONG Address, IVQXMotor** Motor) = 0;
    virtual HRESULT get_MaxMotors(LONG* pVal) = 0;
    virtual HRESULT put_MaxMotors(LONG newVal) = 0;
    virtual HRESULT Download(LONG Motor, BSTR FileName) = 0;
    virtual HRESULT Upload(LONG Motor, BSTR FileName) = 0;
    virtual HRESULT ForceUpload(LONG Motor, BSTR FileName) = 0;
    virtual HRESULT get_IsRS485(LONG* pVal) = 0;
    virtual HRESULT put_IsRS485(LONG newVal) = 0;
    virtual HRESULT ClearEEPROM(LONG Motor) = 0;
    virtual HRESULT InitializeNotification(LONG hWindow, LONG message) = 0;
    virtual HRESULT WriteCmd(BSTR Command) = 0;
    virtual HRESULT InitRS485(LONG NoOfMotors, LONG MotorChannel) = 0;
    virtual HRESULT get_TxMaxRetry(LONG* pVal) = 0;
    virtual HRESULT put_TxMaxRetry(LONG newVal) = 0;
    virtual HRESULT get_TxTimeoutMul(LONG* pVal) = 0;
    virtual HRESULT put_TxTimeoutMul(LONG newVal) = 0;
    virtual HRESULT get_TxTimeoutConst(LONG* pVal) = 0;
    virtual HRESULT put_TxTimeoutConst(LONG newVal) = 0;
    virtual HRESULT get_LogFlags(LONG* pVal) = 0;
    virtual HRESULT put_LogFlags(LONG newVal) = 0;
    virtual HRESULT get_LogFileName(BSTR* pVal) = 0;
    virtual HRESULT put_LogFileName(BSTR newVal) = 0;
    virtual HRESULT get_EchoTimeoutMul(LONG* pVal) = 0;
    virtual HRESULT put_EchoTimeoutMul(LONG newVal) = 0;
    virtual HRESULT get_EchoTimeoutConst(LONG* pVal) = 0;
    virtual HRESULT put_EchoTimeoutConst(LONG newVal) = 0;
    virtual HRESULT DetectRS232(LONG MaxAddress, LONG Flags, LONG* ErrorCode) = 0;
    virtual HRESULT DetectRS485(LONG MaxAddress, LONG MotorChannel, LONG Flags, LONG* ErrorCode) = 0;
    virtual HRESULT AddressServos(LONG Flags, LONG* ErrorCode) = 0;
    virtual HRESULT get_NoOfMotors(LONG* pVal) = 0;
    virtual HRESULT get_EngineVersion(LONG* pVal) = 0;
    virtual HRESULT InitEthernet(LONG MaxAddress) = 0;
    virtual HRESULT DetectNetMotors(LONG MaxAddress, LONG Flags, LONG* ErrorCode) = 0;
    virtual HRESULT AddNetMotor(BSTR IPAddress, LONG* MotorAddress) = 0;
    virtual HRESULT InitUSB(LONG MaxAddress) = 0;
    virtual HRESULT DetectUSBMotors(LONG MaxAddress, LONG Flags, LONG* ErrorCode) = 0;
    virtual HRESULT ReorderMotors(LONG Address, BSTR SerialNo, LONG* OldMotorAddress) = 0;

protected:
    ~IVQXComm() = default;
};

// ---- IVQXSynmove: coordinated-motion streaming on the host's port (slots 7-22) ----
struct IVQXSynmove : IDispatch {
    virtual HRESULT Initialize(LONG NoOfMotors) = 0;
    virtual HRESULT WritePosition(LONG Motor, LONG Pos) = 0;
    virtual HRESULT WriteClock(LONG Motor, LONG Clock) = 0;
    virtual HRESULT get_SlotsNeeded(LONG Motor, LONG* pVal) = 0;
    virtual HRESULT get_CurrentClock(LONG Motor, LONG* pVal) = 0;
    virtual HRESULT CheckStatus(LONG Motor, LONG* FreeSlots) = 0;
    virtual HRESULT get_TrajectorySlots(LONG* pVal) = 0;
    virtual HRESULT put_TrajectorySlots(LONG newVal) = 0;
    virtual HRESULT get_Buffered(VARIANT_BOOL* pVal) = 0;
    virtual HRESULT put_Buffered(VARIANT_BOOL newVal) = 0;
    virtual HRESULT get_SampleRate(LONG nMotor, DOUBLE* pVal) = 0;
    virtual HRESULT get_PIDFactor(LONG* pVal) = 0;
    virtual HRESULT put_PIDFactor(LONG newVal) = 0;
    virtual HRESULT EndHostMode() = 0;
    virtual HRESULT Run() = 0;
    virtual HRESULT SyncMotors() = 0;

protected:
    ~IVQXSynmove() = default;
};

// ---- IVQXPath: path generation (slots 7-29) ----
struct IVQXPath : IDispatch {
    virtual HRESULT get_EndSpeed(DOUBLE* pVal) = 0;
    virtual HRESULT put_EndSpeed(DOUBLE newVal) = 0;
    virtual HRESULT get_Acceleration(DOUBLE* pVal) = 0;
    virtual HRESULT put_Acceleration(DOUBLE newVal) = 0;
    virtual HRESULT get_StartPoint(INT Axis, DOUBLE* pVal) = 0;
    virtual HRESULT put_StartPoint(INT Axis, DOUBLE newVal) = 0;
    virtual HRESULT get_StartClock(LONG* pVal) = 0;
    virtual HRESULT put_StartClock(LONG newVal) = 0;
    virtual HRESULT get_SlowToEndSpeed(BOOL* pVal) = 0;
    virtual HRESULT put_SlowToEndSpeed(BOOL newVal) = 0;
    virtual HRESULT SetupTimeDelta(LONG AveTimeDelta, LONG MinTimeDelta, LONG AllowedCount, LONG PrecedeCount) = 0;
    virtual HRESULT GeneratePath(DOUBLE MaxSpeed, DOUBLE TotalLength, VARIANT* DataPairs) = 0;
    virtual HRESULT GenerateLinePath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT* DataPairs) = 0;
    virtual HRESULT GenerateArcPath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT Center, enum_arcdirection Direction,
                                    VARIANT* DataPairs) = 0;
    virtual HRESULT get_StartSpeed(DOUBLE* pVal) = 0;
    virtual HRESULT put_StartSpeed(DOUBLE newVal) = 0;
    virtual HRESULT get_TimeDelta(LONG* pVal) = 0;
    virtual HRESULT put_TimeDelta(LONG newVal) = 0;
    virtual HRESULT get_Plane(LONG* pVal) = 0;
    virtual HRESULT put_Plane(LONG newVal) = 0;
    virtual HRESULT CreatePath(DOUBLE MaxSpeed, DOUBLE TotalLength, VARIANT* DataPairs) = 0;
    virtual HRESULT CreateLinePath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT* DataPairs) = 0;
    virtual HRESULT CreateArcPath(DOUBLE MaxSpeed, VARIANT Endpoint, VARIANT Center, enum_arcdirection Direction,
                                  VARIANT* DataPairs) = 0;

protected:
    ~IVQXPath() = default;
};

// ---- IVQXMotor: one motor of a host's port, from IVQXComm::GetMotor (slots 7-48) ----
struct IVQXMotor : IDispatch {
    virtual HRESULT GetPosition(LONG* Pos) = 0;
    virtual HRESULT get_P(LONG* pVal) = 0;
    virtual HRESULT put_P(LONG newVal) = 0;
    virtual HRESULT get_V(LONG* pVal) = 0;
    virtual HRESULT put_V(LONG newVal) = 0;
    virtual HRESULT get_A(LONG* pVal) = 0;
    virtual HRESULT put_A(LONG newVal) = 0;
    virtual HRESULT GetSpeed(LONG* Speed) = 0;
    virtual HRESULT GetAcceleration(LONG* Acceleration) = 0;
    virtual HRESULT Go() = 0;
    virtual HRESULT WriteCommand(BSTR Command) = 0;
    virtual HRESULT GetResponseOf(BSTR Command, BSTR* Response) = 0;
    virtual HRESULT SetPositionMode() = 0;
    virtual HRESULT SetVelocityMode() = 0;
    virtual HRESULT get_Version(BSTR* pVal) = 0;
    virtual HRESULT get_SampleRate(DOUBLE* pVal) = 0;
    virtual HRESULT WaitForStop() = 0;
    virtual HRESULT Stop(LONG Decelerate) = 0;
    virtual HRESULT GoTo(LONG Position, LONG Velocity, LONG Acceleration) = 0;
    virtual HRESULT Download(BSTR FileName) = 0;
    virtual HRESULT Upload(BSTR FileName) = 0;
    virtual HRESULT DownloadEx(BSTR FileName, LONG Flags, LONG* Result) = 0;
    virtual HRESULT UploadEx(BSTR FileName) = 0;
    virtual HRESULT ClearProgram(LONG Flags) = 0;
    virtual HRESULT GetMotorInfo(LONG* Result) = 0;
    virtual HRESULT GetSerialNumber(BSTR* SN) = 0;
    virtual HRESULT GetModelStr(BSTR* ModelStr) = 0;
    virtual HRESULT GetEncoderResolution(LONG* EncoderResolution) = 0;
    virtual HRESULT GetMotorByte(LONG Address, BYTE* TheByte) = 0;
    virtual HRESULT GetMotorWord(LONG Address, USHORT* TheWord) = 0;
    virtual HRESULT GetMotorDWord(LONG Address, ULONG* TheDWord) = 0;
    virtual HRESULT SetMotorByte(LONG Address, BYTE TheByte) = 0;
    virtual HRESULT SetMotorWord(LONG Address, USHORT TheWord) = 0;
    virtual HRESULT SetMotorDWord(LONG Address, ULONG TheDWord) = 0;
    virtual HRESULT IsServo(LONG* Result) = 0;
    virtual HRESULT DownloadProgramStr(BSTR ProgramStr, LONG Flags, LONG* Result) = 0;
    virtual HRESULT UploadProgramStr(LONG CalPrg, BSTR* ProgramStr) = 0;
    virtual HRESULT UpProgramStr(LONG CalPrg, BSTR* ProgramStr) = 0;
    virtual HRESULT GetMotorInt(LONG Address, SHORT* TheInt) = 0;
    virtual HRESULT GetMotorLong(LONG Address, LONG* TheLong) = 0;
    virtual HRESULT SetMotorInt(LONG Address, SHORT TheInt) = 0;
    virtual HRESULT SetMotorLong(LONG Address, LONG TheLong) = 0;

protected:
    ~IVQXMotor() = default;
};

// ---- IVQXScan: the program compiler (slots 7-10) ----
struct IVQXScan : IDispatch {
    virtual HRESULT Scan(BSTR Program) = 0;
    virtual HRESULT ScanFile(BSTR FileName) = 0;
    virtual HRESULT MakeTQX(BSTR FileName, LONG* Result) = 0;
    virtual HRESULT MakeTQX2(BSTR FileName, BSTR TQXFileName, LONG* Result) = 0;

protected:
    ~IVQXScan() = default;
};

// ---- IVQXErrors: the compiler's messages (slots 7-19) ----
struct IVQXErrors : IDispatch {
    virtual HRESULT get_NoOfWarnings(LONG* pVal) = 0;
    virtual HRESULT get_NoOfErrors(LONG* pVal) = 0;
    virtual HRESULT get_MaxErrors(LONG* pVal) = 0;
    virtual HRESULT put_MaxErrors(LONG newVal) = 0;
    virtual HRESULT get_MaxWarnings(LONG* pVal) = 0;
    virtual HRESULT put_MaxWarnings(LONG newVal) = 0;
    virtual HRESULT GoFirst() = 0;
    virtual HRESULT GoNext() = 0;
    virtual HRESULT get_Description(BSTR* pVal) = 0;
    virtual HRESULT get_Code(LONG* pVal) = 0;
    virtual HRESULT get_Line(LONG* pVal) = 0;
    virtual HRESULT get_Column(LONG* pVal) = 0;
    virtual HRESULT get_IsWarning(LONG* pVal) = 0;

protected:
    ~IVQXErrors() = default;
};
