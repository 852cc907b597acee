#include "app/shell/DockLayoutArchive.h"

#include "core/archive/TagArchive.h"

namespace shell {
namespace {

void SerializeRect(CTagArchive& ar, std::string_view name, fw::PlacementRect& r)
{
    CTagRect t{r.left, r.top, r.right, r.bottom};
    const CTagRect def = t;
    ar.SerializeRect(name, t, &def);
    r = {t.left, t.top, t.right, t.bottom};
}

} // namespace

void SerializeDockBar(std::string_view name, CTagArchive& ar, fw::DockBarRecord& r)
{
    CTagGroup group(ar, name);
    if (!group)
        return;
    if (ar.IsStoring())
        r.where2Dock = fw::Where2DockOnSave(r.style);
    ar.SerializeInt("Showed", r.showed, r.showed);
    SerializeRect(ar, "FloatingRect", r.floatingRect);
    SerializeRect(ar, "DockingRect", r.dockingRect);
    ar.SerializeDword("m_dwStyle", r.style, r.style);
    ar.SerializeDword("Where2Dock", r.where2Dock, r.where2Dock);
    ar.SerializeInt("PosInDockArr", r.posInDockArr, r.posInDockArr);
}

bool SerializeDockLayout(std::string_view groupName, CTagArchive& ar, std::vector<fw::DockBarRecord>& records)
{
    CTagGroup frame(ar, groupName);
    if (!frame)
        return false;
    CTagGroup bars(ar, "DockDlgs");
    if (!bars)
        return false;
    const int n = ar.IsStoring() ? static_cast<int>(records.size())
                                 : fw::StoredBarsToRead(ar.GetGroupCount(), static_cast<int>(records.size()));
    for (int j = 0; j < n; ++j)
        SerializeDockBar(CTagArchive::ArrName(j), ar, records[j]);
    return true;
}

} // namespace shell
