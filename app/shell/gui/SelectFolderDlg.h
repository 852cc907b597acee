#pragma once
// "Select Folder": the folder tree (1149) from the file-system root, the path edit (1001), New
// Folder (1264), OK (1265) and Cancel (1266). The path is the start folder in and the chosen
// folder out. Sub-folders are read when an item is first expanded.

#include <QDialog>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
namespace ui {
class IQuestions;
}

class CSelectFolderDlg : public QDialog {
    Q_OBJECT
public:
    // `questions` tells when a folder cannot be read or made.
    CSelectFolderDlg(QWidget* parent, ui::IQuestions& questions, QString path);
    QString Path() const { return m_path; }
    QTreeWidget* Tree() const { return m_tree; }
    QLineEdit* PathEdit() const { return m_edit; }
    // New Folder under the selected item, named `name` at once (the user's label edit).
    QTreeWidgetItem* NewFolder(const QString& name);
    QString PathOf(QTreeWidgetItem* item) const;

protected:
    void accept() override;

private:
    void Expand(QTreeWidgetItem* item);
    void AddChildren(QTreeWidgetItem* item);
    QTreeWidgetItem* Walk(const QString& path);
    void FinishNewFolder(QTreeWidgetItem* item);

    ui::IQuestions& m_questions;
    QString m_path;
    QTreeWidget* m_tree;
    QLineEdit* m_edit;
};
