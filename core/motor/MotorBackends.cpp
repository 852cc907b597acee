// The motor's Ethernet and USB back ends in its copy, its stored form and its comparison.

#include "core/archive/TagArchive.h"
#include "core/backends/MotorSocket.h"
#include "core/backends/MotorUSB.h"
#include "core/motor/Motor.h"

namespace {

// The back end of the source copied into an own one (created when missing), or the own one
// dropped when the source has none.
template <class T>
void CopyBackEnd(std::shared_ptr<T>& own, const std::shared_ptr<T>& src)
{
    if (src) {
        if (!own)
            own = std::make_shared<T>();
        *own = *src;
    } else {
        own.reset();
    }
}

// The back end's group; a motor without one writes the group with an empty identity. Loading
// keeps the back end only when its identity is not empty.
template <class T>
void SerializeBackEnd(CTagArchive& ar, const char* group, std::shared_ptr<T>& own, std::string T::*identity)
{
    if (ar.IsStoring()) {
        CTagGroup g(ar, group);
        T empty;
        (own ? *own : empty).Serialize(ar);
        return;
    }
    auto loaded = std::make_shared<T>();
    {
        CTagGroup g(ar, group);
        if (g)
            loaded->Serialize(ar);
    }
    if ((*loaded).*identity == "")
        loaded.reset();
    own = loaded;
}

} // namespace

void CMotor::CopyBackEnds(const CMotor& src)
{
    if (shared) {
        // A borrowed copy uses the source's connections as they are.
        Socket = src.Socket;
        USBCom = src.USBCom;
        return;
    }
    if (src.shared)
        return;
    CopyBackEnd(Socket, src.Socket);
    if (!Socket && !src.Socket)
        CopyBackEnd(USBCom, src.USBCom);
}

void CMotor::SerializeBackEnds(CTagArchive& ar)
{
    SerializeBackEnd(ar, "Socket", Socket, &CMotorSocket::IPAddress);
    SerializeBackEnd(ar, "USBCom", USBCom, &CMotorUSB::USBAddress);
}

std::string CMotor::EthernetAddress() const { return Socket ? Socket->IPAddress : std::string(); }

bool CMotor::EthernetDiffers(const CMotor& other) const
{
    if (!Socket && !other.Socket)
        return false;
    return !Socket || !other.Socket || Socket->IPAddress != other.Socket->IPAddress;
}
