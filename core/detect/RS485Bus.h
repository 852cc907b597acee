#pragma once
// The RS-485 bus: bringing every motor to the port's rate, self-addressing by serial number with
// collision passes, one motor alone, addressing defined motors by serial number, and the address
// scan with the reasons of an unfinished calibration.

#include <cstdint>

class CCommPort;

// Every motor listening at one of the five usual rates is brought to the port's rate. Errors are
// swallowed.
void SyncRS485BaudRates(CCommPort& port);
// Motors of the 5 series address themselves from their serial numbers; the list tells the result
// (empty after a failure of the resolution, which has shown its message).
void DetectRS485(CCommPort& port);
// One pass over the temporary addresses first..last; false when the detection must stop.
// used[1..64] marks the final addresses taken.
bool ResolveCollisions(CCommPort& port, int first, int last, uint32_t divisor, uint8_t used[65]);
// A bus with one motor: it gets address 1.
void DetectSingleRS485(CCommPort& port);
// Tells the defined motors their addresses by serial number; false when motors are missing and
// the user does not delete them, or on an error.
bool AddressRS485BySerial(CCommPort& port);
// Asks every address; result values of DetectionFrame.h.
int ScanRS485Addresses(CCommPort& port, int flags);
