#include "core/port/MotorList.h"
#include "core/backends/MotorSocket.h"
#include "core/backends/MotorUSB.h"
#include "core/port/CommPort.h"

IMotorLink* CMotorList::LinkAt(int index)
{
    CMotor* m = GetAt(index);
    if (m == nullptr || m_port == nullptr)
        return nullptr;
    if (m_port->CommType == COMM_ETHERNET) {
        // A motor of an Ethernet port is reached at its address even before it was ever opened.
        if (!m->Socket)
            return nullptr;
        return m->Socket.get();
    }
    if (m_port->CommType == COMM_USB)
        return m->USBCom.get();
    return nullptr;
}

int CMotorList::IndexOfAddress(int address) const
{
    if (m_port == nullptr)
        return -1;
    CMotor* m = m_port->GetMotor(address);
    if (m == nullptr)
        return -1;
    for (int i = 0; i < GetCount(); ++i) {
        if (GetAt(i) == m)
            return i;
    }
    return -1;
}

bool CMotorList::IsAvailable(int index) const
{
    const CMotor* m = GetAt(index);
    return m != nullptr && m->IsAvailable;
}

void CMotorList::SetAvailable(int index, bool available)
{
    if (CMotor* m = GetAt(index))
        m->IsAvailable = available;
}
