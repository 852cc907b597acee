// Reports: "R<name>" (or "P<name>" on P-protocol motors) answered with one line.

#include "tests/sim/motor/CommandTable.h"
#include "tests/sim/motor/SimMotor.h"

#include <cstdio>

namespace vqxsim {
namespace {

// "LLLLLL SSSSSS P": the held program's length and byte sum in hex, then P (valid) or F.
void ChecksumReport(SimMotor& m, bool calibration)
{
    if (!m.Profile().hasEeprom) {
        m.Answer(" P", m.knobs.checksumDelayMs);
        return;
    }
    const ProgramStore& store = calibration ? m.CalibrationProgram() : m.Program();
    uint32_t sum = store.Sum() & 0xFFFFFF;
    bool valid = store.Valid();
    if (m.knobs.checksumFault == ChecksumFault::Wrong)
        sum = (sum + 1) & 0xFFFFFF;
    if (m.knobs.checksumFault == ChecksumFault::Invalid)
        valid = false;
    char text[32];
    std::snprintf(text, sizeof text, "%06X %06X %c", unsigned(store.Length() & 0xFFFFFF), unsigned(sum), valid ? 'P' : 'F');
    m.Answer(text, m.knobs.checksumDelayMs);
}

// Status bits: "B<c>" on R motors, "F<c>" on P-protocol motors. "s" waits for a pending EEPROM write.
void BitReport(SimMotor& m, char bit)
{
    if (bit == 's') {
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(m.EepromDoneAt() - m.Now()).count();
        m.Answer(m.Bit('s') ? "1" : "0", int(wait));
        return;
    }
    m.Answer(m.Bit(bit) ? "1" : "0");
}

} // namespace

void RegisterReports(CommandTable& t)
{
    t.AddReport("SP", [](SimMotor& m, const std::string&) {
        std::string text = std::to_string(m.Profile().sampleFigure) + "/" + m.Profile().firmware;
        if (m.knobs.garbleIdentity)
            for (char& c : text)
                c = char(c ^ 0x10); // one bit off in every character: no '/' is left
        m.Answer(text);
    });
    t.AddReport("CKS", [](SimMotor& m, const std::string&) { ChecksumReport(m, false); });
    t.AddReport("CKSC", [](SimMotor& m, const std::string&) { ChecksumReport(m, true); });
    t.SetReportFallback([](SimMotor& m, const std::string& name) {
        char bitLetter = m.Profile().pProtocol ? 'F' : 'B';
        if (name.size() == 2 && name[0] == bitLetter && std::islower(uint8_t(name[1]))) {
            BitReport(m, name[1]);
            return;
        }
        if (auto v = m.ReadName(name))
            m.Answer(std::to_string(*v));
    });
}

} // namespace vqxsim
