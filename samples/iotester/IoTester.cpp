#include "samples/iotester/IoTester.h"

#include "samples/common/Numbers.h"

namespace iotester {
namespace {
const char kLetters[] = "ABCDEFG";

struct BadAddress : std::exception {};
} // namespace

bool CommandRing::Queue(std::string command)
{
    const int next = (m_tail + 1) % kSize;
    if (next == m_head)
        return false;
    m_items[size_t(m_tail)] = std::move(command);
    m_tail = next;
    return true;
}

IoTester::IoTester(vqxclient::EngineLink& engine) : m_engine(engine)
{
    for (int pin = 0; pin < kPins; ++pin) {
        m_state[size_t(pin)] = kInput;
        m_ring.Queue(PinCommand(pin, kInput));
    }
    m_state[kStatusEntry] = kInput;
}

const char* IoTester::Caption(PinState state)
{
    switch (state) {
    case kOutputLow:
        return "ON (Low)";
    case kOutputHigh:
        return "OFF (High)";
    default:
        return "Input";
    }
}

std::string IoTester::PinCommand(int pin, PinState state)
{
    const std::string u = std::string("U") + kLetters[pin];
    switch (state) {
    case kOutputLow:
        return u + "O " + u + "=0";
    case kOutputHigh:
        return u + "O " + u + "=1";
    default:
        return u + "I";
    }
}

std::string IoTester::PinQuery(int pin)
{
    return std::string("a=U") + kLetters[pin] + "I Ra";
}

int32_t IoTester::MotorAddress() const
{
    const auto address = vqxclient::ParseInt32(m_addressText);
    if (!address || *address < 1)
        throw BadAddress();
    return *address;
}

void IoTester::ConnectClicked(const std::string& port)
{
    try {
        if (m_connected) {
            m_connected = m_polling = false;
            m_engine.ClosePort();
            return;
        }
        m_engine.SetBaudRate(38400);
        m_engine.OpenPort(port);
        try {
            m_engine.AddressMotorChain();
        } catch (...) {
            // A chain that cannot be addressed leaves no half-open port behind.
            try {
                m_engine.ClosePort();
            } catch (const vqxclient::EngineFailure&) {
            }
            throw;
        }
        m_connected = m_polling = true;
    } catch (const vqxclient::EngineFailure& e) {
        Error(e.what());
    }
}

void IoTester::SetAll(PinState state)
{
    if (!m_connected)
        return;
    for (int pin = 0; pin < kPins; ++pin)
        Advance(pin, state);
}

void IoTester::Advance(int pin, PinState next)
{
    m_state[size_t(pin)] = next;
    m_ring.Queue(PinCommand(pin, next));
}

void IoTester::PinClicked(int pin)
{
    if (pin < 0 || pin >= kPins)
        return;
    const PinState s = m_state[size_t(pin)];
    Advance(pin, s == kInput ? kOutputLow : s == kOutputLow ? kOutputHigh : kInput);
}

void IoTester::StartPollingClicked()
{
    if (m_connected)
        m_polling = !m_polling;
}

void IoTester::StopClicked()
{
    if (!m_connected)
        return;
    m_sent = 'S';
    m_response.clear();
    try {
        m_engine.SetDefaultMotor(0);
        m_engine.WriteCommand("S");
    } catch (const vqxclient::EngineFailure& e) {
        Error(e.what());
    }
}

void IoTester::RestartClicked()
{
    if (!m_connected)
        return;
    m_sent = 'Z';
    m_response.clear();
    try {
        m_engine.SetBaudRate(9600);
        m_engine.SetDefaultMotor(0);
        m_engine.WriteCommand("Z");
        m_engine.Wait(1000);
        m_engine.ClearBuffer();
        m_engine.AddressMotorChain();
        m_engine.SetBaudRate(38400);
    } catch (const vqxclient::EngineFailure& e) {
        Error(e.what());
    }
}

void IoTester::Send(const std::string& command)
{
    m_sent = command;
    m_response.clear();
    m_engine.SetDefaultMotor(MotorAddress());
    m_engine.WriteCommand(command);
}

void IoTester::Tick()
{
    if (!m_connected)
        return;
    try {
        if (m_sequencing) {
            const int pin = m_sequencePosition;
            const PinState next = m_state[size_t(pin)] == kOutputLow ? kOutputHigh : kOutputLow;
            m_state[size_t(pin)] = next;
            m_sequencePosition = (m_sequencePosition + 1) % kPins;
            Send(PinCommand(pin, next));
        }
        while (!m_ring.Empty()) {
            Send(m_ring.Front());
            m_ring.Pop();
        }
        if (m_polling) {
            const int start = m_pollPosition;
            do
                m_pollPosition = (m_pollPosition + 1) % 8;
            while (m_pollPosition != start && m_state[size_t(m_pollPosition)] != kInput);
            if (m_pollPosition == kStatusEntry)
                PollStatusWord();
            else if (m_state[size_t(m_pollPosition)] == kInput)
                PollInputPin(m_pollPosition);
        }
    } catch (const vqxclient::EngineFailure& e) {
        Error(e.what());
    } catch (const BadAddress&) {
        Error("Invalid motor address!");
    }
}

void IoTester::PollInputPin(int pin)
{
    m_engine.SetDefaultMotor(MotorAddress());
    const std::string query = PinQuery(pin);
    m_sent = query;
    m_response = m_engine.GetResponseOf(query);
    m_led[size_t(pin)] = m_response != "0";
    ++m_polls;
}

void IoTester::PollStatusWord()
{
    m_engine.SetDefaultMotor(MotorAddress());
    m_sent = "RW";
    m_response = m_engine.GetResponseOf("RW");
    ++m_polls;
    const int64_t w = vqxclient::LeadingInteger(m_response).value_or(0);
    if ((w & 32) && !m_positionErrorShown) {
        m_statusLines += "Error: Position Error\r\n";
        m_positionErrorShown = true;
    }
    if (w & 8192) {
        m_statusLines += "Error: Syntax Error\r\n";
        m_engine.WriteCommand("Zs");
    }
}

} // namespace iotester
