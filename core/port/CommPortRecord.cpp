// The port as a record: its motor list and address table, its stored form, its copy, its
// description, finding motors, and merging a detection result into the port of the project.

#include "core/archive/TagArchive.h"
#include "core/port/CommPort.h"
#include "core/port/PortEvents.h"

#include <algorithm>

namespace {

bool IsValidUid(uint32_t id)
{
    const uint32_t top = id >> 24;
    return id != 0 && id != 0xFFFFFFFFu && top >= 0x20 && top <= 0x7E;
}

} // namespace

CCommPort& CCommPort::operator=(const CCommPort& src)
{
    if (&src == this)
        return *this;
    // An editing copy and the live port never hold the line at the same time.
    ClosePort();
    const_cast<CCommPort&>(src).ClosePort();
    id = src.id;
    Name = src.Name;
    AllVer5s = src.AllVer5s;
    MaxMotors = std::clamp(src.MaxMotors, 1, MAX_MOTOR_ADDRESS);
    PortName = src.PortName;
    BitPerSec = src.BitPerSec;
    savedBitPerSec = src.savedBitPerSec;
    Parity = src.Parity;
    CommType = src.CommType;
    echoTimeout = src.echoTimeout;
    totalTimeout = src.totalTimeout;
    currentTimeout = src.currentTimeout;
    networkDelay = src.networkDelay;
    Echo = src.Echo;
    currentAddress = src.currentAddress;
    addressDirty = 1;
    lineCount = 0;
    motors.CopyFrom(src.motors);
    RebuildAddressTable();
    MotorChannel = src.MotorChannel;
    IsOpen = src.IsOpen;
    pushbackCount = 0;
    peer = nullptr;
    if (IPortEvents* events = Context().PortEvents())
        events->PortStateChanged(*this);
    return *this;
}

void CCommPort::SetMaxMotors(int n)
{
    MaxMotors = std::clamp(n, 1, MAX_MOTOR_ADDRESS);
    RebuildAddressTable();
}

void CCommPort::RebuildAddressTable()
{
    // From now on the port reaches the motors of an Ethernet or USB port through this list.
    SetMotorLinks(&motors);
    MaxMotors = std::clamp(MaxMotors, 1, MAX_MOTOR_ADDRESS);
    addressTable.assign(static_cast<size_t>(MaxMotors) + 1, nullptr);
    for (int i = 0; i < motors.GetCount(); ++i) {
        CMotor* m = motors.GetAt(i);
        // A borrowed list's motors belong to another port and keep their port.
        if (!motors.borrowed)
            m->SetPort(this);
        if (m->Address >= 1 && m->Address <= MaxMotors && addressTable[static_cast<size_t>(m->Address)] == nullptr)
            addressTable[static_cast<size_t>(m->Address)] = m;
    }
}

CMotor* CCommPort::GetMotor(int address) const
{
    if (address < 1 || address > MaxMotors || static_cast<size_t>(address) >= addressTable.size())
        return nullptr;
    return addressTable[static_cast<size_t>(address)];
}

CMotor* CCommPort::FindMotorByUid(uint32_t id) const
{
    if (!IsValidUid(id))
        return nullptr;
    for (int i = 0; i < motors.GetCount(); ++i) {
        if (motors.GetAt(i)->SerialNumber == id)
            return motors.GetAt(i);
    }
    return nullptr;
}

std::string CCommPort::GetDescription() const
{
    if (CommType == COMM_ETHERNET)
        return "Ethernet Port";
    if (CommType == COMM_USB)
        return "USB Port";
    static const char kParity[] = "NOEMS";
    const char parity = Parity < 5 ? kParity[Parity] : '?';
    return PortName + "," + std::to_string(BitPerSec) + "," + (CommType == COMM_RS485 ? "RS485" : "RS232") +
           ",Ch:" + std::to_string(MotorChannel) + ",8" + parity + "1";
}

bool CCommPort::MergeDetected(CCommPort& defined)
{
    peer = &defined;
    defined.peer = this;
    const int definedCount = defined.motors.GetCount();
    for (int i = 0; i < definedCount; ++i)
        defined.motors.GetAt(i)->linked = nullptr;

    // Each defined motor is claimed by one detected motor at most.
    std::vector<bool> claimed(static_cast<size_t>(definedCount), false);
    auto isFree = [&](const CMotor* m) {
        return m != nullptr && m->GetListIndex() >= 0 && m->GetListIndex() < definedCount &&
               defined.motors.GetAt(m->GetListIndex()) == m && !claimed[static_cast<size_t>(m->GetListIndex())];
    };
    auto findFree = [&](auto&& match) -> CMotor* {
        for (int i = 0; i < definedCount; ++i) {
            CMotor* m = defined.motors.GetAt(i);
            if (isFree(m) && match(*m))
                return m;
        }
        return nullptr;
    };

    bool differs = false;
    for (int i = 0; i < motors.GetCount(); ++i) {
        CMotor* d = motors.GetAt(i);
        if (!d->IsAvailable)
            continue;
        CMotor* m = nullptr;
        if ((CommType == COMM_ETHERNET || CommType == COMM_USB) && IsValidUid(d->SerialNumber))
            m = findFree([&](const CMotor& c) { return c.SerialNumber == d->SerialNumber; });
        if (CommType == COMM_ETHERNET && !d->EthernetAddress().empty()) {
            const std::string ip = d->EthernetAddress();
            if (CMotor* byIp = findFree([&](const CMotor& c) { return c.EthernetAddress() == ip; }))
                m = byIp;
        }
        if (m == nullptr) {
            CMotor* byAddress = defined.GetMotor(d->Address);
            if (isFree(byAddress))
                m = byAddress;
        }
        if (m == nullptr) {
            d->linked = nullptr;
            d->diffMask = MOTOR_DIFF_UNMATCHED;
            differs = true;
            continue;
        }
        claimed[static_cast<size_t>(m->GetListIndex())] = true;
        m->IsAvailable = true;
        d->Name = m->Name;
        d->associatedFiles.CopyFrom(m->associatedFiles);
        d->TimeUnit = m->TimeUnit;
        d->ConversionFactor = m->ConversionFactor;
        d->UseConversionFactor = m->UseConversionFactor;
        d->SetMainAssociatedFile(m->mainAssociatedFile);
        d->Unit = m->Unit;
        d->UserTemplateFile = m->UserTemplateFile;
        if (m->CompareWith(*d) != 0)
            differs = true;
    }
    for (int i = 0; i < definedCount; ++i) {
        if (claimed[static_cast<size_t>(i)])
            continue;
        CMotor* m = defined.motors.GetAt(i);
        m->IsAvailable = false;
        m->linked = nullptr;
        m->diffMask = MOTOR_DIFF_UNMATCHED;
        differs = true;
    }
    return differs;
}

void CCommPort::Serialize(const std::string& group, CTagArchive& ar)
{
    CTagGroup g(ar, group);
    if (!g)
        return;
    const bool storing = ar.IsStoring();
    if (storing)
        IsOpen = isOpen;
    else
        ClosePort();

    ar.SerializeString("Name", Name, "");
    bool allVer5s = AllVer5s != 0;
    ar.SerializeBool("AllVer5s", allVer5s, true);
    AllVer5s = allVer5s;
    ar.SerializeInt("MaxMotors", MaxMotors, 10);
    ar.SerializeString("PortName", PortName, "");
    ar.SerializeInt("BitPerSec", BitPerSec, 0);
    ar.SerializeByte("Parity", Parity, 0);
    ar.SerializeByte("CommType", CommType, 0);
    if (!storing && CommType == 0) {
        // Files from before the communication type kept the line in a group of its own.
        CTagGroup old(ar, "Port");
        bool rs485 = false;
        if (old) {
            ar.SerializeString("PortName", PortName, PortName);
            ar.SerializeInt("BitPerSec", BitPerSec, BitPerSec);
            ar.SerializeByte("Parity", Parity, Parity);
            ar.SerializeBool("IsRS485", rs485, false);
        }
        CommType = rs485 ? COMM_RS485 : COMM_RS232;
    }
    if (!storing) {
        // Nothing read from a file may break the line arithmetic or index past the tables.
        if (BitPerSec <= 0)
            BitPerSec = 9600;
        savedBitPerSec = BitPerSec;
        MaxMotors = std::clamp(MaxMotors, 1, MAX_MOTOR_ADDRESS);
        if (Parity > 4)
            Parity = 0;
    }

    bool echo = Echo != 0;
    ar.SerializeBool("Echo", echo, true);
    Echo = echo && CommType != COMM_RS485;
    if (!storing) {
        addressDirty = 1;
        lineCount = 0;
    }

    if (ar.GetMode() == 0) {
        if (!storing) {
            motors.Clear();
            motors.borrowed = false;
        }
        const int count = storing ? motors.GetCount() : 0;
        ar.SerializeList("Motors", count, CMotorList::Capacity, [&](int index, const std::string& arrName) {
            if (storing) {
                motors.GetAt(index)->Serialize(arrName, ar);
                return;
            }
            auto* m = new CMotor;
            m->Serialize(arrName, ar);
            // A motor whose address lies outside this port's table cannot be reached: drop it.
            if (m->Address < 1 || m->Address > MaxMotors || !motors.Add(m))
                delete m;
        });
    }
    if (!storing)
        RebuildAddressTable();

    ar.SerializeInt("MotorChannel", MotorChannel, 0);
    bool isOpenFlag = IsOpen != 0;
    ar.SerializeBool("IsOpen", isOpenFlag, false);
    IsOpen = isOpenFlag;
    if (!storing) {
        if (MotorChannel != 1)
            MotorChannel = 0;
        pushbackCount = 0;
        peer = nullptr;
    }
}
