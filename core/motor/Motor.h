#pragma once
// One motor of a port: its identity, what it was last programmed with, its factory data, user
// units, associated program files and optional Ethernet or USB back end; and the operations that
// talk to the motor itself (commands, report variables, identity, data EEPROM, factory block).

#include "core/motor/OwnerList.h"
#include "core/shared/SharedFunctions.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCommPort;
class CMotorSocket;
class CMotorUSB;
class CTagArchive;
class IMotorLink;
namespace ui { class COperationContext; }

// One program source file associated with a motor.
struct CAssociatedFile {
    std::string FileName;
    int index = -1;
    void SetListIndex(int i) { index = i; }
};
using CAssociatedFileList = COwnerList<CAssociatedFile, 100>;

// Bits of the difference mask that CompareWith builds.
enum : int {
    MOTOR_DIFF_VERSION = 2,
    MOTOR_DIFF_PROGNAME = 4,
    MOTOR_DIFF_PROGSIZE = 8,
    MOTOR_DIFF_PROGDATE = 16,
    MOTOR_DIFF_CHECKSUM = 32,
    MOTOR_DIFF_MOTORTYPE = 64,
    MOTOR_DIFF_SERIAL = 128,
    MOTOR_DIFF_ADDRESS = 512,
    MOTOR_DIFF_PROGRAM = 1024,
    MOTOR_DIFF_PRODDATE = 2048,
    MOTOR_DIFF_MODEL = 4096,
    MOTOR_DIFF_IPADDRESS = 8192,
    // A defined motor that detection did not find, or a detected one the project does not know.
    MOTOR_DIFF_UNMATCHED = 0xFFFF,
};

// Data EEPROM layout.
enum : int {
    EEPROM_SERIAL_NUMBER = 32256,
    EEPROM_FACTORY_BLOCK = 32468,
    EEPROM_FACTORY_LENGTH = 32470,
    EEPROM_PROGRAM_RECORD = 32548,
    EEPROM_CALPROGRAM_RECORD = 32582,
    EEPROM_GAINS = 32646,
    EEPROM_GAINS_CHECK = 32654,
    EEPROM_LEGACY_MARKER = 32764,
    EEPROM_LEGACY_LENGTH = 32767,
    EEPROM_SIZE = 32768,
};
constexpr uint32_t EEPROM_VERSION5_BITS = 0x0D000000u;
constexpr uint16_t FACTORY_MAGIC = 0xADB4;
constexpr int FACTORY_BLOCK_SIZE = 200;     // length of a block this program builds
constexpr int FACTORY_PROGRAM_RECORD = 34;  // bytes of one program record in the block
constexpr uint16_t GAIN_UNKNOWN = 0xFFFF;

class CMotor {
public:
    CMotor();
    virtual ~CMotor();
    CMotor(const CMotor& other);
    // Copies every field but the list index; back ends and associated files deeply (see .cpp).
    CMotor& operator=(const CMotor& other);

    // --- record ---------------------------------------------------------------------------
    void SetListIndex(int index) { listIndex = index; }
    int GetListIndex() const { return listIndex; }
    CCommPort* GetPort() const { return port; }
    void SetPort(CCommPort* p) { port = p; }
    // The operation context of what is done to the motor: its port's (the default context for a
    // motor without a port).
    ui::COperationContext& Context() const;

    // Stores or loads the motor as the named group of the archive.
    void Serialize(const std::string& group, CTagArchive& ar);

    // Builds the difference mask against a detected motor, links the two and copies the mask into
    // the detected one. Returns the whole mask.
    int CompareWith(CMotor& detected);

    // 0 same length and bytes, 1 different, -1 a file cannot be read or is longer than 32767.
    static int CompareFiles(const std::string& fileA, const std::string& fileB);

    // Appends a program source file. A refusal is reported through showStop (when given) with
    // the program's own text; a full list refuses silently.
    bool AddAssociatedFile(const std::string& path,
                           const std::function<void(const std::string&)>& showStop = {});
    void ClearAssociatedFiles();
    CAssociatedFile* GetMainAssociatedFile() const;
    void SetMainAssociatedFile(int index);

    // --- talking to the motor ---------------------------------------------------------------
    // Sends one command to this motor without reading a reply.
    void SendCommand(const std::string& text);
    // Sends a report command and reads one reply line. No reply: 1005 with this motor's data word.
    std::string SendAndReceive(const std::string& text);
    // Reads a report variable ("R<name>", or the P-protocol form); throughA reads it through the
    // user variable a, which is restored afterwards.
    std::string GetVariable(const std::string& name, bool throughA = false);
    // The firmware text without storing it; the stored Version when the motor does not answer.
    std::string GetVersionText();
    // Reads the identity: version, sample period, checksum, serial number, factory data.
    void ReadVersion();
    // The serial number the motor reports now (the identity's serial step alone, for the version
    // known; the whole identity when none is). The stored SerialNumber is left as it was.
    uint32_t ReadSerialNumber();
    // Whether the last ReadVersion got an identity reply without a version in it (garbled): the
    // version and sample period are then not the motor's answer (the version may come from the
    // factory block, or be unknown).
    bool IdentityUnreadable() const { return m_identityUnreadable; }

    bool IsVersion5();
    bool IsVersion46Plus();
    bool IsVersion4Below46();
    bool IsVersion46();
    bool IsVersion462();
    bool IsFirmwareCompatible(const std::string& targetVersion);
    bool IsMotorOn();

    // Data EEPROM. Block access moves 32-bit values through aaa..jjj; exactly n bytes are read
    // into buffer, and a write changes exactly the n bytes given.
    void ReadEEPROM(int address, uint8_t* buffer, int n);
    void WriteEEPROM(int address, const uint8_t* bytes, int n);
    uint8_t ReadEEPROMByte(int address, bool raw = false);
    uint16_t ReadEEPROMWord(int address, bool raw = false);
    uint32_t ReadEEPROMLong(int address, bool raw = false);
    void WriteEEPROMByte(int address, uint8_t value, bool version5Only = false);
    void WriteEEPROMWord(int address, uint16_t value, bool version5Only = false);
    void WriteEEPROMLong(int address, uint32_t value, bool version5Only = false);
    // Waits until the motor reports its EEPROM write done.
    void WaitEEPROMWrite();

    // Writes one 16-bit word of the factory block and keeps the block's sum byte right.
    void StoreFactoryWord(int address, uint16_t value);
    // Writes the program (or calibration program) record of the factory block.
    void WriteProgramInfo(bool calibration);
    // Reads and decodes the factory block; gives the motor a new one when it has none.
    void ReadFactoryData();
    // The block's length when a valid block was read into buffer (at least 299 bytes), else 0.
    int ReadFactoryBlock(uint8_t* buffer);
    // Builds a block of FACTORY_BLOCK_SIZE bytes from the motor's fields; returns its length.
    int BuildFactoryBlock(uint8_t* buffer) const;
    // Writes a block (length from its bytes 2 and 3) to the motor.
    void WriteFactoryBlock(const uint8_t* buffer);
    // Decodes a block of the given length (its bytes 2 and 3 when length is 0) into the fields.
    void ParseFactoryData(const uint8_t* buffer, int length = 0);
    void LoadLegacyFactoryData();
    void ReadCalibrationGains();
    // Chooses MotorType from Model; 0 when no model matches.
    int MatchModel();

    // --- programs: download, upload, END program, restart, user units (core/transfer/) -------
    // Flags in and out of a download; see core/transfer/DownloadFlags.h. showProgress: the
    // transfer reports to the please-wait dialog of the motor's context (Context()), and a Cancel
    // there stops it. An empty fileName takes the main associated file.
    uint32_t DownloadProgram(const std::string& fileName, bool showProgress, uint32_t flags, bool recordInfo);
    uint32_t DownloadImage(const std::string& image, bool showProgress, uint32_t flags);
    bool CheckDownload(const std::string& fileVersion, uint32_t& flags);
    bool EnsureValidProgram();
    void VerifyChecksum(bool skip, int64_t expected, uint32_t flags);
    bool SendProgramBytes(const uint8_t* image, size_t length, bool showProgress, uint32_t flags);
    void LimitDownloadBaud(bool restore);
    void UploadProgram(const std::string& fileName, bool showProgress, bool raw);
    // Loads the END program; with showProgress its transfer reports to the context's progress.
    void ClearProgram(uint32_t flags, bool showProgress = false);
    bool Restart(bool showProgress);
    bool CompareProgram(bool showMessages, bool showWaitText);
    std::string FormatPosition(int32_t value) const;
    std::string FormatVelocity(int32_t value) const;
    std::string FormatAcceleration(int32_t value) const;
    bool FormatScaledValue(const std::string& item, std::string& text) const;
    // Transport: the port for serial motors, the motor's own link for Ethernet and USB.
    void WriteBytes(const uint8_t* bytes, size_t count);
    void Read(uint8_t* buffer, size_t count, size_t& got, int timeoutMs);
    bool ReadChar(char& c);
    int ReadResponse(char* buffer, int size, bool stopAtEol);
    void WriteChecked(const uint8_t* bytes, size_t count);
    void CheckEcho(const uint8_t* bytes, size_t count);
    // The Ethernet or USB link of this motor (the port connects it when it opens); null on a
    // serial port; 1045/1046 when the motor has none.
    IMotorLink* Link();

    // Hook the user interface sets to close the windows that show a motor before it is deleted.
    static void SetDestroyHook(std::function<void(CMotor*)> hook);

    // The Ethernet back end's IPAddress; empty without one.
    std::string EthernetAddress() const;

    // --- fields -------------------------------------------------------------------------------
    int listIndex = -1;
    std::string Name;
    int Address = 0;
    CCommPort* port = nullptr;
    std::string Version;
    uint32_t SerialNumber = 0;
    // Milliseconds per sample of the motor's clock (the identity reply's number times 0.00001).
    double SamplePeriod = 0.24576;
    std::shared_ptr<CMotorSocket> Socket;
    std::shared_ptr<CMotorUSB> USBCom;
    uint16_t VQXFlags = 4;
    std::string ProgName;
    SystemTime progDate;
    uint32_t ProgSize = 0;
    std::string CalProgName;
    SystemTime calProgDate;
    uint32_t CalProgSize = 0;
    uint32_t EnRes = 2000;
    uint32_t ProdDates[6] = {};
    uint8_t IPSl = 0;
    uint8_t NoRMA = 0;
    uint16_t RMANo = 0;
    uint32_t RMADt = 0;
    uint8_t CalV = 0;
    uint8_t TstRs = 0;
    uint32_t HO = 0;
    uint16_t CommOptions[8] = {};
    int32_t ProgChecksum = -1;
    int32_t MotorType = 0;
    std::string Model;
    std::string TimeUnit = "Sec.";
    bool UseConversionFactor = false;
    double ConversionFactor = 0;
    std::string Unit = "Inch";
    int32_t UParamIndex[2] = {};
    std::string UserTemplateFile;
    CAssociatedFileList associatedFiles;
    int mainAssociatedFile = -1;  // index into associatedFiles, -1 for none
    int diffMask = 0;
    CMotor* linked = nullptr;
    bool IsAvailable = false;
    bool shared = false;          // the back ends belong to another motor
    uint16_t KP = 0, KD = 0, KI = 0, KL = 0;
    bool eepromPresent = true;
    bool pProtocol = false;
    int savedBaudRate = 0;

private:
    // The EEPROM address of a single access (5-series bits added unless raw).
    int SingleAddress(int address, bool raw);
    bool SingleWriteAddress(int address, bool version5Only, int& out);
    // Reads a single value through a transfer variable, restoring the variable.
    int32_t ReadThroughVariable(int address, const char* variable, const char* loadCommand, int32_t restoreMask);
    void WriteThroughVariable(int address, int32_t value, const char* variable, const char* storeCommand,
                              int32_t restoreMask);
    // Reads aaa, bbb, ... (count of them) and returns the commands that put them back.
    std::vector<std::string> SaveBlockVariables(int count);
    // Runs body, then sends the restore commands; when body fails, the commands are sent as far
    // as the link still takes them and the error passes on.
    void RunThenRestore(const std::vector<std::string>& restores, const std::function<void()>& body);
    void WriteBlockValues(int address, const std::vector<int32_t>& values);
    void ReadChecksum();
    // Asks "RSP", and "PSP" when that fails; sets the P protocol flag when "PSP" answered.
    std::string AskIdentity();
    // Step 4 of the identity: the serial number for the version as it stands.
    uint32_t AskSerialNumber();
    // Reads the factory block; reason is 1 for a bad magic or length, 2 for a sum failure.
    int ReadFactoryBlockOnce(uint8_t* buffer, int& reason);
    uint32_t DataWord() const;
    // Back-end parts of copy, storage and comparison.
    void CopyBackEnds(const CMotor& src);
    void SerializeBackEnds(CTagArchive& ar);
    bool EthernetDiffers(const CMotor& other) const;

    bool m_readingVersion = false;
    bool m_identityUnreadable = false;
    // Set while ClearProgram runs: a failing END program that asks for the END program again
    // returns at once.
    bool m_clearing = false;
};

// Reads a reply as a signed decimal number (leading blanks allowed); 0 when it holds none.
int64_t ReplyToNumber(const std::string& reply);
// The models table as the motor reads it: name and encoder resolution of a model (empty and 0
// outside the table), and whether an index lies in the table.
std::string MotorModelName(int index);
uint32_t MotorModelEncoderResolution(int index);
bool IsMotorModelIndex(int index);

// Year, month, day, hour, minute and second agree (what the motor keeps of a date).
bool SameMoment(const SystemTime& a, const SystemTime& b);
