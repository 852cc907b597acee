#pragma once
// Small widgets the dialogs share: the up-down control beside a number field (the field
// keeps any text the user types, so the dialog's own checks see it), and the report list.

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QToolButton;
class QTreeWidget;
namespace ui {
class IQuestions;
}

namespace dialogwidgets {

// Steps the integer in its buddy field within [min, max].
class CUpDown : public QWidget {
    Q_OBJECT
public:
    CUpDown(int id, QLineEdit* buddy, int min, int max, QWidget* parent = nullptr);
    void SetRange(int min, int max);
    void Step(int delta);
    int Minimum() const { return m_min; }
    int Maximum() const { return m_max; }

private:
    QLineEdit* m_buddy;
    int m_min;
    int m_max;
};

// A full-row-select list with the given columns.
template <size_t N>
QTreeWidget* MakeReportList(int id, const std::array<const char*, N>& titles, const std::array<int, N>& widths,
                            QWidget* parent);
QTreeWidget* MakeReportList(int id, const std::vector<QString>& titles, const std::vector<int>& widths, QWidget* parent);
template <size_t N>
QTreeWidget* MakeReportList(int id, const std::array<const char*, N>& titles, const std::array<int, N>& widths,
                            QWidget* parent)
{
    std::vector<QString> t;
    for (const char* s : titles)
        t.push_back(QString::fromLatin1(s));
    return MakeReportList(id, t, std::vector<int>(widths.begin(), widths.end()), parent);
}
// Refills a report list with rows of 8-bit texts, keeping the selected row where it can.
template <size_t N>
void FillReportList(QTreeWidget* list, const std::vector<std::array<std::string, N>>& rows);
void FillReportListRows(QTreeWidget* list, const std::vector<std::vector<std::string>>& rows);
template <size_t N>
void FillReportList(QTreeWidget* list, const std::vector<std::array<std::string, N>>& rows)
{
    std::vector<std::vector<std::string>> r;
    for (const auto& row : rows)
        r.emplace_back(row.begin(), row.end());
    FillReportListRows(list, r);
}
// Insert, Delete, Space and F2 in a list run Add, Delete, Properties and Edit (a key without an
// action is the list's own).
void RouteListKeys(QTreeWidget* list, std::function<void()> add, std::function<void()> remove,
                   std::function<void()> properties, std::function<void()> edit = {});
// The selected row; -1 when none.
int SelectedRow(QTreeWidget* list);


// A message with the stop icon through the shell's boxes; a Yes/No question with the exclamation
// icon (No focused when asked) answering true for Yes.
void StopBox(ui::IQuestions& questions, const std::string& text);
bool AskYesNo(ui::IQuestions& questions, const std::string& text, bool defaultNo = false);

} // namespace dialogwidgets
