// The models table a motor reads, and the choice of a motor's model from its model text.

#include "core/motor/MotorModels.h"
#include "core/motor/Motor.h"

#include <algorithm>
#include <cctype>

namespace {

// Until the program loads its models table, no model is known.
class CNoModels final : public IMotorModels {
public:
    int Count() const override { return 0; }
    std::string Name(int) const override { return {}; }
    uint32_t EncoderResolution(int) const override { return 0; }
};

const IMotorModels*& Installed()
{
    static const IMotorModels* models = nullptr;
    return models;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// One round of the three rules; 0 when none matches. An empty text matches nothing.
int MatchOnce(const IMotorModels& models, const std::string& model)
{
    if (model.empty())
        return 0;
    const std::string wanted = Lower(model);
    int shortestContaining = 0, longestContained = 0;
    size_t shortestLen = 0, longestLen = 0;
    for (int i = 1; i < models.Count(); ++i) {
        const std::string name = Lower(models.Name(i));
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

const IMotorModels& GetMotorModels()
{
    static const CNoModels none;
    return Installed() ? *Installed() : none;
}

void SetMotorModels(const IMotorModels* models) { Installed() = models; }

std::string MotorModelName(int index)
{
    const IMotorModels& models = GetMotorModels();
    return index >= 0 && index < models.Count() ? models.Name(index) : std::string();
}

int CMotor::MatchModel()
{
    const IMotorModels& models = GetMotorModels();
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
