#include "app/project/CompareDetected.h"

#include "app/project/CommandSurroundings.h"
#include "app/project/ProgramTag.h"
#include "app/project/Project.h"
#include "core/detect/DetectionFrame.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/InfoView.h"
#include "core/ui/Questions.h"

#include <memory>
#include <vector>

namespace {

constexpr uint32_t kCancelled = 0x40000;

// Detection surroundings of a private copy: texts go to the pane of the project's port of the
// same place; the copy's own motors are nobody's windows.
class CopySurroundings final : public IDetectionSurroundings {
public:
    CopySurroundings(IDetectionSurroundings& outer, int portIndex) : m_outer(outer), m_index(portIndex) {}
    void ShowPortText(int, const std::string& text) override { m_outer.ShowPortText(m_index, text); }
    void ShowPortError(int, const std::string& text) override { m_outer.ShowPortError(m_index, text); }

private:
    IDetectionSurroundings& m_outer;
    int m_index;
};

uint32_t Detect(CProject& project, CCommPort& copy, uint32_t mode, IDetectionSurroundings& s)
{
    // The scratch port's take-over must not mark the project modified.
    const bool modified = project.modified;
    const uint32_t result = DetectAllMotors(project, copy, mode, s);
    project.modified = modified;
    return result;
}

// The retries of one copy by its kind; the result of the last detection.
uint32_t DetectWithRetries(CProject& project, CCommPort& copy, IDetectionSurroundings& s, ui::CInfoView& info)
{
    const auto low = [](uint32_t r) { return r & 0xFFFF; };
    uint32_t r = Detect(project, copy, kCompareDetect, s);
    if (r == kCancelled)
        return r;
    if (copy.CommType == COMM_RS232) {
        if (low(r) == 4) {
            copy.SetMaxMotors(100);
            r = Detect(project, copy, kCompareDetectTo100, s);
        } else if (low(r) == 16) {
            r = Detect(project, copy, kCompareDetectAddress, s);
        } else if (low(r) == 64) {
            copy.CommType = COMM_RS485;
            r = Detect(project, copy, kCompareDetect, s);
            if (low(r) == 1 || low(r) == 2 || low(r) == 8) {
                info.AddWarning("The port settings was changed to RS-485.");
            } else if (low(r) == 4) {
                copy.SetMaxMotors(100);
                info.AddWarning("The port settings was changed to RS-485.");
                r = Detect(project, copy, kCompareDetectTo100, s);
            } else {
                copy.CommType = COMM_RS232;
            }
        }
    } else if (copy.CommType == COMM_RS485) {
        if (low(r) == 4) {
            copy.SetMaxMotors(100);
            r = Detect(project, copy, kCompareDetectTo100, s);
        } else if (low(r) == 64) {
            copy.CommType = COMM_RS232;
            r = Detect(project, copy, kCompareDetect, s);
            if (low(r) == 1 || low(r) == 2 || low(r) == 8) {
                info.AddWarning("The port settings was changed to RS-232.");
            } else if (low(r) == 4) {
                copy.SetMaxMotors(100);
                r = Detect(project, copy, kCompareDetectTo100, s);
                info.AddInfo("The port settings was changed to RS-232.");
            } else if (low(r) == 16) {
                info.AddWarning("The port settings was changed to RS-232.");
                r = Detect(project, copy, kCompareDetectAddress, s);
            } else {
                copy.CommType = COMM_RS485;
            }
        }
    }
    return r;
}

int ProjectMotorCount(const CProject& project)
{
    int n = 0;
    for (int p = 0; p < project.PortCount(); ++p)
        n += project.Port(p)->MotorCount();
    return n;
}

} // namespace

CompareOutcome CompareDetected(CProject& project, ICommandSurroundings& around)
{
    CompareOutcome outcome;
    ui::COperationContext& context = project.Context();
    ui::CInfoView& info = context.Info();
    info.Show(true);
    std::vector<std::unique_ptr<ProgramTag>> tags;
    for (int p = 0; p < project.PortCount(); ++p)
        tags.push_back(std::make_unique<ProgramTag>(project.Port(p)));
    const std::vector<std::string> openPorts = project.RememberOpenPorts();

    // Private copies with the ports' settings and no motors (copying takes over the device).
    std::vector<std::unique_ptr<CCommPort>> copies;
    std::vector<CCommPort*> detected(static_cast<size_t>(project.PortCount()), nullptr);
    for (int p = 0; p < project.PortCount(); ++p) {
        auto copy = std::make_unique<CCommPort>();
        *copy = *project.Port(p);
        copy->id = p;
        copy->SetPolicy(&project.Port(p)->Policy());
        copy->SetContext(&context);
        EmptyMotorList(*copy);
        copies.push_back(std::move(copy));
    }

    bool differs = false;
    for (int p = 0; p < project.PortCount() && !outcome.cancelled; ++p) {
        CCommPort& copy = *copies[static_cast<size_t>(p)];
        CopySurroundings s(around, p);
        const uint32_t r = DetectWithRetries(project, copy, s, info);
        copy.ClosePort();
        if (r == kCancelled) {
            outcome.cancelled = true;
            break;
        }
        if (!(r & 1))
            continue; // failed: this port stays out of the comparison
        ++outcome.detectedPorts;
        outcome.motorsFound += copy.MotorCount();
        detected[static_cast<size_t>(p)] = &copy;
        CCommPort& port = *project.Port(p);
        if (copy.MergeDetected(port)) {
            differs = true;
            ++outcome.differingPorts;
            if (port.MotorCount() > 0 && !project.isDefault)
                info.AddWarning("The detected information in the port \"" + port.Name +
                                "\" does not matches the Project settings.");
        }
    }

    // The summary is told once: before the question when the motors differ, else at the end.
    bool summarized = false;
    if (!outcome.cancelled) {
        if (project.PortCount() == 0 || outcome.motorsFound == 0) {
            around.RebuildTree(true);
        } else if (!differs) {
            around.RebuildTree(true);
            if (!project.isDefault)
                info.AddInfo("The detected information matches the Project settings.");
        } else {
            info.ShowSummary(true, true, context.Questions());
            summarized = true;
            int answer = kMergeReplace;
            if (ProjectMotorCount(project) > 0 && !project.isDefault) {
                answer = ui::GetRememberedAnswer(kDifferentChannelKey);
                if (answer <= 0)
                    answer = around.AskDifferentSettings(project, detected);
            }
            outcome.answer = answer;
            if (answer == kMergeReplace || answer == kMergeAddNew || answer == kMergeAddAndUpdate || answer == 0) {
                for (int p = 0; p < project.PortCount(); ++p) {
                    CCommPort* copy = detected[static_cast<size_t>(p)];
                    if (!copy || answer == 0)
                        continue;
                    CCommPort& port = *project.Port(p);
                    around.MotorsChanging(port);
                    outcome.changed |= MergeDetectedMotors(port, *copy, answer);
                }
                project.modified = true;
                around.RebuildTree(true);
                around.PortsChanged();
            }
        }
    }
    if (!summarized)
        info.ShowSummary(true, true, context.Questions());
    // The copies let go of the devices before the project's ports take them again.
    for (auto& copy : copies)
        copy->ClosePort();
    project.ReopenPorts(openPorts);
    return outcome;
}
