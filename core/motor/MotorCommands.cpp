// Commands to one motor, report variables, the identity read and the firmware-version tests.

#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/motor/MotorPortAccess.h"

#include <cctype>

using namespace motorport;

namespace {

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.substr(b, e - b);
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

CCommPort& PortOf(CCommPort* port)
{
    if (port == nullptr)
        throw CVQXException(CVQXException::PortNotOpen);
    return *port;
}

// Clears a flag when the scope ends, also on error.
class CFlagScope {
public:
    explicit CFlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CFlagScope() { m_flag = false; }

private:
    bool& m_flag;
};

} // namespace

uint32_t CMotor::DataWord() const { return MakeMotorDataWord(port ? PortIndex(*port) : -1, Address); }

void CMotor::SendCommand(const std::string& text)
{
    CCommPort& p = PortOf(port);
    // The current motor gets no new address byte unless the wire selection is stale.
    if (Address == CurrentAddress(p))
        Write(p, text, -1, true);
    else
        Write(p, text, Address, false);
}

std::string CMotor::SendAndReceive(const std::string& text)
{
    CCommPort& p = PortOf(port);
    try {
        if (Address == CurrentAddress(p))
            return Query(p, text, -1, true);
        return Query(p, text, Address, false);
    } catch (const CVQXException& e) {
        if (e.GetCode() == CVQXException::NoResponse)
            throw CVQXException(e.GetCode(), e.GetMessage(), DataWord());
        throw;
    }
}

std::string CMotor::GetVariable(const std::string& name, bool throughA)
{
    if (!throughA) {
        if (!pProtocol)
            return SendAndReceive("R" + name);
        if (name.size() >= 2 && name[0] == 'B' && std::isalpha(static_cast<unsigned char>(name[1])))
            return SendAndReceive(std::string("PF") + name[1]);
        return SendAndReceive("P" + name);
    }
    const std::string saved = SendAndReceive(pProtocol ? "Pa" : "Ra");
    std::string reply;
    RunThenRestore({"a=" + std::to_string(ReplyToNumber(saved))},
                   [&] { reply = SendAndReceive("a=" + name + (pProtocol ? " Pa" : " Ra")); });
    return reply;
}

std::string CMotor::AskIdentity()
{
    try {
        return SendAndReceive("RSP");
    } catch (const CVQXException&) {
    }
    // Only a motor that answers the P form speaks the P protocol; one that answers neither
    // keeps the protocol it had.
    std::string reply = SendAndReceive("PSP");
    pProtocol = true;
    return reply;
}

std::string CMotor::GetVersionText()
{
    CCommPort& p = PortOf(port);
    const bool wasOpen = IsPortOpen(p);
    std::string reply;
    bool answered = false;
    try {
        EnsureOpen(p);
        reply = AskIdentity();
        answered = true;
    } catch (const CVQXException&) {
    }
    if (!wasOpen)
        ClosePortOf(p);
    const size_t slash = reply.find('/');
    if (!answered || slash == std::string::npos)
        return Version;
    return Trim(reply.substr(slash + 1));
}

void CMotor::ReadChecksum()
{
    std::string reply;
    {
        CTimeoutScope timeouts(PortOf(port), -1, 8000);
        reply = GetVariable("CKS");
    }
    ProgChecksum = -1;
    if (reply.size() == 15 && reply[14] == 'P') {
        int32_t value = 0;
        for (int i = 7; i <= 12; ++i) {
            const char c = reply[static_cast<size_t>(i)];
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return;
            value = value * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10);
        }
        ProgChecksum = value;
    }
}

void CMotor::ReadVersion()
{
    CCommPort& p = PortOf(port);
    EnsureOpen(p);
    CFlagScope reading(m_readingVersion);

    pProtocol = false;
    const std::string reply = AskIdentity();
    const size_t slash = reply.find('/');
    m_identityUnreadable = slash == std::string::npos || Trim(reply.substr(slash + 1)).empty();
    if (slash != std::string::npos) {
        Version = Trim(reply.substr(slash + 1));
        SamplePeriod = static_cast<double>(ReplyToNumber(reply.substr(0, slash))) * 0.00001;
    }

    ReadChecksum();

    if (!StartsWith(Version, "5") && !StartsWith(Version, "462"))
        ClearAllVer5s(p);
    SerialNumber = AskSerialNumber();

    if (p.Policy().RebuildsFactoryData())
        ReadFactoryData();
}

uint32_t CMotor::AskSerialNumber()
{
    if (StartsWith(Version, "5")) {
        SendCommand("LSA");
        return static_cast<uint32_t>(ReplyToNumber(GetVariable("dd")));
    }
    const uint32_t serial = ReadEEPROMLong(EEPROM_SERIAL_NUMBER);
    const uint32_t top = serial >> 24;
    return top < 0x20 || top > 0x7E ? 0 : serial;
}

uint32_t CMotor::ReadSerialNumber()
{
    if (Version.empty()) {
        ReadVersion();
        return SerialNumber;
    }
    CCommPort& p = PortOf(port);
    EnsureOpen(p);
    return AskSerialNumber();
}

// The version to test: read from the motor first when unknown. While the identity itself is
// being read the version is taken as it stands.
static const std::string& VersionToTest(CMotor& m, bool readingVersion, bool propagate)
{
    if (m.Version.empty() && !readingVersion) {
        if (propagate) {
            m.ReadVersion();
        } else {
            try {
                m.ReadVersion();
            } catch (const CVQXException&) {
            }
        }
    }
    return m.Version;
}

bool CMotor::IsVersion5()
{
    if (Address == 0)
        return port != nullptr && AllVer5s(*port);
    return StartsWith(VersionToTest(*this, m_readingVersion, false), "5");
}

bool CMotor::IsVersion46Plus()
{
    const std::string& v = VersionToTest(*this, m_readingVersion, true);
    return v.size() > 2 && v[0] == '4' && v.compare("46") >= 0;
}

bool CMotor::IsVersion4Below46()
{
    const std::string& v = VersionToTest(*this, m_readingVersion, true);
    return v.size() > 2 && v[0] == '4' && v.compare("46") < 0;
}

bool CMotor::IsVersion46()
{
    const std::string& v = VersionToTest(*this, m_readingVersion, false);
    return v.size() > 2 && StartsWith(v, "46");
}

bool CMotor::IsVersion462() { return StartsWith(VersionToTest(*this, m_readingVersion, false), "462"); }

bool CMotor::IsFirmwareCompatible(const std::string& target)
{
    const std::string& m = Version;
    const char t0 = target.empty() ? '\0' : target[0];
    const char m0 = m.empty() ? '\0' : m[0];
    if (t0 != m0)
        return false;
    if (StartsWith(target, "461"))
        return m == "461" || m == "461h";
    if (StartsWith(target, "462"))
        return m == "462" || m == "462ah";
    if (StartsWith(target, "463"))
        return StartsWith(m, "46") && m != "461" && m != "461h" && m != "462" && m != "462ah";
    if (StartsWith(target, "400"))
        return !StartsWith(m, "46");
    return true;
}

bool CMotor::IsMotorOn() { return Trim(GetVariable("Bo")) == "0"; }
