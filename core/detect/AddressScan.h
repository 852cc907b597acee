#pragma once
// The address scan that the RS-232 chain detection and the RS-485 scan share: every address from
// 1 to MaxMotors is probed, then the unaddressed address 114 (its motor takes the next address),
// then the motors found are put to sleep to hear whether anything else answers.

#include "core/detect/DetectionFrame.h"

#include <string>

// Where the two lines differ.
struct AddressScanStyle {
    bool channel1 = false; // "SLEEP1" and "WAKE1"
    // A probe reply that ends the run with DETECT_LINE_GARBAGE (null: every reply is good).
    bool (*garbage)(const std::string& reply) = nullptr;
    // Line errors: a probe gives DETECT_LINE_GARBAGE, a broadcast probe counts as an answer.
    bool lineErrorsMatter = false;
    // The unaddressed motor stores its new address in its EEPROM.
    bool storeNewAddress = false;
    // The step text of the unaddressed motor names 114 instead of the step number.
    bool foundAt114 = false;
    void (*calibrationCheck)(CCommPort& port, CMotor& motor) = nullptr;
    // The report each address is probed with.
    const char* probe = "RBe";
};

// Runs the scan from the first probe to the result (see the result values); the motors end
// awake on every way out. Exceptions while a found motor is read are passed on.
int RunAddressScan(CCommPort& port, CDetectionProgress& progress, int flags, const AddressScanStyle& style);
