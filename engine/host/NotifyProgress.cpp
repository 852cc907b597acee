#include "engine/host/NotifyProgress.h"

#include "VQXEngine.h"

#include <algorithm>
#include <limits>

namespace engine {

int32_t CNotifyProgress::Send(int32_t code, int64_t lParam)
{
    if (!m_handle)
        return 1;
    const auto clamped = static_cast<LONG>(
        std::clamp<int64_t>(lParam, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
    return SendNotification(m_handle, m_message, code, clamped, nullptr);
}

bool CNotifyProgress::Show(const std::optional<std::string>&, const std::optional<std::string>&)
{
    if (m_shown)
        return false;
    m_shown = true;
    return true;
}

void CNotifyProgress::Close()
{
    // A detection's end is its dialog closing, also after a cancel; downloads and uploads send
    // their own end.
    if (m_shown && m_operation != Operation::Download && m_operation != Operation::Upload &&
        m_operation != Operation::EepromRead)
        Send(VQXN_END, 0);
    m_shown = false;
}

int CNotifyProgress::Notify(int kind, int64_t value)
{
    if (m_cancelled)
        return 0;
    int32_t code = VQXN_STEP;
    bool cancellable = false;
    if (kind == ui::kProgressTotal) {
        switch (m_operation) {
        case Operation::Download: code = VQXN_DOWNLOAD_BEGIN; cancellable = true; break;
        case Operation::Upload:
            code = VQXN_UPLOAD_BEGIN;
            if (value < 0 || value > 65535)
                value = 0;
            break;
        case Operation::Detection:
        case Operation::Addressing:
            // The chain start-up announces the run; the scan or count behind it is the same pass.
            if (m_passes++ > 0)
                return 1;
            code = m_operation == Operation::Detection ? VQXN_PASS_BEGIN : VQXN_CONNECT_BEGIN;
            break;
        case Operation::SelfAddressing: code = m_passes++ == 0 ? VQXN_PASS_BEGIN : VQXN_COLLISION_PASS; break;
        case Operation::LinkDetection: code = m_passes++ == 0 ? VQXN_PASS_BEGIN : VQXN_CONNECT_BEGIN; break;
        case Operation::NetDetection:
            if (m_passes++ == 0) {
                code = VQXN_PASS_BEGIN;
                break;
            }
            // The discovery is over; the found motors are connected one by one.
            Send(VQXN_END, 0);
            if (value > 0) {
                Send(VQXN_CONNECT_BEGIN, value);
                Send(VQXN_STEP, 0);
            }
            return 1;
        case Operation::Connect: code = VQXN_CONNECT_BEGIN; break;
        case Operation::EepromRead:
            if (value < 150)
                return 1;
            code = VQXN_EEPROM_READ;
            break;
        }
    } else if (kind == ui::kProgressCount) {
        if (m_operation == Operation::EepromRead)
            return 1;
        code = VQXN_STEP;
        if (m_operation == Operation::Detection || m_operation == Operation::Addressing) {
            // Addresses or motors handled so far: the phases of one run count on, never back.
            if (value <= m_lastStep)
                return 1;
            m_lastStep = value;
        }
        cancellable = m_operation == Operation::Download || m_operation == Operation::Detection ||
                      m_operation == Operation::SelfAddressing || m_operation == Operation::Addressing;
        // Steps of the network discovery and connection cannot be cancelled.
    } else {
        if (m_operation == Operation::EepromRead)
            return 1;
        code = VQXN_END;
    }
    const int32_t reply = Send(code, value);
    if (cancellable && reply == 0) {
        m_cancelled = true;
        return 0;
    }
    return 1;
}

} // namespace engine
