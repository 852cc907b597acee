#include "core/analyzer/SerialDataAnalyzer.h"

CSerialDataAnalyzer::CSerialDataAnalyzer() = default;

void CSerialDataAnalyzer::SetView(IAnalyzerView* view)
{
    std::lock_guard lock(m_mutex);
    m_view = view;
}

IAnalyzerView* CSerialDataAnalyzer::GetView() const
{
    std::lock_guard lock(m_mutex);
    return m_view;
}

bool CSerialDataAnalyzer::Accepts(int page) const
{
    // Nothing is logged while nobody can see it.
    return m_view && m_view->IsVisible() && m_logging && page >= 0 && page < SDA_PAGES;
}

void CSerialDataAnalyzer::LogData(int page, uint32_t flags, const uint8_t* bytes, size_t count)
{
    std::lock_guard lock(m_mutex);
    if (!Accepts(page) || !bytes || count == 0)
        return;
    CSdaPage& p = m_pages[page];
    const bool followed = p.LineCount() == 0 || p.selStartLine == p.LastLine();
    const int started = p.Append(bytes, count, flags);
    m_view->PageAppended(page, started, followed);
}

void CSerialDataAnalyzer::LogText(int page, const char* text, size_t count)
{
    std::lock_guard lock(m_mutex);
    if (!Accepts(page) || !text)
        return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        if (text[i] != '\r')
            continue;
        LogData(page, SDA_RECEIVED, bytes + start, i + 1 - start);
        SetPageFlags(page, SDA_CONTINUES, false);
        start = i + 1;
    }
    if (start < count) {
        LogData(page, SDA_RECEIVED, bytes + start, count - start);
        SetPageFlags(page, SDA_CONTINUES, true);
    }
}

void CSerialDataAnalyzer::SetPageFlags(int page, uint32_t bits, bool set)
{
    std::lock_guard lock(m_mutex);
    auto apply = [&](CSdaPage& p) { p.tagWord = set ? (p.tagWord | bits) : (p.tagWord & ~bits); };
    if (page == -1) {
        for (CSdaPage& p : m_pages)
            apply(p);
    } else if (page >= 0 && page < SDA_PAGES) {
        apply(m_pages[page]);
    }
}
