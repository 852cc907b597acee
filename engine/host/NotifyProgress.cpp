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
    // A detection's end is its dialog closing; downloads and uploads send their own end.
    if (m_shown && !m_cancelled && (m_operation == Operation::Detection || m_operation == Operation::LinkDetection))
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
        case Operation::Detection: code = m_passes++ == 0 ? VQXN_PASS_BEGIN : VQXN_COLLISION_PASS; break;
        case Operation::LinkDetection: code = m_passes++ == 0 ? VQXN_PASS_BEGIN : VQXN_CONNECT_BEGIN; break;
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
        cancellable = m_operation == Operation::Download || m_operation == Operation::Detection;
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
