// One analyzer page: the entry ring and the display-line ring of one port.
#include "core/analyzer/SerialDataAnalyzer.h"

#include <algorithm>
#include <cstring>

int SdaDistance(int a, int b) { return b < a ? b - a + SDA_RING : b - a; }

int SdaForward(int a, int limit, int n)
{
    if (limit >= 0 && n >= SdaDistance(a, limit))
        return limit;
    return ((a + n) % SDA_RING + SDA_RING) % SDA_RING;
}

int SdaBack(int a, int limit, int n)
{
    if (limit >= 0 && n >= SdaDistance(limit, a))
        return limit;
    return ((a - n) % SDA_RING + SDA_RING) % SDA_RING;
}

CSdaPage::CSdaPage() { Reset(); }

void CSdaPage::Reset()
{
    m_entryHead = 0;
    m_entryTail = -1;
    m_entryCount = 0;
    m_firstLine = 0;
    m_lastLine = -1;
    m_lineCount = 0;
    topLine = bottomLine = 0;
    selStartLine = selStartColumn = selEndLine = selEndColumn = 0;
}

const CSdaEntry& CSdaPage::EntryAt(int k) const { return m_entries[(m_entryHead + k) % SDA_RING]; }

const CSdaLine& CSdaPage::LineAt(int k) const { return m_lines[(m_firstLine + k) % SDA_RING]; }

int CSdaPage::ComputeRowWidth() const
{
    int width = 0;
    for (size_t i = 0; i < formats.size(); ++i) {
        if (formats[i] == 0)
            continue;
        width += i == 0 ? 1 : 2;
        width += formats[i] == 1 ? 60 : formats[i] == 2 ? 80 : 20;
    }
    return width;
}

int CSdaPage::NewLine()
{
    if (m_lineCount == SDA_RING) {
        // The oldest row goes; entries that start on it are no longer shown.
        const CSdaLine& old = m_lines[m_firstLine];
        for (int i = 0; i < old.entryCount; ++i)
            if (m_entries[old.entries[i]].line == m_firstLine)
                m_entries[old.entries[i]].line = -1;
        m_firstLine = SdaForward(m_firstLine, -1, 1);
        --m_lineCount;
    }
    m_lastLine = m_lineCount == 0 ? m_firstLine : SdaForward(m_lastLine, -1, 1);
    if (m_lastLine >= static_cast<int>(m_lines.size()))
        m_lines.resize(m_lastLine + 1);
    CSdaLine& line = m_lines[m_lastLine];
    line = CSdaLine{};
    line.index = m_nextIndex++;
    ++m_lineCount;
    return 1;
}

int CSdaPage::PlaceEntry(int slot)
{
    CSdaEntry& entry = m_entries[slot];
    if ((entry.flags & filter) != entry.flags) {
        entry.line = -1;
        return 0;
    }
    int started = 0;
    if (!(entry.flags & SDA_CONTINUES) || m_lineCount == 0 || m_lines[m_lastLine].length >= SDA_LINE_BYTES)
        started += NewLine();
    CSdaLine& line = m_lines[m_lastLine];
    line.entries[line.entryCount++] = slot;
    line.length = static_cast<uint8_t>(line.length + entry.length);
    entry.line = m_lastLine;
    if (line.length > SDA_LINE_BYTES) {
        // The entry runs over the row: its rest starts the next row.
        const int over = line.length - SDA_LINE_BYTES;
        line.length = SDA_LINE_BYTES;
        started += NewLine();
        CSdaLine& next = m_lines[m_lastLine];
        next.entries[0] = slot;
        next.entryCount = 1;
        next.startOffset = static_cast<uint8_t>(entry.length - over);
        next.length = static_cast<uint8_t>(over);
    }
    return started;
}

void CSdaPage::DropOldestEntry()
{
    const int slot = m_entryHead;
    const CSdaEntry& entry = m_entries[slot];
    // Only the front rows can hold the oldest entry (once or, when it ran over, twice).
    while (m_lineCount > 0) {
        CSdaLine& line = m_lines[m_firstLine];
        if (line.entryCount == 0 || line.entries[0] != slot)
            break;
        const int inLine = std::min<int>(entry.length - line.startOffset, line.length);
        line.length = static_cast<uint8_t>(line.length - inLine);
        --line.entryCount;
        std::memmove(line.entries, line.entries + 1, sizeof(int) * line.entryCount);
        line.startOffset = 0;
        if (line.entryCount > 0)
            break;
        if (m_lineCount == 1) {
            m_lastLine = -1;
            m_lineCount = 0;
        } else {
            m_firstLine = SdaForward(m_firstLine, -1, 1);
            --m_lineCount;
        }
    }
    m_entries[slot].line = -1;
    m_entryHead = SdaForward(m_entryHead, -1, 1);
    --m_entryCount;
}

int CSdaPage::Append(const uint8_t* bytes, size_t count, uint32_t flags)
{
    const bool follows = m_lineCount == 0 || selStartLine == m_lastLine;
    flags |= tagWord;
    int started = 0;
    for (size_t offset = 0; offset < count;) {
        const size_t n = std::min<size_t>(SDA_ENTRY_BYTES, count - offset);
        if (m_entryCount == SDA_RING)
            DropOldestEntry();
        m_entryTail = SdaForward(m_entryTail, -1, 1);
        if (m_entryTail >= static_cast<int>(m_entries.size()))
            m_entries.resize(m_entryTail + 1);
        CSdaEntry& entry = m_entries[m_entryTail];
        entry = CSdaEntry{};
        entry.index = m_nextIndex++;
        entry.flags = flags;
        entry.length = static_cast<int>(n);
        std::memcpy(entry.data, bytes + offset, n);
        ++m_entryCount;
        started += PlaceEntry(m_entryTail);
        flags |= SDA_CONTINUES; // the rest of one report continues its row
        offset += n;
    }
    if (follows && m_lineCount > 0) {
        selStartLine = selEndLine = m_lastLine;
        selStartColumn = selEndColumn = 0;
        bottomLine = m_lastLine;
        topLine = SdaBack(m_lastLine, m_firstLine, std::max(visibleRows, 1) - 1);
    }
    return started;
}

void CSdaPage::RebuildLines()
{
    m_firstLine = 0;
    m_lastLine = -1;
    m_lineCount = 0;
    for (int k = 0; k < m_entryCount; ++k)
        PlaceEntry((m_entryHead + k) % SDA_RING);
    topLine = bottomLine = 0;
}
