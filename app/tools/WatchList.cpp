#include "app/tools/WatchList.h"

#include "core/VQXException.h"
#include "core/archive/TagArchive.h"
#include "core/ui/Questions.h"

#include <memory>

namespace tools {

namespace {

WatchReadError ErrorOf(const CVQXException& e, const CWatchItem& item)
{
    WatchReadError r;
    r.code = e.GetCode();
    r.message = e.GetMessage().empty() ? CVQXException::TextOf(e.GetCode()) : e.GetMessage();
    r.portIndex = item.ChannelIndex;
    r.address = item.MotorAddress;
    return r;
}

} // namespace

CWatchItem* CWatchList::OnAddWatchItem(CWatchItem* item)
{
    if (!item)
        return nullptr;
    for (const CWatchItem* existing : m_items)
        if (existing->Caption == item->Caption)
            return item;
    if (IsFull())
        return item; // the caller checks first; never taken beyond the limit
    Modified = true;
    m_items.Add(item);
    if (IsFull())
        return nullptr;
    auto next = std::make_unique<CWatchItem>();
    next->Copy(*item);
    return next.release();
}

bool CWatchList::Delete(int row)
{
    if (!At(row))
        return false;
    m_items.RemoveAt(row);
    if (m_next > row)
        --m_next;
    Modified = true;
    return true;
}

bool CWatchList::Move(int row, bool up)
{
    const int other = up ? row - 1 : row + 1;
    if (!At(row) || !At(other))
        return false;
    m_items.Swap(row, other);
    Modified = true;
    return true;
}

bool CWatchList::SetEnabled(int row, bool enabled)
{
    CWatchItem* item = At(row);
    if (!item || item->Enabled == enabled)
        return false;
    item->Enabled = enabled;
    if (enabled)
        item->ValueText.clear();
    Modified = true;
    return true;
}

void CWatchList::Clear()
{
    m_items.RemoveAll();
    m_next = 0;
}

void CWatchList::SetPolling(bool on)
{
    m_polling = on;
    m_indicator = on ? kLinkWorks : kLinkNotPolling;
    if (on)
        for (CWatchItem* item : m_items)
            item->ValueText.clear();
    m_passFailed = false;
}

void CWatchList::ResumeAt(int row)
{
    SetPolling(true);
    m_next = row >= 0 && row < Count() ? row : 0;
}

WatchPollResult CWatchList::PollStep(const WatchMotorFinder& find, bool pollingAllowed, bool scaled)
{
    WatchPollResult result;
    if (!m_polling || Count() == 0 || !pollingAllowed)
        return result;
    result.used = true;
    if (m_next >= Count())
        m_next = 0;
    for (int looked = 0; looked < Count(); ++looked) {
        if (m_next == 0) {
            if (!m_passFailed)
                m_indicator = kLinkWorks;
            m_passFailed = false;
        }
        CWatchItem* item = At(m_next);
        const int row = m_next;
        m_next = (m_next + 1) % Count();
        if (!item->Enabled)
            continue;
        std::string text;
        try {
            if (item->ReadValue(text, scaled, Hex, find))
                result.changedRow = row;
            if (item->Failed) {
                m_passFailed = true;
                m_indicator = kLinkFailed;
            }
        } catch (const CVQXException& e) {
            result.changedRow = row;
            result.error = ErrorOf(e, *item);
            m_next = row; // a repeat after the error answer reads this item again
            SetPolling(false);
        }
        break;
    }
    return result;
}

std::optional<WatchReadError> CWatchList::Refresh(const WatchMotorFinder& find, std::vector<int>& changed, bool scaled)
{
    for (int row = 0; row < Count(); ++row) {
        CWatchItem* item = At(row);
        if (!item->Enabled)
            continue;
        std::string text;
        try {
            if (item->ReadValue(text, scaled, Hex, find))
                changed.push_back(row);
        } catch (const CVQXException& e) {
            changed.push_back(row);
            return ErrorOf(e, *item);
        }
    }
    return std::nullopt;
}

std::string CWatchList::SerializeItems(CTagArchive& ar)
{
    if (ar.IsStoring()) {
        ar.OpenGroup(kWatchItemsGroup);
        for (int i = 0; i < Count(); ++i)
            At(i)->Serialize(CTagArchive::ArrName(i), ar);
        ar.CloseGroup();
        return {};
    }
    if (!ar.OpenGroup(kWatchItemsGroup))
        return {}; // a file without the group keeps the items
    const int n = std::min(ar.GetGroupCount(), kMaxWatchItems);
    std::vector<std::unique_ptr<CWatchItem>> loaded;
    for (int i = 0; i < n; ++i) {
        auto item = std::make_unique<CWatchItem>();
        item->Serialize(CTagArchive::ArrName(i), ar);
        const std::string problem = item->Problem();
        if (!problem.empty()) {
            ar.CloseGroup();
            return "Monitor Item " + std::to_string(i + 1) + " of the file cannot be used: " + problem + ".";
        }
        loaded.push_back(std::move(item));
    }
    ar.CloseGroup();
    Clear();
    for (auto& item : loaded)
        m_items.Add(item.release());
    return {};
}

std::string CWatchList::Load(const std::string& path, bool withHex)
{
    CTagArchive ar(kWatchFileClass);
    if (!ar.OpenForRead(path))
        return "Cannot open the specified file";
    CWatchList staged; // the file's items go here first, so that a bad file changes nothing
    staged.Hex = Hex;
    for (int i = 0; i < Count(); ++i)
        staged.m_items.AddCopy(*At(i));
    const std::string problem = staged.SerializeItems(ar);
    if (!problem.empty())
        return problem;
    bool hex = false;
    if (withHex)
        ar.SerializeBool("Hex", hex, false);
    ar.CloseFile();
    Clear();
    for (int i = 0; i < staged.Count(); ++i)
        m_items.AddCopy(*staged.At(i));
    if (withHex)
        Hex = hex;
    Modified = false;
    return {};
}

bool CWatchList::Save(const std::string& path, bool withHex)
{
    CTagArchive ar(kWatchFileClass);
    if (!ar.OpenForWrite(path))
        return false;
    SerializeItems(ar);
    if (withHex)
        ar.SerializeBool("Hex", Hex, false);
    if (!ar.Close() || !ar.IsGood())
        return false;
    Modified = false;
    return true;
}

bool CWatchList::CanClose(const std::function<int()>& ask, const std::function<bool()>& save)
{
    if (!Modified)
        return true;
    switch (ask()) {
    case ui::IDYES:
        // An unsaved list stays open: closing would lose what the user wanted kept.
        if (!save())
            return false;
        Modified = false;
        return true;
    case ui::IDNO:
        Modified = false;
        return true;
    default:
        return false;
    }
}

} // namespace tools
