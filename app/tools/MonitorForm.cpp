#include "app/tools/MonitorForm.h"

#include "app/tools/CommErrorAnswer.h"
#include "app/tools/MotorPagePorts.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"

namespace tools {

using namespace monitor;

namespace {

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int CMonitorForm::NextMonitorNumber()
{
    static int counter = 0; // one count for all monitor windows of the program run
    return ++counter;
}

CMonitorForm::CMonitorForm(int slotIndex, MonitorServices services, IMonitorHost& host)
    : m_slot(slotIndex), m_services(std::move(services)), m_host(host)
{
}

CMonitorForm::~CMonitorForm()
{
    *m_alive = false;
}

void CMonitorForm::Message(const std::string& text, uint32_t style)
{
    if (m_services.questions)
        ui::OptionMessageBox(*m_services.questions, text, style);
}

void CMonitorForm::StartNew()
{
    m_filePath.clear();
    m_title = "Monitor" + std::to_string(NextMonitorNumber());
    SetPolling(false);
    m_list.Clear();
    m_list.Modified = false;
    RefillList();
    m_host.StateChanged();
}

bool CMonitorForm::OpenFile(const std::string& path, std::string* problemOut)
{
    SetPolling(false);
    const std::weak_ptr<bool> alive = m_alive;
    const std::string problem = m_list.Load(path, true);
    if (!problem.empty()) {
        // The window keeps its old name: a later Save must not overwrite the file that failed.
        if (problemOut)
            *problemOut = problem;
        else
            Message(problem, ui::MB_OK | ui::MB_ICONERROR);
        if (alive.expired())
            return false; // its window went under the box
        m_host.StateChanged();
        return false;
    }
    m_filePath = path;
    m_title = FileNameOf(path);
    RefillList();
    m_host.StateChanged();
    return true;
}

bool CMonitorForm::Save()
{
    if (m_filePath.empty())
        return SaveAs();
    if (!m_list.Save(m_filePath, true)) {
        Message(kCannotWrite, ui::MB_OK | ui::MB_ICONERROR);
        return false;
    }
    m_host.StateChanged();
    return true;
}

bool CMonitorForm::SaveAs()
{
    const auto path = m_host.AskSavePath(m_filePath.empty() ? m_title : m_filePath);
    if (!path)
        return false;
    const std::string oldPath = m_filePath, oldTitle = m_title;
    m_filePath = *path;
    m_title = FileNameOf(*path);
    if (!Save()) {
        // Not written: the window keeps the name of the file that holds its items.
        m_filePath = oldPath;
        m_title = oldTitle;
        m_host.StateChanged();
        return false;
    }
    return true;
}

bool CMonitorForm::CanClose()
{
    return m_list.CanClose(
        [this] {
            if (!m_services.questions)
                return ui::IDCANCEL;
            return ui::OptionMessageBox(*m_services.questions,
                                        "Do you want to save the changes to \"" + m_title + "\"?",
                                        ui::MB_YESNOCANCEL | ui::MB_ICONQUESTION);
        },
        [this] { return Save(); });
}

CWatchItem* CMonitorForm::AddWatchItem(CWatchItem* item)
{
    CWatchItem* answer = m_list.OnAddWatchItem(item);
    if (answer != item) {
        RefillList();
        m_host.StateChanged();
    }
    return answer;
}

bool CMonitorForm::IsCommandEnabled(int id, int selectedRow) const
{
    const bool selected = m_list.At(selectedRow) != nullptr;
    switch (id) {
    case ID_WATCH_DELETE:
    case ID_WATCH_EDIT:
        return selected;
    case ID_WATCH_MOVE_UP:
        return selected && selectedRow > 0;
    case ID_WATCH_MOVE_DOWN:
        return selected && selectedRow + 1 < m_list.Count();
    case kPollButton:
        return !Polling();
    case kStopButton:
        return Polling();
    case kRefreshButton:
        return !Polling();
    default:
        return true;
    }
}

bool CMonitorForm::IsCommandChecked(int id) const
{
    switch (id) {
    case ID_WATCH_POLL:
    case kPollButton:
        return Polling();
    case kStopButton:
        return !Polling();
    case ID_WATCH_HEX:
    case kHexCheck:
        return m_list.Hex;
    default:
        return false;
    }
}

int CMonitorForm::OnCommand(int id, int row)
{
    switch (id) {
    case ID_WATCH_NEW:
        if (CanClose())
            StartNew();
        return -1;
    case ID_WATCH_OPEN:
        if (CanClose())
            if (const auto path = m_host.AskOpenPath())
                OpenFile(*path);
        return -1;
    case ID_WATCH_SAVE:
        Save();
        return row;
    case ID_WATCH_SAVE_AS:
        SaveAs();
        return row;
    case ID_WATCH_ADD: {
        if (m_list.IsFull()) {
            Message(kFull, ui::MB_OK | ui::MB_ICONERROR);
            return row;
        }
        auto* item = new CWatchItem;
        if (m_services.currentMotor) {
            const auto [port, address] = m_services.currentMotor();
            if (port >= 0 && address >= 0) {
                item->ChannelIndex = port;
                item->MotorAddress = address;
            }
        }
        const std::weak_ptr<bool> alive = m_alive;
        m_host.RunItemDialog(item); // takes the pending item over
        // Its window may have gone while the dialog waited: this form with it.
        if (alive.expired())
            return -1;
        return m_list.Count() - 1;
    }
    case ID_WATCH_EDIT: {
        CWatchItem* item = m_list.At(row);
        if (!item) {
            Message(kNoSelection, ui::MB_OK | ui::MB_ICONERROR);
            return row;
        }
        if (m_host.RunItemDialog(item)) {
            m_list.Modified = true;
            RefillList();
            m_host.StateChanged();
        }
        return row;
    }
    case ID_WATCH_DELETE:
        if (!m_list.At(row)) {
            Message(kNoSelection, ui::MB_OK | ui::MB_ICONERROR);
            return row;
        }
        // Its window, and this form with it, may go while the question waits.
        if (const std::weak_ptr<bool> alive = m_alive;
            !m_services.questions ||
            ui::OptionMessageBox(*m_services.questions, kAskDelete,
                                 ui::MB_YESNO | ui::MB_ICONWARNING | ui::MB_DEFBUTTON2) != ui::IDYES ||
            alive.expired())
            return row;
        m_list.Delete(row);
        RefillList();
        m_host.StateChanged();
        return row < m_list.Count() ? row : m_list.Count() - 1;
    case ID_WATCH_MOVE_UP:
    case ID_WATCH_MOVE_DOWN: {
        const bool up = id == ID_WATCH_MOVE_UP;
        if (!m_list.Move(row, up))
            return row;
        RefillList();
        m_host.StateChanged();
        return up ? row - 1 : row + 1;
    }
    case ID_WATCH_POLL:
    case kPollButton:
        if (Polling() || OpenItemPorts())
            SetPolling(!Polling());
        return row;
    case kStopButton:
        SetPolling(false);
        return row;
    case ID_WATCH_HEX:
        m_list.Hex = !m_list.Hex;
        m_host.StateChanged();
        return row;
    case kRefreshButton:
        Refresh();
        return row;
    default:
        return row;
    }
}

void CMonitorForm::OnDoubleClick(int row, bool onValueIcon)
{
    CWatchItem* item = m_list.At(row);
    if (!item) {
        OnCommand(ID_WATCH_ADD, -1);
        return;
    }
    if (onValueIcon) {
        const std::string error = item->Toggle(m_services.find);
        if (!error.empty())
            Message(error, ui::MB_OK | ui::MB_ICONERROR);
        return;
    }
    OnCommand(ID_WATCH_EDIT, row);
}

void CMonitorForm::RefillList()
{
    for (int i = 0; i < m_list.Count(); ++i)
        if (CWatchItem* item = m_list.At(i); item->Enabled)
            item->ValueText.clear();
    m_host.ListChanged();
}

void CMonitorForm::OnRowChecked(int row, bool checked)
{
    if (m_list.SetEnabled(row, checked)) {
        m_host.RowChanged(row);
        m_host.StateChanged();
    }
}

void CMonitorForm::SetPolling(bool on)
{
    m_list.SetPolling(on);
    m_host.StateChanged();
}

bool CMonitorForm::PollStep()
{
    const bool allowed = !m_services.pollingAllowed || m_services.pollingAllowed();
    const WatchPollResult result = m_list.PollStep(m_services.find, allowed);
    if (result.changedRow >= 0)
        m_host.RowChanged(result.changedRow);
    if (result.error) {
        m_host.StateChanged();
        AfterReadError(*result.error, true);
    } else if (result.used && m_list.Indicator() != kLinkWorks) {
        m_host.StateChanged();
    }
    return result.used;
}

void CMonitorForm::AfterReadError(const WatchReadError& error, bool resume)
{
    if (!commerror::IsCommLoss(error.code))
        return; // another failure only stops polling
    const int row = m_list.NextIndex();
    ++m_requests;
    const std::weak_ptr<bool> alive = m_alive;
    const uint32_t answer = RequestCommError(m_services.commError, m_services.find, error.code, error.portIndex,
                                             error.address);
    // The answer may have replaced the port's motors and closed windows: this one included.
    if (alive.expired() || !*alive.lock())
        return;
    switch (DecideAfterCommError(answer)) {
    case AfterCommError::Stop:
        break;
    case AfterCommError::Repeat:
    case AfterCommError::LookUpAgain: // items find their motors by port and address on every read
        if (resume)
            m_list.ResumeAt(row);
        m_host.StateChanged();
        break;
    }
}

bool CMonitorForm::OpenItemPorts()
{
    // While the ports are held closed (a dialog edits them) they are not the window's to open.
    if (!m_services.find || (m_services.pollingAllowed && !m_services.pollingAllowed()))
        return true;
    for (int i = 0; i < m_list.Count(); ++i) {
        const CWatchItem* item = m_list.At(i);
        if (!item || !item->Enabled)
            continue;
        CMotor* motor = m_services.find(item->ChannelIndex, item->MotorAddress);
        if (!motor || !motor->GetPort() || MotorPortOpen(motor))
            continue; // an item without a motor fails as the item rules say
        if (const std::string why = OpenMotorPort(motor); !why.empty()) {
            Message("The port \"" + motor->GetPort()->Name + "\" of the item \"" + item->Caption +
                        "\" cannot be opened:\n" + why,
                    ui::MB_OK | ui::MB_ICONERROR);
            return false;
        }
    }
    return true;
}

void CMonitorForm::Refresh()
{
    if (!OpenItemPorts())
        return;
    m_list.SetPolling(true);
    std::vector<int> changed;
    const auto error = m_list.Refresh(m_services.find, changed);
    m_list.SetPolling(false);
    for (int row : changed)
        m_host.RowChanged(row);
    m_host.StateChanged();
    if (error)
        AfterReadError(*error, false);
}

} // namespace tools
