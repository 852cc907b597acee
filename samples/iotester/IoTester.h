#pragma once
// IoTester's behaviour without widgets: the seven pins A..G of one motor and its status word,
// a ring of waiting pin commands, the output sequencer and the poll scheduler that the form's
// 100 ms timer drives. Every engine failure becomes an "Error:" line of the status display.

#include "samples/common/EngineLink.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace iotester {

enum PinState : int16_t { kInput = 1, kOutputLow = 2, kOutputHigh = 3 };

// A ring of 50 command texts: at most 49 wait; a command queued into a full ring is dropped.
class CommandRing {
public:
    static constexpr int kSize = 50;
    bool Queue(std::string command); // false: dropped
    bool Empty() const { return m_head == m_tail; }
    int Waiting() const { return (m_tail - m_head + kSize) % kSize; }
    const std::string& Front() const { return m_items[m_head]; }
    void Pop() { m_head = (m_head + 1) % kSize; }

private:
    std::array<std::string, kSize> m_items;
    int m_head = 0;
    int m_tail = 0;
};

class IoTester {
public:
    static constexpr int kPins = 7;
    static constexpr int kStatusEntry = 7;

    // The form's load: every pin an input, and their commands queued.
    explicit IoTester(vqxclient::EngineLink& engine);

    // ---- the form's events ----
    // port: "Com1".."Com4"; connects or, when connected, disconnects.
    void ConnectClicked(const std::string& port);
    void AllInput() { SetAll(kInput); }
    void AllHigh() { SetAll(kOutputHigh); }
    void AllLow() { SetAll(kOutputLow); }
    void PinClicked(int pin);
    void SequenceAll() { m_sequencing = true; }
    void StopSequence() { m_sequencing = false; }
    void StartPollingClicked();
    void StopClicked();
    void RestartClicked();
    // The 100 ms timer.
    void Tick();
    // The "Motor Address:" field.
    void SetMotorAddressText(std::string text) { m_addressText = std::move(text); }

    // ---- what the form shows ----
    bool Connected() const { return m_connected; }
    bool Polling() const { return m_polling; }
    bool Sequencing() const { return m_sequencing; }
    PinState State(int pin) const { return m_state[size_t(pin)]; }
    static const char* Caption(PinState state);
    bool Led(int pin) const { return m_led[size_t(pin)]; }
    const std::string& SentCommand() const { return m_sent; }
    const std::string& Response() const { return m_response; }
    int64_t PollsMade() const { return m_polls; }
    // Lines added to the status display since the last call (each ends in CR LF).
    std::string TakeStatusLines() { return std::exchange(m_statusLines, {}); }
    const CommandRing& Ring() const { return m_ring; }

    static std::string PinCommand(int pin, PinState state);
    static std::string PinQuery(int pin);

private:
    void SetAll(PinState state);
    void Advance(int pin, PinState next);
    void Error(const std::string& text) { m_statusLines += "Error:" + text + "\r\n"; }
    void Send(const std::string& command);
    void PollInputPin(int pin);
    void PollStatusWord();
    int32_t MotorAddress() const;

    vqxclient::EngineLink& m_engine;
    std::array<PinState, 8> m_state{};
    std::array<bool, kPins> m_led{};
    CommandRing m_ring;
    bool m_connected = false;
    bool m_polling = false;
    bool m_sequencing = false;
    bool m_positionErrorShown = false;
    int m_sequencePosition = 0;
    int m_pollPosition = 0;
    int64_t m_polls = 0;
    std::string m_addressText = "1";
    std::string m_sent;
    std::string m_response;
    std::string m_statusLines;
};

} // namespace iotester
