#pragma once
// CChartSettingsDlg: the "Chart Properties" dialog (template 224). The checks of its OK button
// are chartsettings::CheckOk; this only shows the fields and the refusal.

#include "app/tools/ChartSettings.h"

#include <QDialog>

class QLineEdit;
namespace ui {
class IQuestions;
}

class CChartSettingsDlg : public QDialog {
    Q_OBJECT
public:
    CChartSettingsDlg(QWidget* parent, const chartview::CChartViewForm::Settings& settings, ui::IQuestions& questions);
    const chartview::CChartViewForm::Settings& Accepted() const { return m_accepted; }
    QLineEdit* Field(int id) const;
    void accept() override;

private:
    ui::IQuestions& m_questions;
    chartview::CChartViewForm::Settings m_accepted;
};
