#pragma once
// The host's progress: the core's please-wait calls become the engine's notifications to the
// client's callback (a handle and a message number set by InitializeNotification). Which
// notification a "total" becomes depends on the operation the host runs (Begin).

#include "core/ui/Progress.h"

#include <cstdint>

namespace engine {

class CNotifyProgress final : public ui::IProgress {
public:
    // Detection: one pass 6 (a later total of the same run is no new pass); SelfAddressing: the
    // first pass 6, nested collision passes 7; Addressing: 5; LinkDetection: discovery 6,
    // connecting 5; NetDetection: discovery 6, its end 3, then connecting 5 with a step 0 when
    // motors were found. Detection and Addressing report each count once, rising.
    enum class Operation {
        Download, Upload, Detection, SelfAddressing, Addressing, LinkDetection, NetDetection, Connect, EepromRead
    };

    void SetTarget(int32_t handle, int32_t message)
    {
        m_handle = handle;
        m_message = message;
    }
    bool HasTarget() const { return m_handle != 0; }
    // Sends one notification; the client's reply (1 without a target).
    int32_t Send(int32_t code, int64_t lParam);

    // The operation whose progress follows.
    void Begin(Operation op)
    {
        m_operation = op;
        m_cancelled = false;
        m_passes = 0;
        m_lastStep = 0;
    }
    bool Cancelled() const { return m_cancelled; }

    bool Show(const std::optional<std::string>&, const std::optional<std::string>&) override;
    void Close() override;
    bool IsShown() const override { return m_shown; }
    void SetText(const std::optional<std::string>&, const std::optional<std::string>&) override {}
    void SetCancelVisible(bool) override {}
    void SetAskBeforeCancel(bool) override {}
    void ClearCancelled() override { m_cancelled = false; }
    void SaveState() override {}
    void RestoreState() override {}
    int Notify(int kind, int64_t value) override;

private:
    int32_t m_handle = 0;
    int32_t m_message = 0;
    Operation m_operation = Operation::Download;
    bool m_shown = false;
    bool m_cancelled = false;
    int m_passes = 0;
    int64_t m_lastStep = 0;
};

} // namespace engine
