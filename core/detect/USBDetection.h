#pragma once
// Motors behind the USB bridge: enumerated by the product text of their interface.

class CCommPort;

// Result values of DetectionFrame.h. `reference` may be null.
int DetectUSBMotors(CCommPort& port, const CCommPort* reference, int flags);
