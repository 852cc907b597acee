#pragma once
// The motors of a port: up to 120, owned by the list unless it is borrowed. It also tells the port
// how to reach each motor of an Ethernet or USB port over the motor's own back end.

#include "core/motor/Motor.h"
#include "core/motor/OwnerList.h"
#include "core/port/MotorLink.h"

class CCommPort;

class CMotorList : public COwnerList<CMotor, 120>, public IPortMotors {
public:
    explicit CMotorList(CCommPort* port = nullptr) : m_port(port) {}

    // IPortMotors
    int Count() const override { return GetCount(); }
    IMotorLink* LinkAt(int index) override;
    int IndexOfAddress(int address) const override;
    bool IsAvailable(int index) const override;
    void SetAvailable(int index, bool available) override;

private:
    CCommPort* m_port;
};
