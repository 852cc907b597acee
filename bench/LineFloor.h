#pragma once
// The least time a serial line allows for what the protocol puts on it: the reference the line
// benchmarks are measured against. It is worked out from the protocol alone, command by command,
// never from the traffic a run produced, so that extra traffic or waits of the host show as a
// ratio above 1.0. A ratio below 1.0 means this reference is wrong.
//
// Character time c = (start + 8 data + parity + stop bits) / baud.
//
// RS-232 chain of N motors, echo on: a chunk of n bytes (commands go out in chunks of at most 8,
// each checked against its echo before the next) costs (n + N) c: the PC's wire carries n
// characters, and the last one is whole at the PC after one more character time per motor, the
// echo of each byte overlapping the sending of the next. A reply of r characters follows the
// echo of its terminator through the chain: + r c (+ the motor's own time before it answers).
//
// Echo off (RS-485 bus, and the chain while its rate is swept): after each chunk the sender
// pauses ceil(bits n 1000 / baud) + ceil(n DownloadDelay 0.001) ms. A reply starts when the
// motor holds the terminator, so a query costs the pauses before its last chunk plus
// max(last pause, n_last c + r c).
//
// A probe nobody answers costs its echo (or pauses) plus the whole reply timeout; fixed sleeps
// count as they are.
//
// Replies are the motors' own: the frames are also fed to copies of the simulated motors, whose
// answers give each reply's length and whether anyone answers. Copies made from the profiles start
// as the simulated line's motors did; copies of a line's motors as they are now (MotorsNow) answer
// with the state the motors have at that moment (position, status, variables, a running program),
// and a floor takes fresh ones (TakeMotors) where a run has changed its motors in ways its commands
// do not tell (a move, a program's own work). A copy's clock stands still: it hears every frame at
// the moment it was taken, so only its reply delay counts, never a wait of its own.

#include "tests/sim/motor/SimMotor.h"
#include "tests/sim/wiring/LineRig.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace bench {

struct LineShape {
    int baud = 9600;
    bool parity = false;
    bool chain = true;     // RS-232 chain (echo) or RS-485 bus (no echo)
    int downloadDelayUs = 0; // settings DownloadDelay, microseconds per character written without echo
};

class LineFloor {
public:
    // motors: the motors on the line, in chain order, as the simulator was given them.
    LineFloor(const LineShape& shape, const std::vector<vqxsim::MotorProfile>& motors);
    // motorsNow: copies of the line's motors as they are (MotorsNow), in chain order.
    LineFloor(const LineShape& shape, std::vector<vqxsim::SimMotor> motorsNow);

    // The motors as they are from here on; what the floor knows of the wire's selection stays.
    void TakeMotors(std::vector<vqxsim::SimMotor> motorsNow);

    void SetBaud(int baud) { m_shape.baud = baud; }
    int Baud() const { return m_shape.baud; }
    // Whether the host expects the echo (it paces itself by pauses when not).
    void SetEcho(bool on) { m_echo = on; }
    void SetTotalTimeoutMs(int ms) { m_totalTimeoutMs = ms; }
    size_t Motors() const { return m_motors.size(); }

    // A command as the port frames it: address byte (per the port's address tracking), text,
    // blank. address -1: none.
    void Write(const std::string& text, int address, bool track);
    // The same, then the reply line; nobody answering costs the whole reply timeout and gives "".
    std::string Query(const std::string& text, int address, bool track);
    // A motor's own command: no address byte when the motor is the port's current one (unless the
    // wire selection is stale), else its address byte without changing the current motor.
    void MotorWrite(const std::string& text, int address);
    std::string MotorQuery(const std::string& text, int address);
    // The same, for a command whose answer is everything the motor sends at once (an upload):
    // returns it whole, its end byte included.
    std::string MotorTransfer(const std::string& text, int address);
    // Selecting a motor always puts its address byte on the wire.
    void Select(int address);
    // The motor the port regards as selected (-2: none yet).
    int Current() const { return m_current; }
    // A selection made before the floor begins: the port regards this motor as selected and its
    // address byte was the last one on the wire.
    void Selected(int address)
    {
        m_current = address;
        m_dirty = false;
    }
    // Raw bytes checked against their echo (or paced), in chunks of at most 8.
    void Raw(const std::string& bytes);
    void SleepMs(double ms) { m_seconds += ms / 1000.0; }

    // What motor a's copy holds in its EEPROM at address (0 beyond it): the bytes a write of whole
    // values carries along past the end of what it was given.
    uint8_t EepromByte(int a, int address);

    double Seconds() const { return m_seconds; }
    size_t BytesSent() const { return m_sent; }
    double CharSeconds() const;
    // The pause after n bytes written without echo, in seconds.
    double PauseSeconds(size_t n) const;

private:
    std::string Frame(const std::string& text, int address, bool track);
    // Time of the chunks of frame; with a reply, returns all the motors answered (empty: nobody).
    std::string Exchange(const std::string& frame, bool reply);

    LineShape m_shape;
    std::vector<vqxsim::SimMotor> m_motors;
    std::vector<vqxsim::TimePoint> m_heardAt; // each copy's standing clock
    bool m_echo;
    int m_totalTimeoutMs = 0;
    int m_current = -2;
    bool m_dirty = true;
    double m_seconds = 0;
    size_t m_sent = 0;
};

// Chunks of at most 8 of what is written.
std::vector<std::string> Chunks(const std::string& bytes);

// Copies of the rig's motors as they are now, in chain order, that report to no one: what the
// rig's motors would answer at this moment, without touching them.
std::vector<vqxsim::SimMotor> MotorsNow(vqxsim::LineRig& rig);

// The floors of the core's motor operations on motor a, laid on f.
// The identity: sample period and version, checksum, serial number, factory block. Returns the
// sample period in milliseconds as the motor gave it (the number before '/' x 0.00001).
double ReadVersionFloor(LineFloor& f, int a);
// The serial number alone (a motor that is not of version 5: the EEPROM value at 32256).
void SerialNumberFloor(LineFloor& f, int a);
// A download: the servo check, with memoryProbe the program-memory probe, the echo set-up on a
// chain, isolating the motor, END, LOAD, the image and its terminator in chunks, the checksum and
// the final WAKE. Returns the floor's total so far.
double DownloadFloor(LineFloor& f, const std::string& image, bool chain, int a = 1, bool memoryProbe = false);
// An upload: isolating the motor, END, the checksum, UPLOAD and what the motor sends back (its
// program's body and the end byte FF), the final WAKE. Returns the number of bytes sent back.
size_t UploadFloor(LineFloor& f, int a);
// EEPROM access through the motor's variables. A single value (1, 2 or 4 bytes: "ab[0]", "aw[0]",
// "aaa"): save the variable, point, load, read, restore; returns the value.
int32_t ReadEepromValueFloor(LineFloor& f, int a, int address, int bytes);
// A block of length bytes through aaa..jjj, ten values at a time; returns the values read.
std::vector<int32_t> ReadEepromFloor(LineFloor& f, int a, int address, int length);
// Whole 32-bit values from address: save aaa.., point, per ten values their assignments, the store
// and one look at the write's status "Bs", restore.
void WriteEepromFloor(LineFloor& f, int a, int address, const std::vector<int32_t>& values);
// One byte: save ab[0], set it, point, store, the status, restore.
void WriteEepromByteFloor(LineFloor& f, int a, int address, uint8_t value);
// The 34-byte program record written into the factory block after a download (record: name, date
// and size as the record holds them): the block's length, the old record and its sum byte (the sum
// byte first when sumFirst), the new record, the corrected sum byte and its read-back. Nothing
// after the length when the block is not 100 to 300 bytes long.
void ProgramInfoFloor(LineFloor& f, int a, const std::vector<uint8_t>& record, bool sumFirst);
// The record of a program: the file-name part (at most 23 characters, zero-padded to 24), year
// modulo 100, month, day, hour, minute, second of its time (local), its size (4 bytes, MSB first).
std::vector<uint8_t> ProgramRecord(const std::string& name, std::time_t when, uint32_t size);

// The port and its motors moved to another rate: "BAUD<rate>" to all with tracking, at the old
// rate, then the motor that was current selected again at the new one (nothing when none was).
void MotorsBaudFloor(LineFloor& f, int baud);

} // namespace bench
