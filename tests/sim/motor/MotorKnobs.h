#pragma once
// Faults and timings a test can set on one simulated motor.

#include <functional>
#include <string>

namespace vqxsim {

class SimMotor;

enum class ChecksumFault {
    None,
    Wrong,   // the checksum answer is off by one
    Invalid, // the checksum answer ends in 'F'
};

struct MotorKnobs {
    bool mute = false;            // never answers (programs print nothing either)
    int replyDelayMs = 0;         // every answer waits this long
    int dropEchoBytes = 0;        // forwarded bytes to swallow; -1 swallows all of them
    int corruptEchoBytes = 0;     // forwarded bytes to change; -1 changes all of them
    int chatterMs = 0;            // answers turn into characters without a line end for this long
    int chatterIntervalMs = 5;
    int uploadTruncateAt = -1;    // an upload stops after this many bytes, without its FF
    bool garbleIdentity = false;  // the identity answer ("RSP") arrives with every character damaged
    ChecksumFault checksumFault = ChecksumFault::None;
    int eepromWriteMs = 2;        // time one VST keeps the EEPROM busy
    int checksumDelayMs = 0;      // time the checksum answer takes
    int bootMs = 20;              // silence after Z
    int baudAfterReset = 0;       // speed of the line channel after Z; 0 keeps the speed
    bool echoAfterReset = false;  // echo of both channels after Z
    bool runProgramAtBoot = false;
    // "RW" answers this text instead of the status word ("-1", or garbage such as "#?"); empty:
    // the word from the flags.
    std::string statusReply;
    int extraPositionError = 0;
    // The lock-up behaviour: how long after power-up an "E" at 9600 still keeps the motor from
    // running its deaf program.
    int startWindowMs = 300;
    // What the calibration behaviour leaves: verification results www, xxx, yyy, zzz (www -1: the
    // test could not be made), the re-calibration value yyy, and how long the test runs.
    struct Calibration {
        int www = 0, xxx = 20, yyy = -3, zzz = 30;
        int newValue = 80;
        int durationMs = 2000;
    } calibration;   // added to the following error (past "E=" it trips the motor)
    // Replaces the plain run of the stored program (for programs whose behaviour a test scripts).
    std::function<void(SimMotor&)> programBehaviour;
};

} // namespace vqxsim
