#pragma once
// The traffic logger of all ports: one page per port, each keeping its last 5000 pieces of traffic
// in an entry ring and their display rows in a line ring. Fixed memory: records are reused in place
// once a ring is full. The window that shows the pages attaches through IAnalyzerView. A program
// makes one and puts it in its operation context as the traffic log.
//
// Ports may log from a receive thread: every call of the logging core takes the analyzer's lock,
// and the window holds Lock() while it reads pages. The view's PageAppended is called with the
// lock held, on the thread that logged.

#include "core/analyzer/TrafficLog.h"

#include <array>
#include <atomic>
#include <mutex>
#include <cstdint>
#include <vector>

class CCommPort;

inline constexpr int SDA_PAGES = 30;
inline constexpr int SDA_RING = 5000;
inline constexpr int SDA_ENTRY_BYTES = 20;
inline constexpr int SDA_LINE_BYTES = 20;

// Ring positions 0..SDA_RING-1.
int SdaDistance(int a, int b);
int SdaForward(int a, int limit, int n);
int SdaBack(int a, int limit, int n);

// One piece of traffic.
struct CSdaEntry {
    int index = 0;
    uint32_t flags = 0;
    int length = 0;
    uint8_t data[SDA_ENTRY_BYTES] = {};
    int line = -1; // the display line holding its start, -1 when not shown
};

// One display row: up to 20 bytes of traffic from one or more entries.
struct CSdaLine {
    int index = 0;
    uint8_t startOffset = 0; // where in its first entry the row begins
    uint8_t entryCount = 0;
    uint8_t length = 0;
    int entries[SDA_LINE_BYTES] = {}; // entry ring positions
};

class CSdaPage {
public:
    CSdaPage();
    // Empties both rings and the view positions.
    void Reset();
    // Appends one report; returns the number of display lines started.
    int Append(const uint8_t* bytes, size_t count, uint32_t flags);
    // Width in characters of one display row for the current column formats.
    int ComputeRowWidth() const;
    // Empties the display rows and places every kept entry again, oldest first, under `filter`.
    void RebuildLines();

    // Read access for the window and for tests.
    int EntryCount() const { return m_entryCount; }
    // The k-th oldest entry (0 <= k < EntryCount()).
    const CSdaEntry& EntryAt(int k) const;
    const CSdaEntry& EntrySlot(int position) const { return m_entries[position]; }
    int LineCount() const { return m_lineCount; }
    // The k-th oldest display line (0 <= k < LineCount()).
    const CSdaLine& LineAt(int k) const;
    int FirstLine() const { return m_firstLine; }
    int LastLine() const { return m_lastLine; }

    // Column formats: 0 off, 1 hexadecimal, 2 decimal, 3 characters.
    std::array<uint8_t, 3> formats{1, 3, 0};
    const CCommPort* port = nullptr;
    uint32_t tagWord = 0;
    uint32_t filter = 0xFFFFFFFFu;
    int topLine = 0;
    int bottomLine = 0;
    int selStartLine = 0, selStartColumn = 0, selEndLine = 0, selEndColumn = 0;
    int charsPerRow = 0;
    int visibleRows = 1; // set by the window; used to keep the newest line in view

private:
    int PlaceEntry(int slot);
    int NewLine();
    void DropOldestEntry();

    std::vector<CSdaEntry> m_entries;
    int m_entryHead = 0, m_entryTail = -1, m_entryCount = 0;
    std::vector<CSdaLine> m_lines;
    int m_firstLine = 0, m_lastLine = -1, m_lineCount = 0;
    int m_nextIndex = 0;
};

// The analyzer window as the logging core sees it.
class IAnalyzerView {
public:
    virtual ~IAnalyzerView() = default;
    virtual bool IsVisible() const = 0;
    // New rows were logged into a page; jumped is set when the view moved to the end.
    virtual void PageAppended(int page, int newLines, bool jumped) = 0;
};

class CSerialDataAnalyzer : public ITrafficLog {
public:
    CSerialDataAnalyzer();

    void LogData(int page, uint32_t flags, const uint8_t* bytes, size_t count) override;
    void LogText(int page, const char* text, size_t count) override;
    void SetPageFlags(int page, uint32_t bits, bool set) override;

    // The logging switch (on by default); callers switch it off around traffic not to be recorded.
    void EnableLogging(bool on) override { m_logging = on; }
    bool IsLogging() const override { return m_logging; }
    // Attaches the window (null: none, nothing is logged).
    void SetView(IAnalyzerView* view);
    IAnalyzerView* GetView() const;
    // Held while pages are read outside the logging calls.
    std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock(m_mutex); }
    int shownPage = -1;

    CSdaPage& Page(int page) { return m_pages[page]; }
    const CSdaPage& Page(int page) const { return m_pages[page]; }

private:
    bool Accepts(int page) const;

    mutable std::recursive_mutex m_mutex;
    std::array<CSdaPage, SDA_PAGES> m_pages;
    std::atomic<bool> m_logging{true};
    IAnalyzerView* m_view = nullptr;
};
