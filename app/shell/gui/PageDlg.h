#pragma once
// The page-selector dialog: up to nine pages behind a tab strip (1021) or beside an icon list
// (1003), sized to its largest page, with OK (1), Cancel (2), Help (57670) and Restore Defaults
// (1274). The rules (leave veto, validate-all-then-apply) are shell::PageSelector's.

#include "app/shell/PageSelector.h"

#include <QDialog>
#include <QIcon>
#include <QWidget>

#include <string>

class QListWidget;
class QPushButton;
class QTabBar;

namespace shell {
class CAppContext;
}

// One page: a child widget with the page's own checks. Its template id is its help topic unless
// it names another.
class CPageDlgItem : public QWidget, public shell::ISelectorPage {
    Q_OBJECT
public:
    explicit CPageDlgItem(int templateId, QWidget* parent = nullptr);
    int TemplateId() const { return m_templateId; }
    // The help topic of the page, opened by the dialog's Help.
    virtual std::string HelpTopic() const;

private:
    int m_templateId;
};

class CPageDlg : public QDialog {
    Q_OBJECT
public:
    // `app`: where Help opens the current page's topic.
    CPageDlg(QWidget* parent, const shell::CAppContext& app, const QString& title, int imageBitmapId = 0);

    // The page's position, or -1 when nine are present.
    int AddPage(const QString& name, CPageDlgItem* page, const QIcon& icon = {});
    // Before exec: the icon list instead of tabs; the Restore Defaults button.
    bool m_bListStyle = false;
    bool m_bShowRestoreDefaults = false;

    int CurrentPage() const { return m_selector.Current(); }
    // Picks a page as the user would (the current page may refuse).
    void SelectPage(int position);
    QTabBar* Tabs() const { return m_tabs; }
    QListWidget* List() const { return m_list; }

Q_SIGNALS:
    void pageChanged(int position);

protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    void accept() override;

private:
    void Start();
    void ShowCurrent();
    void SyncSelector();

    shell::PageSelector m_selector;
    std::vector<CPageDlgItem*> m_pages;
    std::vector<QString> m_names;
    std::vector<QIcon> m_icons;
    QTabBar* m_tabs;
    QListWidget* m_list;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_help;
    QPushButton* m_restore;
    bool m_started = false;
    bool m_syncing = false;
};
