// The choice of a motor's model from its model text, against the program's models table.

#include "core/motor/Motor.h"
#include "core/shared/MotorModels.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// One round of the three rules; 0 when none matches. An empty text matches nothing and a model
// without a name is never chosen.
int MatchOnce(const CMotorModels& models, const std::string& model)
{
    if (model.empty())
        return 0;
    const std::string wanted = Lower(model);
    int shortestContaining = 0, longestContained = 0;
    size_t shortestLen = 0, longestLen = 0;
    for (int i = 1; i < models.GetCount(); ++i) {
        const std::string name = Lower(models.Get(i)->Name);
        if (name.empty())
            continue;
        if (name == wanted)
            return i;
        if (name.find(wanted) != std::string::npos && (shortestContaining == 0 || name.size() < shortestLen)) {
            shortestContaining = i;
            shortestLen = name.size();
        }
        if (wanted.find(name) != std::string::npos && name.size() > longestLen) {
            longestContained = i;
            longestLen = name.size();
        }
    }
    return shortestContaining != 0 ? shortestContaining : longestContained;
}

} // namespace

std::string MotorModelName(int index)
{
    const CMotorModel* model = GetMotorModels().Get(index);
    return model ? model->Name : std::string();
}

uint32_t MotorModelEncoderResolution(int index)
{
    const CMotorModel* model = GetMotorModels().Get(index);
    return model ? model->EncoderResolution : 0;
}

bool IsMotorModelIndex(int index) { return index >= 0 && index < GetMotorModels().GetCount(); }

int CMotor::MatchModel()
{
    const CMotorModels& models = GetMotorModels();
    std::string text = Model;
    int found = MatchOnce(models, text);
    if (found == 0) {
        while (!text.empty() && IsCapital(text.back()))
            text.pop_back();
        found = MatchOnce(models, text);
    }
    if (found == 0) {
        size_t lead = 0;
        while (lead < text.size() && IsCapital(text[lead]))
            ++lead;
        found = MatchOnce(models, text.substr(lead));
    }
    MotorType = found;
    return found;
}
