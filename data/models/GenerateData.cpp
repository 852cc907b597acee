// vqx-gen-data: turns the text sources of data/models into the shipped data files.
//
//   vqx-gen-data models <TQModels.txt> <TQModels.tqm>   the motor-models database (tagged archive)
//   vqx-gen-data tips <Tips.txt> <Tips.dat>            the tips of the day
//
// The formats of the sources are described at the top of each source file. Any mistake in a
// source (unknown key, bad number, wrong index, too many records) stops the build with the file
// name and line.

#include "core/shared/MotorModels.h"
#include "core/shared/Tips.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw SourceError(path + ": cannot be read");
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string FolderOf(const std::string& path)
{
    const auto pos = path.find_last_of('/');
    return pos == std::string::npos ? std::string(".") : path.substr(0, pos);
}

std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'n' || s[i + 1] == '\\')) {
            out += s[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

double ParseNumber(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v))
        throw std::invalid_argument("not a number: \"" + text + "\"");
    return v;
}

long long ParseInteger(const std::string& text, long long min, long long max)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno != 0 || v < min || v > max)
        throw std::invalid_argument("not an integer in " + std::to_string(min) + ".." + std::to_string(max) + ": \"" +
                                    text + "\"");
    return v;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::invalid_argument("picture \"" + path + "\" cannot be read");
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void SetField(CMotorModel& m, const std::string& key, const std::string& value, const std::string& folder,
              int position)
{
    static const std::map<std::string, double CMotorModel::*> doubles = {
        {"ContinuousTorque", &CMotorModel::ContinuousTorque},
        {"PeakTorque", &CMotorModel::PeakTorque},
        {"TorqueConstant", &CMotorModel::TorqueConstant},
        {"NominalContinuousPower", &CMotorModel::NominalContinuousPower},
        {"TopSpeed", &CMotorModel::TopSpeed},
        {"VoltageConstant", &CMotorModel::VoltageConstant},
        {"WindingResistance", &CMotorModel::WindingResistance},
        {"RotorInteria", &CMotorModel::RotorInteria},
        {"ShaftDiameter", &CMotorModel::ShaftDiameter},
        {"Weight", &CMotorModel::Weight},
        {"Length", &CMotorModel::Length},
        {"Width", &CMotorModel::Width},
    };
    static const std::map<std::string, int32_t CMotorModel::*> ints = {
        {"Poles", &CMotorModel::Poles}, {"Slots", &CMotorModel::Slots}, {"KP", &CMotorModel::KP},
        {"KI", &CMotorModel::KI},       {"KD", &CMotorModel::KD},       {"KL", &CMotorModel::KL},
        {"KS", &CMotorModel::KS},       {"KV", &CMotorModel::KV},       {"KA", &CMotorModel::KA},
        {"KG", &CMotorModel::KG},
    };
    static const std::map<std::string, uint32_t CMotorModel::*> dwords = {
        {"EncoderResolution", &CMotorModel::EncoderResolution},
        {"Flags", &CMotorModel::Flags},
    };
    if (key == "Name") {
        m.Name = Unescape(value);
    } else if (key == "Comments") {
        m.Comments = Unescape(value);
    } else if (key == "Index") {
        if (ParseInteger(value, INT32_MIN, INT32_MAX) != position)
            throw std::invalid_argument("Index " + value + " but this is record " + std::to_string(position));
    } else if (auto d = doubles.find(key); d != doubles.end()) {
        m.*(d->second) = ParseNumber(value);
    } else if (auto i = ints.find(key); i != ints.end()) {
        m.*(i->second) = static_cast<int32_t>(ParseInteger(value, INT32_MIN, INT32_MAX));
    } else if (auto w = dwords.find(key); w != dwords.end()) {
        m.*(w->second) = static_cast<uint32_t>(ParseInteger(value, 0, UINT32_MAX));
    } else if (key == "LEDs") {
        std::istringstream pairs(value);
        std::string pair;
        size_t n = 0;
        while (pairs >> pair) {
            if (n >= m.LEDs.size())
                throw std::invalid_argument("more than 5 LED places");
            const auto comma = pair.find(',');
            if (comma == std::string::npos)
                throw std::invalid_argument("LED place \"" + pair + "\" is not x,y");
            const auto x = ParseInteger(pair.substr(0, comma), INT16_MIN, INT16_MAX);
            const auto y = ParseInteger(pair.substr(comma + 1), INT16_MIN, INT16_MAX);
            m.LEDs[n++] = CMotorModel::MakeLed(static_cast<int16_t>(x), static_cast<int16_t>(y));
        }
    } else if (key == "Picture") {
        if (!value.empty())
            m.SetPicture(ReadFileBytes(value.front() == '/' ? value : folder + "/" + value));
    } else {
        throw std::invalid_argument("unknown key \"" + key + "\"");
    }
}

CMotorModels ParseModels(const std::string& path)
{
    const auto lines = ReadLines(path);
    const std::string folder = FolderOf(path);
    CMotorModels table;
    std::vector<CMotorModel> models;
    std::set<std::string> keys;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string where = path + ":" + std::to_string(n + 1) + ": ";
        const std::string line = Trim(lines[n]);
        if (line.empty() || line[0] == '#')
            continue;
        if (line == "[Model]") {
            if (static_cast<int>(models.size()) >= CMotorModels::kMaxModels)
                throw SourceError(where + "more than " + std::to_string(CMotorModels::kMaxModels) + " models");
            models.emplace_back();
            keys.clear();
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            throw SourceError(where + "expected \"[Model]\" or \"Key = Value\"");
        if (models.empty())
            throw SourceError(where + "a value before the first \"[Model]\"");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (!keys.insert(key).second)
            throw SourceError(where + "\"" + key + "\" given twice");
        try {
            SetField(models.back(), key, value, folder, static_cast<int>(models.size()) - 1);
        } catch (const std::invalid_argument& e) {
            throw SourceError(where + e.what());
        }
    }
    if (models.size() <= static_cast<size_t>(kNoEEPROMModelIndex))
        throw SourceError(path + ": the program relies on records 0 (no model) and 4 (motors without EEPROM)");
    for (const auto& m : models)
        table.Add(m);
    return table;
}

std::vector<std::string> ParseTips(const std::string& path)
{
    const auto lines = ReadLines(path);
    std::vector<std::string> tips;
    std::vector<std::string> current;
    bool started = false;
    auto flush = [&] {
        while (!current.empty() && Trim(current.front()).empty())
            current.erase(current.begin());
        while (!current.empty() && Trim(current.back()).empty())
            current.pop_back();
        if (!current.empty()) {
            std::string tip;
            for (size_t i = 0; i < current.size(); ++i)
                tip += (i ? "\n" : "") + current[i];
            tips.push_back(tip);
        }
        current.clear();
    };
    for (const auto& raw : lines) {
        if (!raw.empty() && raw[0] == '#')
            continue;
        if (Trim(raw) == "%") {
            if (started)
                flush();
            started = true;
            continue;
        }
        if (started) {
            std::string line = raw;
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
                line.pop_back();
            current.push_back(line);
        } else if (!Trim(raw).empty()) {
            throw SourceError(path + ": text before the first \"%\" line");
        }
    }
    flush();
    if (tips.empty())
        throw SourceError(path + ": no tips");
    return tips;
}

int Usage()
{
    std::cerr << "usage: vqx-gen-data models <TQModels.txt> <TQModels.tqm>\n"
                 "       vqx-gen-data tips <Tips.txt> <Tips.dat>\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return Usage();
    const std::string what = argv[1], source = argv[2], target = argv[3];
    try {
        if (what == "models") {
            const CMotorModels table = ParseModels(source);
            if (!table.Save(target))
                throw SourceError(target + ": cannot be written");
            // Read it back as the program will.
            CMotorModels check;
            std::string error;
            if (!check.Load(target, &error) || check.GetCount() != table.GetCount())
                throw SourceError(target + ": does not load back: " + error);
            return 0;
        }
        if (what == "tips") {
            const auto tips = ParseTips(source);
            if (!WriteTipsFile(target, tips))
                throw SourceError(target + ": cannot be written");
            return 0;
        }
        return Usage();
    } catch (const std::exception& e) {
        std::cerr << "vqx-gen-data: " << e.what() << "\n";
        std::remove(target.c_str());
        return 1;
    }
}
