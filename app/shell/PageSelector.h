#pragma once
// The rules of the page-selector dialog, without a window: up to nine pages, a switch that the
// current page may refuse, a two-phase OK in which every page validates before any page applies,
// and Restore Defaults on every page.

#include <vector>

namespace shell {

class ISelectorPage {
public:
    virtual ~ISelectorPage() = default;
    virtual bool CanLeavePage() { return true; }
    virtual bool Validate() { return true; }
    virtual void Apply() {}
    virtual void RestoreDefaults() {}
};

class PageSelector {
public:
    static constexpr int kMaxPages = 9;

    // The page's 1-based position, or -1 when nine pages are present.
    int AddPage(ISelectorPage* page);
    int Count() const { return static_cast<int>(m_pages.size()); }
    ISelectorPage* Page(int position) const;
    // The page shown (1-based; 0 before the start).
    int Current() const { return m_current; }
    // The dialog starts on page 1.
    void Start() { m_current = m_pages.empty() ? 0 : 1; }

    // The user picked a page: true when it is now shown (the current page let it go, or it
    // already was); false when the current page refused and stays.
    bool Select(int position);

    struct OkResult {
        bool ended = false; // all valid and applied: the dialog ends with OK
        int invalidPage = 0; // the first page that did not validate (now shown)
    };
    OkResult Ok();
    void RestoreDefaults();

private:
    std::vector<ISelectorPage*> m_pages;
    int m_current = 0;
};

} // namespace shell
