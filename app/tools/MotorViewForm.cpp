#include "app/tools/MotorViewForm.h"

#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"

namespace tools {

using namespace motorview;

CMotorViewForm::CMotorViewForm(int slotIndex, CMotor* motor, int portIndex, MonitorServices monitorServices,
                               IMonitorHost& monitorHost)
    : m_slot(slotIndex), m_link{motor, portIndex, monitorServices.commError, monitorServices.pollingAllowed},
      m_status(m_link), m_monitor(m_link, std::move(monitorServices), monitorHost), m_variables(m_link),
      m_flags(m_link)
{
}

std::string CMotorViewForm::Caption() const
{
    return "MotorView - \"" + (m_link.motor ? m_link.motor->Name : std::string()) + "\"";
}

void CMotorViewForm::SelectTab(int tab)
{
    if (tab >= 0 && tab < kTabs)
        m_tab = tab;
}

std::string CMotorViewForm::HelpTopic() const
{
    return m_tab >= 0 && m_tab < kTabs ? kHelpTopics[m_tab] : kViewHelpTopic;
}

bool CMotorViewForm::PollStep()
{
    if (!m_link.motor || !m_link.Allowed())
        return false;
    switch (m_tab) {
    case kStatusTab: return m_status.PollStep();
    case kMonitorTab: return m_monitor.PollStep();
    case kVariablesTab: return m_variables.PollStep();
    case kFlagsTab: return m_flags.PollStep();
    default: return false;
    }
}

void CMotorViewForm::MotorChanged()
{
    m_status.UpdateForMotor();
    m_flags.BuildTable();
    m_monitor.UpdateScaled();
}

void CMotorViewForm::ForgetMotor()
{
    m_link.motor = nullptr;
}

bool CMotorViewForm::SaveState(const std::string& group, CTagArchive& ar, const MotorIndexes& indexes,
                               const MotorByIndexes& find)
{
    if (!ar.OpenGroup(group))
        return false;
    int32_t port = indexes.portIndex, motor = indexes.motorIndex;
    ar.SerializeInt("ChnIdx", port, 0);
    ar.SerializeInt("MtrIdx", motor, 0);
    if (ar.IsLoading()) {
        m_link.motor = find ? find(port, motor) : nullptr;
        m_link.portIndex = port;
    }
    ar.SerializeString("WindPos", Placement, "");
    int32_t tab = m_tab;
    ar.SerializeInt("CurTab", tab, 0);
    SelectTab(tab);
    m_status.SerializeState(ar);
    m_monitor.SerializeState(ar);
    m_variables.SerializeState(ar);
    m_flags.SerializeState(ar);
    ar.CloseGroup();
    return ar.IsStoring() || m_link.motor != nullptr;
}

} // namespace tools
