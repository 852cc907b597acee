#pragma once
// The Options dialog: a page selector titled "Options" with the pages Scanner, Editor, Terminal,
// Serial Data Analyzer and Advanced. Each page copies what it shows when it is made and stores it
// only in its apply step (shell::options), so Cancel changes nothing; the Scanner page's language
// list actions take effect at once. EditOptions runs it and saves the settings record on OK.

#include "app/shell/LanguageFiles.h"
#include "app/shell/OptionsPages.h"
#include "app/shell/gui/PageDlg.h"

#include <QPushButton>
#include <QTextCursor>

#include <cstdint>
#include <functional>
#include <optional>

class CScanner;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
namespace shell {
class CAppContext;
class IDesktopServices;
}

// What the dialog edits and whom it tells.
struct OptionsSurroundings {
    COptions& options;
    CScanner& scanner;
    platform::Profile& profile;   // remembered answers, and where the record is saved
    platform::Registry& registry; // the language registrations (machine hive)
    ui::IQuestions& questions;
    shell::IDesktopServices& desktop; // the colour and file choosers
    const shell::CAppContext& app;    // the help topics
    std::function<void()> reformatSources; // re-highlight every open source view
    std::function<void()> clearTerminals;  // every terminal pane takes the new look
    std::function<void()> applyAnalyzer;   // the analyzer takes the new look and redraws
};

// Runs the dialog modally; on OK the record is saved to the profile. True on OK.
bool EditOptions(QWidget* parent, OptionsSurroundings& surroundings);

namespace optionsgui {
// The file a Browse or Add button of a page picks: the chosen path, empty when cancelled.
QString ChooseFile(QWidget* parent, shell::IDesktopServices& desktop, const QString& title, const QString& filter);

// A colour button: its image is a 50 x 30 swatch of the colour; a click opens the colour dialog.
class CColorButton : public QPushButton {
    Q_OBJECT
public:
    CColorButton(int id, uint32_t& color, std::function<void()> changed, shell::IDesktopServices& desktop, QWidget* parent);
    // Redraws the swatch (after Restore Defaults).
    void Redraw();

private:
    uint32_t& m_color;
    std::function<void()> m_changed;
    shell::IDesktopServices& m_desktop;
};
} // namespace optionsgui

class CScannerOptionsPage : public CPageDlgItem {
    Q_OBJECT
public:
    CScannerOptionsPage(OptionsSurroundings& s);
    bool CanLeavePage() override { return Validate(); }
    bool Validate() override;
    void Apply() override;
    void RestoreDefaults() override;
    std::string HelpTopic() const override;
    // Refills the language list from the registry.
    void FillList();
    QTreeWidget* List() const { return m_list; }

private:
    shell::options::ScannerPage Values() const;
    void Show(const shell::options::ScannerPage& page);
    std::string SelectedVersion() const;
    void OnAdd();
    void OnDelete();

    OptionsSurroundings& m_s;
    shell::CLanguageFiles m_files;
    QLineEdit* m_errors;
    QLineEdit* m_warnings;
    QCheckBox* m_numberRanges;
    QCheckBox* m_parameterRanges;
    QCheckBox* m_convert;
    QCheckBox* m_showAll;
    QTreeWidget* m_list;
};

// What the three colour pages share: swatch buttons, the font size combo (1150), the preview (1106).
class CColorOptionsPage : public CPageDlgItem {
    Q_OBJECT
public:
    CColorOptionsPage(int templateId, const char* helpTopic, OptionsSurroundings& s);
    std::string HelpTopic() const override;
    QTextEdit* Preview() const { return m_preview; }

protected:
    optionsgui::CColorButton* AddColor(int id, const char* label, uint32_t& color);
    QComboBox* AddFontSize(int& points);
    void ShowFontSize(int points);
    virtual void DrawPreview() = 0;
    // The preview's font at the chosen size on the background colour.
    QFont PreviewFont(int points) const;
    // Empties the preview and gives it the font and background; the cursor writes into it.
    QTextCursor ClearPreview(const QFont& font, uint32_t background);
    void RedrawSwatches();

    OptionsSurroundings& m_s;
    const char* m_helpTopic;
    QTextEdit* m_preview;
    QComboBox* m_fontSize = nullptr;
    std::vector<optionsgui::CColorButton*> m_swatches;
    class QGridLayout* m_grid;
};

class CEditorOptionsPage : public CColorOptionsPage {
    Q_OBJECT
public:
    explicit CEditorOptionsPage(OptionsSurroundings& s);
    void Apply() override;
    void RestoreDefaults() override;
    const shell::options::EditorPage& Values() const { return m_page; }

private:
    void DrawPreview() override;
    shell::options::EditorPage m_page;
    QComboBox* m_tabSize;
};

class CTerminalOptionsPage : public CColorOptionsPage {
    Q_OBJECT
public:
    explicit CTerminalOptionsPage(OptionsSurroundings& s);
    bool Validate() override;
    void Apply() override;
    void RestoreDefaults() override;

private:
    void DrawPreview() override;
    void Read();
    void Show();
    shell::options::TerminalPage m_page;
    QCheckBox* m_echoErrors;
    QCheckBox* m_showTyping;
    QCheckBox* m_auto;
    QLineEdit* m_echo;
    QLineEdit* m_response;
    QLineEdit* m_network;
    QLineEdit* m_byteDelay;
};

class CAnalyzerOptionsPage : public CColorOptionsPage {
    Q_OBJECT
public:
    explicit CAnalyzerOptionsPage(OptionsSurroundings& s);
    void Apply() override;
    void RestoreDefaults() override;

private:
    void DrawPreview() override;
    void Read();
    void Show();
    shell::options::AnalyzerPage m_page;
    QCheckBox* m_polling;
    QCheckBox* m_internal;
    QCheckBox* m_sound;
    QLineEdit* m_file;
    QPushButton* m_browse;
    QPushButton* m_play;
};

class CAdvancedOptionsPage : public CPageDlgItem {
    Q_OBJECT
public:
    explicit CAdvancedOptionsPage(OptionsSurroundings& s);
    void Apply() override;
    void RestoreDefaults() override;
    std::string HelpTopic() const override;
    QTreeWidget* Tree() const { return m_tree; }
    // The tree item of an entry of shell::options::AdvancedItems().
    QTreeWidgetItem* Item(int index) const { return m_items[static_cast<size_t>(index)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowImages();
    OptionsSurroundings& m_s;
    shell::options::CAdvancedTree m_state;
    QTreeWidget* m_tree;
    std::vector<QTreeWidgetItem*> m_items;
};
