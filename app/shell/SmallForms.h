#pragma once
// The rules of the small dialogs without their windows: what the start dialog answers, what the
// About box and the splash show, what Set Motor Address offers and does, and how a number field
// reads.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CCommPort;
class CMotor;

namespace shell {

// ---- Start dialog ----
inline constexpr int kStartOpenRecent = 1418;
inline constexpr int kStartOpenExisting = 1419;
inline constexpr int kStartNewProject = 1420;
inline constexpr int kStartDetect = 1421;
inline constexpr const char* kStartSelectItem = "Please select an item from the list!";
// OK with the checked radio and the selected list index (-1 none): 100, 101, 102 or the index;
// none when the recent-project radio is checked and nothing is selected (the dialog asks and
// stays).
std::optional<int> StartDlgResult(int checkedRadio, int selectedIndex);

// ---- About box, splash ----
// Control 1015 of the About box: "Tessaraxon Interface", a line break and the version text.
std::string AboutText(const std::string& version);
// The version text: the product version, then " (" private build ")" when there is one.
std::string VersionText(const std::string& productVersion, const std::string& privateBuild);

// ---- Set Motor Address ----
inline constexpr const char* kReaddressFailed = "Cannot set new address for the motor '%s': %s";
// "Motor Name: %s\nSerial Number:%s\nCurrent Address:%d".
std::string ReaddressText(const std::string& name, uint32_t serial, int address);
struct ReaddressChoices {
    std::vector<int> addresses; // every address 1..max that no other motor of the port uses
    int selected = -1;          // index of the motor's current address
};
ReaddressChoices ReaddressAddresses(const std::vector<int>& usedByOthers, int current, int maxAddress);
ReaddressChoices ReaddressAddresses(const CCommPort& port, const CMotor& motor);

// Gives the motor the new address: the port is opened if closed, traffic is tagged as the
// program's, the stored address byte (EEPROM 32262) is written and "SADDR<A>" sent; when the
// address changed, a name still "Motor<old>-<port>" follows the address, the port's address table
// moves the motor, and `changed` runs (rebuild the views, mark the project modified). Returns the
// error text on a communication error (nothing moved in the port then), none on success.
// `pollingAllowed` is cleared while the exchange runs and set again in every case.
std::optional<std::string> SetMotorAddress(CCommPort& port, CMotor& motor, int address, bool* pollingAllowed,
                                           const std::function<void()>& changed);

// The signed integer a number field holds (leading blanks and a sign allowed); none when the text
// is not a number or does not fit.
std::optional<int> FieldInteger(const std::string& text);

// ---- Motor IP address ------------------------------------------------------------------------
// The dotted quad in plain decimal ("010.1.2.3" gives "10.1.2.3"), none when the text is not one.
std::optional<std::string> CanonicalIPAddress(std::string_view text);

} // namespace shell
