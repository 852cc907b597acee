#include "app/shell/FrameDecisions.h"

#include <algorithm>
#include <cctype>

namespace shell {

namespace {
std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
bool IsProjectFile(const std::string& path) { return path.size() >= 3 && Lower(path.substr(path.size() - 3)) == "spj"; }
} // namespace

DropAction ClassifyDroppedFiles(const std::vector<std::string>& files, const std::string& openProjectPath)
{
    if (files.empty())
        return DropAction::Nothing;
    const auto projects = std::count_if(files.begin(), files.end(), IsProjectFile);
    if (projects == 0)
        return DropAction::OpenDocuments;
    if (files.size() >= 2)
        return DropAction::InvalidCombination;
    return Lower(files.front()) == Lower(openProjectPath) ? DropAction::ProjectAlreadyOpen : DropAction::OpenProject;
}

std::array<fw::DockBarRecord, 4> WindowResetLayout(int clientWidth, int clientHeight, const std::array<bool, 4>& visible)
{
    const int w = clientWidth / 5;
    const int h = clientHeight / 5;
    std::array<fw::DockBarRecord, 4> bars{};
    fw::DockBarRecord& info = bars[kInfoBarIndex];
    info.dockingRect = {0, 0, 650, h};
    info.floatingRect = {100, 100, 750, 100 + h};
    info.style = 0x8F14;
    info.where2Dock = fw::CBRS_ALIGN_BOTTOM;
    info.posInDockArr = 0;
    const std::pair<int, int> left[] = {{kConfigBarIndex, 1}, {kTerminalBarIndex, 3}, {kAnalyzerBarIndex, 5}};
    for (const auto& [index, position] : left) {
        fw::DockBarRecord& bar = bars[static_cast<size_t>(index)];
        bar.dockingRect = {0, 0, w, 400};
        bar.floatingRect = {100, 100, 100 + w, 500};
        bar.style = 0x1F14;
        bar.where2Dock = fw::CBRS_ALIGN_LEFT;
        bar.posInDockArr = position;
    }
    for (size_t i = 0; i < bars.size(); ++i)
        bars[i].showed = visible[i] ? 1 : 0;
    return bars;
}

} // namespace shell
