#pragma once
// "VQX File Properties" (196): "Project:" (1001), "VQX Language Version:" (1015), "Author:" (1002),
// "Comments:" (1003). An empty author starts as the account's full name.

#include "app/editor/SourceFile.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

class CDocPropertiesDlg : public QDialog {
    Q_OBJECT
public:
    CDocPropertiesDlg(QWidget* parent, const editor::SourceProperties& properties);
    // The fields as they stand (after OK, what the user entered).
    editor::SourceProperties Properties() const;

    QLineEdit* Field(int id) const;

    // The account's full name (empty when unknown).
    static std::string RegisteredOwner();

private:
    QLineEdit* m_project;
    QLineEdit* m_version;
    QLineEdit* m_author;
    QLineEdit* m_comments;
};
