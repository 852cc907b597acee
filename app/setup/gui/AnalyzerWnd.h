#pragma once
// The "Serial Data Analyzer" window (template 251): a tab per port of the project (1048), the
// row view (1376 with its scroll bar 1375), the send bar (1000, Send 1156, entry formats 1267,
// 1268, 1269), and the commands 35001-35152 in its context menu. It is the analyzer's view.

#include "app/setup/AnalyzerRows.h"
#include "app/project/Project.h"
#include "core/analyzer/SerialDataAnalyzer.h"

#include <QWidget>

#include <atomic>
#include <functional>

class COptions;
class CSdaView;
class CSendBarEdit;
class QMenu;
class QRadioButton;
class QTabBar;

namespace shell {
class CAppContext;
}

class CSerialDataAnalyzerWnd : public QWidget, public IAnalyzerView, public IProjectSection {
    Q_OBJECT
public:
    // The window owns the analyzer (the logging core) that the ports of its context report to;
    // `app` gives the save chooser and the questions.
    explicit CSerialDataAnalyzerWnd(shell::CAppContext& app, QWidget* parent = nullptr);
    CSerialDataAnalyzer& Analyzer() { return m_analyzer; }
    ~CSerialDataAnalyzerWnd() override;

    void ApplyOptions(const COptions& options);
    // One tab per port of the project; the page on show stays when still valid.
    void UpdatePortTabs(const CProject* project);
    void RefreshPage();
    // Another project: every page is emptied and shows everything in its first columns again.
    void ClearPages();
    // Commands 35001-35152; false for another id.
    bool OnCommand(int id);
    // Copy: the selected text to the clipboard (rich text with the colours and plain text).
    void Copy();
    // Save: the whole page as RTF; false when the file cannot be written.
    bool SaveAs(const QString& fileName);
    // Send: the send bar's bytes to the page's port (raw, tagged as the send bar's).
    void Send(bool appendTerminator);

    CSdaView* View() const { return m_view; }
    CSendBarEdit* SendBar() const { return m_sendBar; }
    QTabBar* Tabs() const { return m_tabs; }
    QMenu* Menu() const { return m_menu; }
    int ShownPage() const { return m_analyzer.shownPage; }

    // IAnalyzerView
    bool IsVisible() const override { return m_visible; }
    void PageAppended(int page, int newLines, bool jumped) override;
    // IProjectSection ("SDAView")
    void SerializeSection(const std::string& group, CTagArchive& ar) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    shell::CAppContext& m_app;
    void ShowPage(int page);
    void UpdateMenuChecks();

    CSerialDataAnalyzer m_analyzer;
    const CProject* m_project = nullptr;
    QTabBar* m_tabs;
    CSdaView* m_view;
    CSendBarEdit* m_sendBar;
    QRadioButton* m_formats[3];
    QMenu* m_menu;
    sda::Look m_look;
    std::atomic<bool> m_visible{false};
    std::atomic<bool> m_refreshQueued{false};
    bool m_syncing = false;
};
