#include "app/project/DifferentSettings.h"

#include "app/project/DetectAllMotors.h"
#include "core/motor/Motor.h"
#include "core/port/CommPort.h"
#include "core/ui/Questions.h"

namespace {

void AddMotors(ConfigTreeItem& parent, const CCommPort& port)
{
    for (int i = 0; i < port.MotorCount(); ++i) {
        CMotor* m = port.motors.GetAt(i);
        parent.children.push_back({m->Name, MotorImage(*m), m, {}});
    }
}

} // namespace

ConfigTreeItem ConfigurationTree(const std::string& rootText, const std::vector<CCommPort*>& ports, bool listForm)
{
    ConfigTreeItem root{rootText, kImageRoot, nullptr, {}};
    for (CCommPort* port : ports) {
        if (!port)
            continue;
        if (!listForm) {
            AddMotors(root, *port);
            continue;
        }
        ConfigTreeItem item{port->Name, PortImage(port->CommType) < 0 ? kImagePort : PortImage(port->CommType), nullptr, {}};
        AddMotors(item, *port);
        root.children.push_back(std::move(item));
    }
    return root;
}

const std::vector<CDifferentSettingsForm::Choice>& CDifferentSettingsForm::Choices()
{
    static const std::vector<Choice> choices = {
        {kMergeReplace, "Replace current configuration with detected configuration"},
        {kMergeAddNew, "Add any new addresses, and leave old"},
        {kMergeAddAndUpdate, "Add any new addresses, update existing, and leave old"},
        {kMergeIgnore, "Ignore detected settings and keep existing configuration"},
    };
    return choices;
}

void CDifferentSettingsForm::Choose(int answer)
{
    m_choice = answer;
    if (!DontShowEnabled())
        m_dontShow = false;
}

bool CDifferentSettingsForm::DontShowEnabled() const { return m_choice != kMergeIgnore; }

int CDifferentSettingsForm::Ok() const
{
    if (m_dontShow && m_choice != kMergeIgnore)
        ui::SetRememberedAnswer(kDifferentChannelKey, m_choice);
    return m_choice;
}

int DoModalOrRemembered(const std::function<int()>& showDialog)
{
    const int remembered = ui::GetRememberedAnswer(kDifferentChannelKey);
    if (remembered > 0)
        return remembered;
    return showDialog ? showDialog() : kMergeIgnore;
}
