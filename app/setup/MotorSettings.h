#pragma once
// The rules of the motor settings dialog ("Add New Motor" / "Motor Properties") without widgets:
// which fields a motor shows, the OK checks and what they store, reading the identity from the
// motor, writing a changed serial number and model into its factory block, and the factory
// settings image (".adb": one factory block as it lies in the motor's data EEPROM).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCommPort;
class CMotor;
namespace ui { class IQuestions; }

namespace setup {

// Only motors of the newer class have an editable version, sample period, serial number and model.
bool IsNewerClass(const CMotor& motor);
// The serial number field is shown for an empty version or one whose first character is above '4'.
bool SerialFieldShown(const std::string& version);
// The entries of the version combo: the known firmware versions text ("name-" each, "name@" for
// the default one) cut at every '-' or '@'.
std::vector<std::string> KnownVersionEntries(const std::string& versions);

struct MotorSettingsEntries {
    std::string name;
    std::string address;
    std::string version;
    std::string samplePeriod;
    std::string serial;
    int modelIndex = -1; // the model combo's record (index into the models table); -1 none
    std::string ipAddress;
    bool useScaling = false;
    std::string factor;
    std::string unit;
    std::string timeUnit;
};
struct MotorSettingsOutcome {
    std::optional<std::string> error; // the first failed check's message; nothing was stored
    bool identityChanged = false;     // serial number or model differ from the record's
};
// The OK checks in order; only when all pass are the entries stored into the motor. A new motor
// (isNew) takes the address, which must lie within its port's Max. Motor Address.
MotorSettingsOutcome ApplyMotorSettings(CMotor& motor, bool isNew, const MotorSettingsEntries& entries);
inline constexpr const char* kSendIdentityQuestion = "Do you want to send this information to the motor now?";

// "Get Motor Info": reads the identity of the motor at `address` into the motor (address 1..120).
// Communication errors pass on as CVQXException.
void ReadMotorIdentity(CMotor& motor, int address);
// Writes the motor record's serial number and model into the motor: the factory block is the one
// read from the motor now with only those two fields changed, so production dates, RMA data,
// option words and gains stay as the motor has them. A message when the motor refuses or the
// exchange fails.
std::optional<std::string> SendIdentityToMotor(const CMotor& edited);

// ---- ".adb" images ---------------------------------------------------------------------------
inline constexpr const char* kNotASettingsFile = "The file specified is not a valid settings file.";
// The factory block of an image file: magic, a length of 101..299 that the file really holds,
// and the sum byte. None when the file is not a valid image.
std::optional<std::vector<uint8_t>> SettingsImageBlock(const std::vector<uint8_t>& file);
// The firmware version text of a block ("%d%d%c%c" of bytes 52..55, a 0 character as none,
// trailing blanks removed).
std::string SettingsImageVersion(const std::vector<uint8_t>& block);
enum class ImageResult { Applied, Declined, Refused };
// "Factory Settings" after the file was read: checks the image against the motor's identity read
// now, asks before it sends a newer motor's image, then decodes the block into the record and
// writes it to the motor. Every refusal is shown through `questions`.
ImageResult ApplySettingsImage(CMotor& edited, const std::vector<uint8_t>& file, ui::IQuestions& questions);
// Reads a file, at most its first maxBytes (an image is far shorter); false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t maxBytes = 1 << 16);

// Marks the traffic of an exchange on the port's analyzer page as the program's own (source tag
// 0x400) while it lasts.
class CProgramExchange {
public:
    explicit CProgramExchange(CCommPort* port);
    ~CProgramExchange();
    CProgramExchange(const CProgramExchange&) = delete;
    CProgramExchange& operator=(const CProgramExchange&) = delete;

private:
    CCommPort* m_port;
};

} // namespace setup
