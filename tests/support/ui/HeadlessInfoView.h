#pragma once
// The information view of a test.

#include "core/ui/InfoView.h"

namespace ui {

// The information view without a window: keeps the lines and counts what the hooks saw.
class CHeadlessInfoView : public CInfoView {
public:
    int ShowCount() const { return m_shows; }
    // Lines added since construction, the cleared ones included.
    int AddedCount() const { return m_added; }
    // Simulates the bar before its window exists.
    void SetHasWindow(bool has) { m_hasWindow = has; }

protected:
    void OnLineAdded(const CInfoLine&) override { ++m_added; }
    void OnShow() override { ++m_shows; }
    bool HasWindow() const override { return m_hasWindow; }

private:
    int m_shows = 0;
    int m_added = 0;
    bool m_hasWindow = true;
};

} // namespace ui
