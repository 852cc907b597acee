#include "app/setup/MotorSettings.h"

#include "app/setup/PortPages.h"
#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/backends/MotorSocket.h"
#include "core/motor/FactoryBytes.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/shared/SharedFunctions.h"
#include "core/ui/Questions.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace setup {

namespace {

void Stop(ui::IQuestions& questions, const std::string& text)
{
    ui::OptionMessageBox(questions, text, ui::MB_OK | ui::MB_ICONHAND);
}

// A copy that talks through the motor's own connections instead of opening new ones.
void BorrowedCopy(CMotor& copy, const CMotor& source)
{
    copy.shared = true;
    copy = source;
}

std::string Dotted(const std::array<uint8_t, 4>& n)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", n[0], n[1], n[2], n[3]);
    return text;
}

} // namespace

bool IsNewerClass(const CMotor& motor) { return motor.VQXFlags > 2; }

bool SerialFieldShown(const std::string& version) { return version.empty() || version[0] > '4'; }

std::vector<std::string> KnownVersionEntries(const std::string& versions)
{
    std::vector<std::string> entries;
    std::string piece;
    for (char c : versions) {
        if (c == '-' || c == '@') {
            entries.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    return entries;
}

MotorSettingsOutcome ApplyMotorSettings(CMotor& motor, bool isNew, const MotorSettingsEntries& e)
{
    MotorSettingsOutcome out;
    if (e.name.empty()) {
        out.error = "Please enter a name for this motor!";
        return out;
    }
    const std::optional<int> address = FieldInteger(e.address);
    if (!address || *address < 1 || *address > MAX_MOTOR_ADDRESS) {
        out.error = "Please enter a motor address between 1 and 120!";
        return out;
    }
    // The port's address table ends at its Max. Motor Address: a new motor beyond it would have
    // no place there.
    const CCommPort* port = motor.GetPort();
    if (isNew && port && *address > port->MaxMotors) {
        char text[80];
        std::snprintf(text, sizeof text, "Please enter a motor address between 1 and %d!", port->MaxMotors);
        out.error = text;
        return out;
    }
    const bool newer = IsNewerClass(motor);
    uint32_t serial = motor.SerialNumber;
    if (newer) {
        if (e.version.empty()) {
            out.error = "Please enter the version of this motor!";
            return out;
        }
        serial = ParseSerialNumber(e.serial);
        if (serial == kNoSerialNumber) {
            out.error = "Invalid Serial Number.\n\nSerial number must include a character followed by a number between "
                        "1 and 16777215.";
            return out;
        }
    }
    std::array<uint8_t, 4> ip{};
    if (motor.Socket && !ParseIPAddress(e.ipAddress, &ip)) {
        out.error = "Invalid IP Address";
        return out;
    }

    // Every check passed: store.
    if (newer) {
        motor.Version = e.version;
        motor.SamplePeriod = ParseDouble(e.samplePeriod);
        if (serial != motor.SerialNumber) {
            motor.SerialNumber = serial;
            out.identityChanged = true;
        }
        if (e.modelIndex >= 0 && e.modelIndex != motor.MotorType) {
            motor.MotorType = e.modelIndex;
            out.identityChanged = true;
        }
    }
    // Stored and connected as plain decimal text: "010" is 10, never read as octal.
    if (motor.Socket)
        motor.Socket->IPAddress = Dotted(ip);
    if (isNew)
        motor.Address = *address;
    motor.Name = e.name;
    motor.UseConversionFactor = e.useScaling;
    motor.ConversionFactor = ParseDouble(e.factor);
    motor.Unit = e.unit;
    motor.TimeUnit = e.timeUnit;
    if (motor.ConversionFactor == 0 || motor.Unit.empty() || motor.TimeUnit.empty())
        motor.UseConversionFactor = false;
    return out;
}

void ReadMotorIdentity(CMotor& motor, int address)
{
    CProgramExchange exchange(motor.GetPort());
    motor.Address = address;
    motor.ReadVersion();
}

std::optional<std::string> SendIdentityToMotor(const CMotor& edited)
{
    CProgramExchange exchange(edited.GetPort());
    try {
        CMotor motor;
        BorrowedCopy(motor, edited);
        motor.ReadVersion();
        if (motor.VQXFlags < 3)
            return std::string("Cannot overwrite factory settings.");
        uint8_t block[factory::kMaxStoreLength] = {};
        const int length = motor.ReadFactoryBlock(block);
        if (length == 0) {
            // No block to keep: one built from what was just read, with the new identity.
            motor.SerialNumber = edited.SerialNumber;
            motor.MotorType = edited.MotorType;
            motor.BuildFactoryBlock(block);
        } else {
            factory::PutBE32(block + factory::kSerial, edited.SerialNumber);
            if (length > factory::kMotorType + 4)
                factory::PutBE32(block + factory::kMotorType, static_cast<uint32_t>(edited.MotorType));
            block[length - 1] = factory::Sum8(block, 4, length - 2);
        }
        if (edited.SerialNumber != 0)
            motor.WriteEEPROMLong(EEPROM_SERIAL_NUMBER, edited.SerialNumber);
        motor.WriteFactoryBlock(block);
    } catch (const CVQXException& e) {
        return e.GetMessage();
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> SettingsImageBlock(const std::vector<uint8_t>& file)
{
    if (file.size() < 4 || factory::GetBE16(file.data()) != FACTORY_MAGIC)
        return std::nullopt;
    const int length = factory::GetBE16(file.data() + factory::kLength);
    if (length < factory::kMinReadLength || length > factory::kMaxReadLength)
        return std::nullopt;
    // A file shorter than the length it states is refused before anything reads past its end.
    if (file.size() < static_cast<size_t>(length))
        return std::nullopt;
    std::vector<uint8_t> block(file.begin(), file.begin() + length);
    if (factory::Sum8(block.data(), 4, length - 2) != block[static_cast<size_t>(length) - 1])
        return std::nullopt;
    return block;
}

std::string SettingsImageVersion(const std::vector<uint8_t>& block)
{
    const uint8_t* v = block.data() + factory::kVersion;
    // A 0 character stands for none: it must not end the text early.
    const char c1 = v[2] ? static_cast<char>(v[2]) : ' ';
    const char c2 = v[3] ? static_cast<char>(v[3]) : ' ';
    std::string text = std::to_string(v[0]) + std::to_string(v[1]) + c1 + c2;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

ImageResult ApplySettingsImage(CMotor& edited, const std::vector<uint8_t>& file, ui::IQuestions& questions)
{
    CProgramExchange exchange(edited.GetPort());
    try {
        const std::optional<std::vector<uint8_t>> block = SettingsImageBlock(file);
        if (!block) {
            Stop(questions, kNotASettingsFile);
            return ImageResult::Refused;
        }
        CMotor motor;
        BorrowedCopy(motor, edited);
        motor.ReadVersion();
        if (IsNewerClass(motor)) {
            if (SettingsImageVersion(*block) != motor.Version) {
                Stop(questions, "The file specified is not compatible with this motor.");
                return ImageResult::Refused;
            }
            CMotor scratch;
            scratch.ParseFactoryData(block->data(), static_cast<int>(block->size()));
            char text[512];
            std::snprintf(text, sizeof text,
                          "Are you sure you want to send the following motor settings to the motor '%s'?\n\n     "
                          "Serial Number: %s\n     Model: %s\n",
                          edited.Name.c_str(), FormatSerialNumber(scratch.SerialNumber).c_str(),
                          scratch.Model.c_str());
            if (ui::OptionMessageBox(questions, text, ui::MB_YESNO | ui::MB_ICONEXCLAMATION) != ui::IDYES)
                return ImageResult::Declined;
        } else if (factory::GetBE32(block->data() + factory::kSerial) != motor.SerialNumber) {
            Stop(questions, "The file specified is not the factory settings file for this motor.");
            return ImageResult::Refused;
        }
        edited.ParseFactoryData(block->data(), static_cast<int>(block->size()));
        motor.WriteFactoryBlock(block->data());
    } catch (const CVQXException& e) {
        Stop(questions, e.GetMessage());
        return ImageResult::Refused;
    }
    return ImageResult::Applied;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t maxBytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(maxBytes, 0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(maxBytes));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return !in.bad();
}

CProgramExchange::CProgramExchange(CCommPort* port) : m_port(port)
{
    if (m_port)
        if (ITrafficLog* log = m_port->Context().TrafficLog())
            log->SetPageFlags(m_port->id, SDA_FROM_PROGRAM, true);
}

CProgramExchange::~CProgramExchange()
{
    if (m_port)
        if (ITrafficLog* log = m_port->Context().TrafficLog())
            log->SetPageFlags(m_port->id, SDA_FROM_PROGRAM, false);
}

} // namespace setup
