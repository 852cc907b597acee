#include "app/shell/PageSelector.h"

namespace shell {

int PageSelector::AddPage(ISelectorPage* page)
{
    if (!page || Count() >= kMaxPages)
        return -1;
    m_pages.push_back(page);
    return Count();
}

ISelectorPage* PageSelector::Page(int position) const
{
    return position >= 1 && position <= Count() ? m_pages[position - 1] : nullptr;
}

bool PageSelector::Select(int position)
{
    if (!Page(position))
        return false;
    if (position == m_current)
        return true;
    if (ISelectorPage* current = Page(m_current); current && !current->CanLeavePage())
        return false;
    m_current = position;
    return true;
}

PageSelector::OkResult PageSelector::Ok()
{
    for (int p = 1; p <= Count(); ++p) {
        if (!m_pages[p - 1]->Validate()) {
            // Shown through the page switch; nothing was applied.
            Select(p);
            return {false, p};
        }
    }
    for (ISelectorPage* page : m_pages)
        page->Apply();
    return {true, 0};
}

void PageSelector::RestoreDefaults()
{
    for (ISelectorPage* page : m_pages)
        page->RestoreDefaults();
}

} // namespace shell
