#pragma once
// The tuning file (".stf", archive class "VQXTuningFile"): the motor a run was taken on, the run's
// settings and grid switches, the gains of the Tuning Values page and the samples. Reading goes
// into a fresh content object and is refused whole when the file is not a tuning file or its
// values do not hold together, so a bad file never changes the window.
#include "app/tuning/SampleArray.h"
#include "app/tuning/TuningSettings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class CTagArchive;

namespace tuning {

// KP, KI, KD, KL, KS, KV, KA, KG.
using Gains = std::array<int32_t, 8>;
inline constexpr const char* kGainNames[8] = {"KP", "KI", "KD", "KL", "KS", "KV", "KA", "KG"};
// Group "TuningValues" (or another name): a missing gain reads 0; an absent group leaves `gains` unset.
void SerializeGains(const std::string& group, CTagArchive& ar, std::optional<Gains>& gains);

inline constexpr const char* kTuningFileClass = "VQXTuningFile";
inline constexpr const char* kTuningFilter = "VQX Tuning Files (*.stf)|*.stf|All Files (*.*)|*.*||";
inline constexpr const char* kCannotWrite = "Cannot open the file to write!";
inline constexpr const char* kCannotOpen = "Cannot open the file specified!";

struct TuningFileContent {
    int32_t channel = 0;
    int32_t address = 1;
    TuningSettings settings;   // the file's defaults: Speed and Acceleration 100000
    GridChecks grid;
    int32_t rulerSample = 0;   // read, never written
    std::optional<Gains> gains;
    CSampleArray position;
    CSampleArray posError;
    bool hasPosition = false;
    bool hasPosError = false;
};

// False when the file cannot be written (the old file is left whole).
bool WriteTuningFile(const std::string& path, const TuningFileContent& content);
// The content, or the reason the file is refused (kCannotOpen for a file that is no tuning file).
struct TuningFileRead {
    std::optional<TuningFileContent> content;
    std::string error;
};
TuningFileRead ReadTuningFile(const std::string& path);

} // namespace tuning
