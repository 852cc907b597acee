// The motor as a record: construction, copy, comparison with a detected motor, associated files.

#include "core/motor/Motor.h"
#include "platform/fs/ReadFile.h"

#include <algorithm>
#include <cctype>

namespace {

std::function<void(CMotor*)>& DestroyHook()
{
    static std::function<void(CMotor*)> hook;
    return hook;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// The program file name as the motor's factory block can hold it.
std::string StoredProgramName(const std::string& path)
{
    return GetFileNamePart(path).substr(0, 23);
}

std::string ModelTextOf(const CMotor& m)
{
    return m.Model.empty() ? MotorModelName(m.MotorType) : m.Model;
}

} // namespace

bool SameMoment(const SystemTime& a, const SystemTime& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond;
}

int64_t ReplyToNumber(const std::string& reply)
{
    size_t i = 0;
    while (i < reply.size() && (reply[i] == ' ' || reply[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < reply.size() && (reply[i] == '-' || reply[i] == '+'))
        negative = reply[i++] == '-';
    int64_t value = 0;
    // Eleven digits cover every 32-bit reply; a longer run cannot overflow the result.
    for (int digits = 0; i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i])) && digits < 11;
         ++i, ++digits)
        value = value * 10 + (reply[i] - '0');
    return negative ? -value : value;
}

void CMotor::SetDestroyHook(std::function<void(CMotor*)> hook) { DestroyHook() = std::move(hook); }

CMotor::CMotor() = default;

CMotor::~CMotor()
{
    if (listIndex >= 0 && DestroyHook())
        DestroyHook()(this);
    // A shared motor's back-end pointers only refer to another motor's back ends; the shared
    // ownership keeps them alive exactly as long as someone uses them.
}

CMotor::CMotor(const CMotor& other) { *this = other; }

CMotor& CMotor::operator=(const CMotor& src)
{
    if (&src == this)
        return *this;
    Name = src.Name;
    Address = src.Address;
    port = src.port;
    Version = src.Version;
    SerialNumber = src.SerialNumber;
    SamplePeriod = src.SamplePeriod;
    CopyBackEnds(src);
    VQXFlags = src.VQXFlags;
    ProgName = src.ProgName;
    progDate = src.progDate;
    ProgSize = src.ProgSize;
    CalProgName = src.CalProgName;
    calProgDate = src.calProgDate;
    CalProgSize = src.CalProgSize;
    EnRes = src.EnRes;
    std::copy(std::begin(src.ProdDates), std::end(src.ProdDates), ProdDates);
    IPSl = src.IPSl;
    NoRMA = src.NoRMA;
    RMANo = src.RMANo;
    RMADt = src.RMADt;
    CalV = src.CalV;
    TstRs = src.TstRs;
    HO = src.HO;
    std::copy(std::begin(src.CommOptions), std::end(src.CommOptions), CommOptions);
    ProgChecksum = src.ProgChecksum;
    MotorType = src.MotorType;
    Model = src.Model;
    TimeUnit = src.TimeUnit;
    UseConversionFactor = src.UseConversionFactor;
    ConversionFactor = src.ConversionFactor;
    Unit = src.Unit;
    std::copy(std::begin(src.UParamIndex), std::end(src.UParamIndex), UParamIndex);
    UserTemplateFile = src.UserTemplateFile;
    associatedFiles.CopyFrom(src.associatedFiles);
    SetMainAssociatedFile(src.mainAssociatedFile);
    diffMask = 0;
    linked = nullptr;
    IsAvailable = src.IsAvailable;
    // The shared flag describes who owns this object's back ends; it is not copied.
    KP = src.KP;
    KD = src.KD;
    KI = src.KI;
    KL = src.KL;
    eepromPresent = src.eepromPresent;
    pProtocol = src.pProtocol;
    savedBaudRate = src.savedBaudRate;
    return *this;
}

int CMotor::CompareWith(CMotor& d)
{
    linked = &d;
    d.linked = this;
    int mask = 0;
    if (Address != d.Address)
        mask |= MOTOR_DIFF_ADDRESS;
    if (Version != d.Version)
        mask |= MOTOR_DIFF_VERSION;
    if (eepromPresent) {
        // Detection reads the name back from the factory block, which holds only the file-name
        // part cut to 23 characters, while a download leaves the full path in the project: set
        // against the full path the name would differ after every download, so both names are
        // compared in the stored form.
        if (StoredProgramName(d.ProgName) != StoredProgramName(ProgName))
            mask |= MOTOR_DIFF_PROGNAME;
        if (ProgSize != d.ProgSize)
            mask |= MOTOR_DIFF_PROGSIZE;
        if (d.ProgName == "<END>" && !(mask & MOTOR_DIFF_PROGNAME))
            d.progDate = progDate;
        if (!SameMoment(progDate, d.progDate))
            mask |= MOTOR_DIFF_PROGDATE;
        if (ProgChecksum != d.ProgChecksum)
            mask |= MOTOR_DIFF_CHECKSUM;
        if (SerialNumber != d.SerialNumber)
            mask |= MOTOR_DIFF_SERIAL;
        if (MotorType != d.MotorType)
            mask |= MOTOR_DIFF_MOTORTYPE;
        if (ModelTextOf(*this) != ModelTextOf(d))
            mask |= MOTOR_DIFF_MODEL;
        if (ProdDates[5] != d.ProdDates[5])
            mask |= MOTOR_DIFF_PRODDATE;
        if (EthernetDiffers(d))
            mask |= MOTOR_DIFF_IPADDRESS;
        if (mask & (MOTOR_DIFF_PROGSIZE | MOTOR_DIFF_CHECKSUM))
            mask |= MOTOR_DIFF_PROGRAM;
    }
    diffMask = mask;
    d.diffMask = mask;
    return mask;
}

int CMotor::CompareFiles(const std::string& fileA, const std::string& fileB)
{
    auto load = [](const std::string& path, std::string& out) { return platform::ReadWholeFile(path, out, 32767); };
    std::string a, b;
    if (!load(fileA, a) || !load(fileB, b))
        return -1;
    return a == b ? 0 : 1;
}

bool CMotor::AddAssociatedFile(const std::string& path, const std::function<void(const std::string&)>& showStop)
{
    for (int i = 0; i < associatedFiles.GetCount(); ++i) {
        if (EqualNoCase(associatedFiles.GetAt(i)->FileName, path)) {
            if (showStop)
                showStop("The file \"" + path + "\" is already associated with the motor \"" + Name + "\"!");
            return false;
        }
    }
    const std::string ext = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    if (!EqualNoCase(ext, "tqs") && !EqualNoCase(ext, "tqc")) {
        if (showStop)
            showStop("The file \"" + path + "\" is not a Tessaraxon Program File!");
        return false;
    }
    auto* entry = new CAssociatedFile;
    entry->FileName = path;
    if (!associatedFiles.Add(entry)) {
        delete entry;
        return false;
    }
    return true;
}

void CMotor::ClearAssociatedFiles()
{
    associatedFiles.Clear();
    mainAssociatedFile = -1;
}

CAssociatedFile* CMotor::GetMainAssociatedFile() const { return associatedFiles.GetAt(mainAssociatedFile); }

void CMotor::SetMainAssociatedFile(int index)
{
    mainAssociatedFile = associatedFiles.GetAt(index) ? index : -1;
}
