#include "bench/LineFloor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace bench {
namespace {
constexpr size_t kChunk = 8;
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

LineFloor::LineFloor(const LineShape& shape, const std::vector<vqxsim::MotorProfile>& motors)
    : m_shape(shape), m_echo(shape.chain)
{
    for (vqxsim::MotorProfile p : motors) {
        // The copies take every frame as it is meant: at the line's rate, awake.
        p.channel[0] = p.channel[1] = {shape.baud, shape.parity ? 'O' : 'N'};
        m_motors.emplace_back(p, kHeard);
    }
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
                shown += b >= 0x20 && b < 0x7F ? std::string(1, b) : "<" + std::to_string(uint8_t(b)) + ">";
            std::fprintf(stderr, "floor %s\n", shown.c_str());
        }
        lastChunk = m_echo ? double(chunk.size() + n) * c : PauseSeconds(chunk.size());
        m_seconds += lastChunk;
        m_sent += chunk.size();
    }
    // What the motors make of it.
    std::string answer;
    double motorTime = 0;
    for (vqxsim::SimMotor& m : m_motors) {
        for (char b : frame)
            m.Receive(uint8_t(b), kHeard);
        for (vqxsim::Reply& r : m.Outbox()) {
            answer.append(r.bytes.begin(), r.bytes.end());
            motorTime = std::max(motorTime, std::chrono::duration<double>(r.readyAt - kHeard).count());
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
    const size_t end = answer.find_first_of("\r\n");
    return end == std::string::npos ? answer : answer.substr(0, end);
}

void LineFloor::Write(const std::string& text, int address, bool track)
{
    Exchange(Frame(text, address, track), false);
}

std::string LineFloor::Query(const std::string& text, int address, bool track)
{
    return Exchange(Frame(text, address, track), true);
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

void LineFloor::Select(int address)
{
    m_dirty = true;
    Write("", address, true);
}

void LineFloor::Raw(const std::string& bytes)
{
    for (const std::string& chunk : Chunks(bytes))
        Exchange(chunk, false);
}

} // namespace bench
