#pragma once
// The rules of the "Select Motor" dialog: the ports list ("All Ports" and every port), the motors
// list of the chosen port or of all ports (group rows first, then the motors), how choosing a row,
// a port or an address moves the others, and what OK makes of it. Widget-free: the dialog binds
// its two lists, the address field and the "Blind Download" box to this form.

#include <cstdint>
#include <string>
#include <vector>

class CProject;

namespace selectmotor {

// The selection word: port index in the low 16 bits, motor address in the high 16 bits.
inline constexpr uint32_t kAllDefinedMotors = 0xFFFFFFFFu;
inline constexpr int kGlobalAddress = 0;       // every motor of a port at once
inline constexpr int kEachMotorAddress = 0xFFFF; // every motor of a port in turn
inline constexpr uint32_t MakeSelection(int port, int address)
{
    return (static_cast<uint32_t>(address & 0xFFFF) << 16) | static_cast<uint32_t>(port & 0xFFFF);
}
inline constexpr int PortOf(uint32_t selection) { return static_cast<int>(selection & 0xFFFF); }
inline constexpr int AddressOf(uint32_t selection) { return static_cast<int>(selection >> 16); }

// Option flags.
enum : int {
    kGroupChoices = 1,  // "All defined Motors", "Global in port", "Each Motor in port"; address 0..120
    kListedMotorOnly = 2, // OK needs a motor of the list
    kBlindDownload = 4, // the "Blind Download" check box is shown
};

inline constexpr const char* kDefaultPrompt =
    "Please select the serial port and then a motor from lists, or enter the motor address.";
inline constexpr const char* kSelectPortText = "Please Select a port/Motor.";
inline constexpr const char* kNoMotorText = "No motor was found with the selected address in the selected channel.";

// What the dialog shows of one port.
struct PortEntry {
    std::string name;
    bool serial = false; // RS-232 or RS-485: a global (broadcast) download is offered
    std::vector<std::pair<std::string, int>> motors; // name, address, in list order
};
std::vector<PortEntry> PortEntries(const CProject& project);

struct MotorRow {
    std::string text;
    uint32_t data = 0;
};

class CSelectMotorForm {
public:
    CSelectMotorForm(std::vector<PortEntry> ports, uint32_t selection, int flags, std::string prompt = kDefaultPrompt);

    const std::string& Prompt() const { return m_prompt; }
    int Flags() const { return m_flags; }
    int MinAddress() const { return (m_flags & kGroupChoices) ? 0 : 1; }
    static constexpr int kMaxAddress = 120;
    bool BlindShown() const { return (m_flags & kBlindDownload) != 0; }

    // "All Ports" then every port's name; the row of the current port.
    std::vector<std::string> PortRows() const;
    int PortRow() const { return m_port + 1; }
    const std::vector<MotorRow>& MotorRows() const { return m_rows; }
    // The selected motor row, -1 for none.
    int MotorRowSelected() const { return m_row; }
    int Address() const { return m_address; }
    // What the address field shows, and what OK takes without a chosen row: the address as typed,
    // else the current address kept in the field's range (an address 0 in the word shows, and
    // is taken, as 1 without group choices).
    int FieldAddress() const { return m_field; }
    // -1 for all ports.
    int CurrentPort() const { return m_port; }

    // The user chose a port row (0 = all ports): the motors list is refilled.
    void SelectPortRow(int row);
    // The user chose a motor row: the address follows.
    void SelectMotorRow(int row);
    // The user typed an address: the motors list is refilled and the matching row selected.
    void SetAddress(int address);

    // OK: true with the selection word set; false with the message to show (the dialog stays).
    bool Accept(std::string* message);
    uint32_t Selection() const { return m_selection; }

private:
    void FillRows();

    std::vector<PortEntry> m_ports;
    int m_flags;
    std::string m_prompt;
    int m_port = -1;
    int m_address = 0;
    int m_field = 0;
    std::vector<MotorRow> m_rows;
    int m_row = -1;
    uint32_t m_selection;
};

} // namespace selectmotor
