#include "app/tools/MotorMonitorPageForm.h"

#include "app/tools/CommErrorAnswer.h"
#include "app/tools/MotorPagePorts.h"
#include "core/archive/TagArchive.h"
#include "core/motor/Motor.h"
#include "core/ui/Questions.h"

namespace tools {

using namespace monitorpage;

namespace {

MonitorServices BoundTo(MotorViewLink& link, MonitorServices services)
{
    MotorViewLink* l = &link;
    services.find = [l](int portIndex, int address) -> CMotor* {
        CMotor* m = l->motor;
        return m && portIndex == l->portIndex && address == m->Address ? m : nullptr;
    };
    services.currentMotor = [l]() -> std::pair<int, int> {
        return l->motor ? std::pair{l->portIndex, l->motor->Address} : std::pair{-1, -1};
    };
    services.pollingAllowed = {}; // the view asks the program-wide switch before the page
    return services;
}

} // namespace

int CMotorMonitorPageForm::NextTemplateNumber()
{
    static int counter = 0; // one count for the program run
    return ++counter;
}

CMotorMonitorPageForm::CMotorMonitorPageForm(MotorViewLink& link, MonitorServices services, IMonitorHost& host)
    : m_target(link), m_services(BoundTo(link, std::move(services))), m_host(host),
      m_form(0, m_services, host)
{
}

CMotor* CMotorMonitorPageForm::Find(int portIndex, int address) const
{
    return m_services.find(portIndex, address);
}

void CMotorMonitorPageForm::SerializeState(CTagArchive& ar)
{
    if (!ar.OpenGroup(kSection))
        return;
    ar.SerializeBool("IsPolled", IsPolled, false);
    ar.SerializeBool("Scaled", Scaled, false);
    bool hex = Hex();
    ar.SerializeBool("Hex", hex, false);
    SetHex(hex);
    ar.CloseGroup();
}

void CMotorMonitorPageForm::UpdateScaled()
{
    m_scaledEnabled = m_target.motor && m_target.motor->UseConversionFactor;
    if (!m_scaledEnabled)
        Scaled = false;
}

void CMotorMonitorPageForm::Start()
{
    if (m_target.motor && !m_target.motor->UserTemplateFile.empty())
        LoadTemplate(m_target.motor->UserTemplateFile);
    if (List().Count() == 0)
        IsPolled = false;
    UpdateScaled();
    SetPolling(IsPolled);
}

std::string CMotorMonitorPageForm::LoadTemplate(const std::string& path)
{
    CMotor* motor = m_target.motor;
    if (path.empty() || !motor)
        return "Cannot open the specified file";
    // Polling is left as it is, also when the template cannot be read (the items stay then): the
    // page that opens polled with its motor's template goes on polling.
    const std::string problem = List().Load(path, false);
    if (!problem.empty())
        return problem;
    for (int i = 0; i < List().Count(); ++i) {
        CWatchItem* item = List().At(i);
        item->ChannelIndex = m_target.portIndex;
        item->MotorAddress = motor->Address;
        item->Enabled = true;
    }
    motor->UserTemplateFile = path;
    List().Modified = false;
    m_form.RefillList();
    m_host.StateChanged();
    return {};
}

bool CMotorMonitorPageForm::SaveTemplate()
{
    CMotor* motor = m_target.motor;
    if (!motor)
        return false;
    if (motor->UserTemplateFile.empty())
        return SaveTemplateAs();
    if (!List().Save(motor->UserTemplateFile, false)) {
        if (m_services.questions)
            ui::OptionMessageBox(*m_services.questions, monitor::kCannotWrite, ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    m_host.StateChanged();
    return true;
}

bool CMotorMonitorPageForm::SaveTemplateAs()
{
    CMotor* motor = m_target.motor;
    if (!motor)
        return false;
    const std::string proposed = motor->UserTemplateFile.empty()
                                     ? "Template" + std::to_string(NextTemplateNumber())
                                     : motor->UserTemplateFile;
    const auto path = m_host.AskSavePath(proposed);
    if (!path)
        return false;
    const std::string old = motor->UserTemplateFile;
    motor->UserTemplateFile = *path;
    if (!SaveTemplate()) {
        motor->UserTemplateFile = old; // the motor keeps the file that holds its items
        return false;
    }
    return true;
}

int CMotorMonitorPageForm::OnCommand(int id, int row)
{
    switch (id) {
    case ID_OPEN:
        if (const auto path = m_host.AskOpenPath()) {
            const std::string problem = LoadTemplate(*path);
            if (!problem.empty() && m_services.questions)
                ui::OptionMessageBox(*m_services.questions, problem, ui::MB_OK | ui::MB_ICONERROR);
        }
        return -1;
    case ID_SAVE: SaveTemplate(); return row;
    case ID_SAVE_AS: SaveTemplateAs(); return row;
    case ID_ADD: return m_form.OnCommand(monitor::ID_WATCH_ADD, row);
    case ID_DELETE: return m_form.OnCommand(monitor::ID_WATCH_DELETE, row);
    case ID_EDIT: return m_form.OnCommand(monitor::ID_WATCH_EDIT, row);
    case ID_MOVE_UP: return m_form.OnCommand(monitor::ID_WATCH_MOVE_UP, row);
    case ID_MOVE_DOWN: return m_form.OnCommand(monitor::ID_WATCH_MOVE_DOWN, row);
    case ID_HEX:
        SetHex(!Hex());
        m_host.StateChanged();
        return row;
    case kPoll: {
        const std::string error = StartPolling();
        if (!error.empty() && m_services.questions)
            ui::OptionMessageBox(*m_services.questions, error, ui::MB_OK | ui::MB_ICONERROR);
        return row;
    }
    case kStop: SetPolling(false); return row;
    case kRefresh: Refresh(); return row;
    default: return row;
    }
}

bool CMotorMonitorPageForm::IsCommandEnabled(int id, int row) const
{
    switch (id) {
    case ID_SAVE: return Modified();
    case ID_DELETE: return m_form.IsCommandEnabled(monitor::ID_WATCH_DELETE, row);
    case ID_EDIT: return m_form.IsCommandEnabled(monitor::ID_WATCH_EDIT, row);
    case ID_MOVE_UP: return m_form.IsCommandEnabled(monitor::ID_WATCH_MOVE_UP, row);
    case ID_MOVE_DOWN: return m_form.IsCommandEnabled(monitor::ID_WATCH_MOVE_DOWN, row);
    case kPoll: return !Polling();
    case kStop: return Polling();
    case kRefresh: return !Polling();
    default: return true;
    }
}

std::string CMotorMonitorPageForm::StartPolling()
{
    return StartPagePolling(*this, m_target.motor);
}

void CMotorMonitorPageForm::SetPolling(bool on)
{
    IsPolled = on;
    m_form.SetPolling(on);
}

bool CMotorMonitorPageForm::PollStep()
{
    if (!Polling() || !m_target.motor)
        return false;
    auto find = [this](int p, int a) { return Find(p, a); };
    const WatchPollResult result = List().PollStep(find, true, Scaled && m_scaledEnabled);
    if (result.changedRow >= 0)
        m_host.RowChanged(result.changedRow);
    m_host.StateChanged();
    if (result.error) {
        IsPolled = false;
        AfterReadError(*result.error, true);
    }
    return result.used;
}

void CMotorMonitorPageForm::AfterReadError(const WatchReadError& error, bool resume)
{
    if (!commerror::IsCommLoss(error.code))
        return; // another failure only stops polling
    const int row = List().NextIndex();
    auto find = [this](int p, int a) { return Find(p, a); };
    const uint32_t answer = RequestCommError(m_services.commError, find, error.code, error.portIndex, error.address);
    // The answer may have replaced the port's motors and told the view to let go of its motor.
    if (!m_target.motor)
        return;
    if (DecideAfterCommError(answer) != AfterCommError::Stop && resume) {
        SetPolling(true);
        List().ResumeAt(row);
    }
    m_host.StateChanged();
}

void CMotorMonitorPageForm::Refresh()
{
    if (!OpenMotorPort(m_target.motor).empty())
        return;
    List().SetPolling(true);
    std::vector<int> changed;
    auto find = [this](int p, int a) { return Find(p, a); };
    const auto error = List().Refresh(find, changed, Scaled && m_scaledEnabled);
    List().SetPolling(false);
    IsPolled = false;
    for (int row : changed)
        m_host.RowChanged(row);
    m_host.StateChanged();
    if (error)
        AfterReadError(*error, false);
}

bool CMotorMonitorPageForm::CanClose()
{
    const std::string name = m_target.motor ? m_target.motor->Name : std::string();
    return List().CanClose(
        [this, name] {
            if (!m_services.questions)
                return ui::IDCANCEL;
            return ui::OptionMessageBox(*m_services.questions,
                                        "Do you want to save the changes to \"Monitor Items of " + name + "\"?",
                                        ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
        },
        [this] { return SaveTemplate(); });
}

} // namespace tools
