#include "bench/LineFloor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace bench {
namespace {
constexpr size_t kChunk = 8;
constexpr int kMaxBlockValues = 10;
constexpr int kProgramRecord = 34;
// The copies of the motors hear every frame at this time: only differences of time count.
const vqxsim::TimePoint kHeard{};
} // namespace

std::vector<std::string> Chunks(const std::string& bytes)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < bytes.size(); i += kChunk)
        out.push_back(bytes.substr(i, kChunk));
    return out;
}

std::vector<vqxsim::SimMotor> MotorsNow(vqxsim::LineRig& rig)
{
    std::vector<vqxsim::SimMotor> copies;
    for (size_t i = 0; i < rig.Count(); ++i)
        copies.push_back(rig.WithMotor(i, [](vqxsim::SimMotor& m) {
            vqxsim::SimMotor copy = m;
            // The rig's log and a host-mode link belong to the motor on the line.
            copy.commandWatch = nullptr;
            copy.rawInputHook = nullptr;
            // What it still had to send is the line's, not the floor's.
            copy.Outbox().clear();
            return copy;
        }));
    return copies;
}

LineFloor::LineFloor(const LineShape& shape, const std::vector<vqxsim::MotorProfile>& motors)
    : m_shape(shape), m_echo(shape.chain)
{
    for (vqxsim::MotorProfile p : motors) {
        // The copies take every frame as it is meant: at the line's rate, awake.
        p.channel[0] = p.channel[1] = {shape.baud, shape.parity ? 'O' : 'N'};
        m_motors.emplace_back(p, kHeard);
        m_heardAt.push_back(kHeard);
    }
}

LineFloor::LineFloor(const LineShape& shape, std::vector<vqxsim::SimMotor> motorsNow)
    : m_shape(shape), m_echo(shape.chain)
{
    TakeMotors(std::move(motorsNow));
}

void LineFloor::TakeMotors(std::vector<vqxsim::SimMotor> motorsNow)
{
    m_motors = std::move(motorsNow);
    m_heardAt.clear();
    for (const vqxsim::SimMotor& m : m_motors)
        m_heardAt.push_back(m.Now());
}

double LineFloor::CharSeconds() const { return (m_shape.parity ? 11.0 : 10.0) / m_shape.baud; }

double LineFloor::PauseSeconds(size_t n) const
{
    const double bits = m_shape.parity ? 11.0 : 10.0;
    return (std::ceil(bits * double(n) * 1000.0 / m_shape.baud) +
            std::ceil(double(n) * m_shape.downloadDelayUs * 0.001)) /
           1000.0;
}

std::string LineFloor::Frame(const std::string& text, int address, bool track)
{
    int send = track ? -1 : address;
    if (track) {
        if (address != -1) {
            if (address != m_current)
                m_dirty = true;
            m_current = address;
        }
        if (m_dirty && m_current >= 0) {
            send = m_current;
            m_dirty = false;
        }
    }
    std::string frame;
    if (send != -1) {
        m_dirty = send != m_current;
        frame += char(0x80 + send);
    }
    return frame + text + ' ';
}

std::string LineFloor::Exchange(const std::string& frame, bool reply)
{
    const std::vector<std::string> chunks = Chunks(frame);
    const double c = CharSeconds();
    const size_t n = m_motors.size();
    double lastChunk = 0;
    for (const std::string& chunk : chunks) {
        if (std::getenv("VQX_BENCH_TRACE") && chunk.size() < 8) {
            std::string shown;
            for (char b : chunk)
                shown += b >= 0x20 && b < 0x7F ? std::string(1, b) : '<' + std::to_string(uint8_t(b)) + '>';
            std::fprintf(stderr, "floor %s\n", shown.c_str());
        }
        lastChunk = m_echo ? double(chunk.size() + n) * c : PauseSeconds(chunk.size());
        m_seconds += lastChunk;
        m_sent += chunk.size();
    }
    // What the motors make of it.
    std::string answer;
    double motorTime = 0;
    for (size_t i = 0; i < m_motors.size(); ++i) {
        vqxsim::SimMotor& m = m_motors[i];
        for (char b : frame)
            m.Receive(uint8_t(b), m_heardAt[i]);
        for (vqxsim::Reply& r : m.Outbox()) {
            // A running program's own output (a sample line, a message) is not an answer to this.
            if (r.program)
                continue;
            answer.append(r.bytes.begin(), r.bytes.end());
            motorTime = std::max(motorTime, std::chrono::duration<double>(r.readyAt - m_heardAt[i]).count());
        }
        m.Outbox().clear();
    }
    if (!reply)
        return {};
    if (answer.empty()) {
        m_seconds += m_totalTimeoutMs / 1000.0;
        return {};
    }
    const double replySeconds = motorTime + double(answer.size()) * c;
    if (m_echo) {
        m_seconds += replySeconds;
    } else {
        // The reply starts once the motor holds the terminator, while the sender still pauses.
        const double onLine = double(chunks.back().size()) * c + replySeconds;
        m_seconds += std::max(lastChunk, onLine) - lastChunk;
    }
    return answer;
}

namespace {
std::string FirstLine(const std::string& answer)
{
    const size_t end = answer.find_first_of("\r\n");
    return end == std::string::npos ? answer : answer.substr(0, end);
}
} // namespace

void LineFloor::Write(const std::string& text, int address, bool track)
{
    Exchange(Frame(text, address, track), false);
}

std::string LineFloor::Query(const std::string& text, int address, bool track)
{
    return FirstLine(Exchange(Frame(text, address, track), true));
}

void LineFloor::MotorWrite(const std::string& text, int address)
{
    if (address == m_current)
        Write(text, -1, true);
    else
        Write(text, address, false);
}

std::string LineFloor::MotorQuery(const std::string& text, int address)
{
    return address == m_current ? Query(text, -1, true) : Query(text, address, false);
}

std::string LineFloor::MotorTransfer(const std::string& text, int address)
{
    return address == m_current ? Exchange(Frame(text, -1, true), true) : Exchange(Frame(text, address, false), true);
}

void LineFloor::Select(int address)
{
    m_dirty = true;
    Write("", address, true);
}

uint8_t LineFloor::EepromByte(int a, int address)
{
    for (vqxsim::SimMotor& m : m_motors)
        if (m.Address() == a)
            return address >= 0 && size_t(address) < m.Eeprom().size() ? m.Eeprom()[size_t(address)] : 0;
    return 0;
}

void LineFloor::Raw(const std::string& bytes)
{
    for (const std::string& chunk : Chunks(bytes))
        Exchange(chunk, false);
}

namespace {

int32_t Number(const std::string& reply)
{
    try {
        return int32_t(std::stoll(reply));
    } catch (...) {
        return 0;
    }
}

} // namespace

int32_t ReadEepromValueFloor(LineFloor& f, int a, int address, int bytes)
{
    const std::string var = bytes == 1 ? "ab[0]" : bytes == 2 ? "aw[0]" : "aaa";
    const int32_t mask = bytes == 1 ? 0xFF : bytes == 2 ? 0xFFFF : -1;
    const int32_t saved = Number(f.MotorQuery("R" + var, a));
    f.MotorWrite("EPTR=" + std::to_string(address), a);
    f.MotorWrite("VLD(" + var + ",1)", a);
    const int32_t value = Number(f.MotorQuery("R" + var, a));
    f.MotorWrite(var + "=" + std::to_string(saved & mask), a);
    return value;
}

namespace {
std::string BlockVariable(int i) { return std::string(3, char('a' + i)); }

// Saves the block variables a k-value access uses; returns their restores.
std::vector<std::string> SaveBlockVariables(LineFloor& f, int a, int k)
{
    std::vector<std::string> restores;
    for (int i = 0; i < std::min(k, kMaxBlockValues); ++i)
        restores.push_back(BlockVariable(i) + "=" + std::to_string(Number(f.MotorQuery('R' + BlockVariable(i), a))));
    return restores;
}
} // namespace

std::vector<int32_t> ReadEepromFloor(LineFloor& f, int a, int address, int length)
{
    const int k = (length + 3) / 4;
    const std::vector<std::string> restores = SaveBlockVariables(f, a, k);
    f.MotorWrite("EPTR=" + std::to_string(address), a);
    std::vector<int32_t> values;
    for (int done = 0; done < k;) {
        const int m = std::min(k - done, kMaxBlockValues);
        f.MotorWrite("VLD(aaa," + std::to_string(m) + ")", a);
        for (int j = 0; j < m; ++j)
            values.push_back(Number(f.MotorQuery('R' + BlockVariable(j), a)));
        done += m;
    }
    for (const std::string& r : restores)
        f.MotorWrite(r, a);
    return values;
}

void WriteEepromFloor(LineFloor& f, int a, int address, const std::vector<int32_t>& values)
{
    const int k = static_cast<int>(values.size());
    const std::vector<std::string> restores = SaveBlockVariables(f, a, k);
    f.MotorWrite("EPTR=" + std::to_string(address), a);
    for (int done = 0; done < k;) {
        const int m = std::min(k - done, kMaxBlockValues);
        for (int j = 0; j < m; ++j)
            f.MotorWrite(BlockVariable(j) + "=" + std::to_string(values[size_t(done + j)]), a);
        f.MotorWrite("VST(aaa," + std::to_string(m) + ")", a);
        f.MotorQuery("RBs", a);
        done += m;
    }
    for (const std::string& r : restores)
        f.MotorWrite(r, a);
}

void WriteEepromByteFloor(LineFloor& f, int a, int address, uint8_t value)
{
    const int32_t saved = Number(f.MotorQuery("Rab[0]", a));
    f.MotorWrite("ab[0]=" + std::to_string(value), a);
    f.MotorWrite("EPTR=" + std::to_string(address), a);
    f.MotorWrite("VST(ab[0],1)", a);
    f.MotorQuery("RBs", a);
    f.MotorWrite("ab[0]=" + std::to_string(saved & 0xFF), a);
}

std::vector<uint8_t> ProgramRecord(const std::string& name, std::time_t when, uint32_t size)
{
    std::vector<uint8_t> r(kProgramRecord, 0);
    const size_t slash = name.find_last_of('/');
    const std::string file = (slash == std::string::npos ? name : name.substr(slash + 1)).substr(0, 23);
    std::copy(file.begin(), file.end(), r.begin());
    std::tm t{};
    localtime_r(&when, &t);
    const int date[] = {(t.tm_year + 1900) % 100, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    for (int i = 0; i < 6; ++i)
        r[size_t(24 + i)] = uint8_t(date[i]);
    for (int i = 0; i < 4; ++i)
        r[size_t(30 + i)] = uint8_t(size >> (24 - 8 * i));
    return r;
}

void ProgramInfoFloor(LineFloor& f, int a, const std::vector<uint8_t>& record, bool sumFirst)
{
    constexpr int kRecordAt = 32548;
    const int length = ReadEepromValueFloor(f, a, 32470, 2) & 0xFFFF;
    if (length < 100 || length > 300)
        return;
    const int sumAt = 32467 + length;
    uint8_t sum = 0;
    std::vector<int32_t> old;
    if (sumFirst)
        sum = uint8_t(ReadEepromValueFloor(f, a, sumAt, 1));
    old = ReadEepromFloor(f, a, kRecordAt, kProgramRecord);
    if (!sumFirst)
        sum = uint8_t(ReadEepromValueFloor(f, a, sumAt, 1));
    // Whole values: the last one carries the bytes behind the record as the motor holds them.
    std::vector<uint8_t> bytes = record;
    for (int at = kRecordAt + int(bytes.size()); bytes.size() % 4 != 0; ++at)
        bytes.push_back(f.EepromByte(a, at));
    std::vector<int32_t> values;
    for (size_t i = 0; i < bytes.size(); i += 4)
        values.push_back(int32_t(uint32_t(bytes[i]) << 24 | uint32_t(bytes[i + 1]) << 16 | uint32_t(bytes[i + 2]) << 8 |
                                 uint32_t(bytes[i + 3])));
    // The sum covers block bytes 4 to length - 2.
    unsigned corrected = sum;
    for (size_t i = 0; i < record.size(); ++i) {
        const int at = kRecordAt + int(i);
        if (at >= 32468 + 4 && at < sumAt) {
            const uint8_t was = uint8_t(uint32_t(old[i / 4]) >> (24 - 8 * (i % 4)));
            corrected += unsigned(record[i]) - was;
        }
    }
    WriteEepromFloor(f, a, kRecordAt, values);
    WriteEepromByteFloor(f, a, sumAt, uint8_t(corrected));
    ReadEepromValueFloor(f, a, sumAt, 1);
}

void SerialNumberFloor(LineFloor& f, int a) { ReadEepromValueFloor(f, a, 32256, 4); }

double ReadVersionFloor(LineFloor& f, int a)
{
    const std::string rsp = f.MotorQuery("RSP", a);
    f.MotorQuery("RCKS", a);
    SerialNumberFloor(f, a);
    const int magic = ReadEepromValueFloor(f, a, 32468, 2) & 0xFFFF;
    const int length = ReadEepromValueFloor(f, a, 32470, 2) & 0xFFFF;
    if (magic != 0xADB4 || length < 101 || length > 299)
        throw std::runtime_error("the floor covers motors with a factory block only");
    ReadEepromFloor(f, a, 32468, length);
    const size_t slash = rsp.find('/');
    if (slash == std::string::npos)
        throw std::runtime_error("the floor's motor gave no sample period");
    return Number(rsp.substr(0, slash)) * 0.00001;
}

double DownloadFloor(LineFloor& f, const std::string& image, bool chain, int a, bool memoryProbe)
{
    f.MotorQuery("RBo", a);
    if (memoryProbe && f.MotorQuery("RCKS", a).size() != 15)
        throw std::runtime_error("the floor's motor gave no checksum");
    if (chain) {
        f.Write("ECHO", 0, false);
        f.SleepMs(100);
    }
    f.Write("SLEEP", 0, false);
    f.MotorWrite("WAKE", a);
    f.MotorWrite("END", a);
    f.MotorWrite("LOAD", a);
    f.Raw(image);
    f.Raw("\xFF\xFF ");
    if (f.MotorQuery("RCKS", a).size() != 15)
        throw std::runtime_error("the floor's motor gave no checksum");
    f.Write("WAKE", 0, false);
    return f.Seconds();
}

size_t UploadFloor(LineFloor& f, int a)
{
    f.Write("SLEEP", 0, false);
    f.MotorWrite("WAKE", a);
    f.MotorWrite("END", a);
    if (f.MotorQuery("RCKS", a).size() != 15)
        throw std::runtime_error("the floor's motor gave no checksum");
    // The motor sends its program's body and the FF after it: that, not the compiled image with
    // its header, is what comes up the line.
    const std::string sent = f.MotorTransfer("UPLOAD", a);
    if (sent.empty() || uint8_t(sent.back()) != 0xFF)
        throw std::runtime_error("the floor's motor did not end its upload with FF");
    f.Write("WAKE", 0, false);
    return sent.size();
}

void MotorsBaudFloor(LineFloor& f, int baud)
{
    const int remembered = f.Current();
    f.Write("BAUD" + std::to_string(baud), 0, true);
    f.SetBaud(baud);
    if (remembered >= 0)
        f.Select(remembered);
}

} // namespace bench
