#pragma once
// The motor-models table and its database file "TQModels.tqm": a tagged archive of
// class "VQXModelsFile" holding a group "TQModels" with one group "Arr%d" per model
// (CMotorModel). The application loads it once at start (LoadMotorModels) and does not start
// without it; every CMotor holds the index of its model in the table.
//
// What the program relies on: index 0 is "no model"; index 4 is the model given to motors
// without EEPROM; at most 200 models.

#include "core/shared/MotorModel.h"

#include <memory>
#include <string>
#include <vector>

inline constexpr const char* kModelsFileName = "TQModels.tqm";
inline constexpr const char* kModelsClassName = "VQXModelsFile";
inline constexpr const char* kModelsGroup = "TQModels";
// The message of a failed load; the program then ends.
inline constexpr const char* kModelsOpenError = "Cannot open the TQModels database file, please reinstall VQX.";
// The registry value that overrides the file's path (HKEY_LOCAL_MACHINE).
inline constexpr const char* kModelsRegistryKey = "SOFTWARE\\Korvessan\\Tessaraxon";
inline constexpr const char* kModelsRegistryValue = "ModelsFile";
// Fixed model indexes the callers rely on.
inline constexpr int kNoModelIndex = 0;
inline constexpr int kNoEEPROMModelIndex = 4;

class CMotorModels {
public:
    static constexpr int kMaxModels = 200;

    CMotorModels() = default;
    explicit CMotorModels(bool borrowed) : m_borrowed(borrowed) {}

    int GetCount() const { return static_cast<int>(m_models.size()); }
    // The model at a table index; none when the index is out of range.
    const CMotorModel* Get(int index) const;
    CMotorModel* Get(int index);
    // Appends a copy (false when the table is full); a table that is not borrowed sets its Index.
    bool Add(const CMotorModel& model);
    void Clear() { m_models.clear(); }
    bool IsBorrowed() const { return m_borrowed; }

    // Replaces the table by the models of the file. False, with the table unchanged and *error
    // set to kModelsOpenError followed by the reason, when the file cannot be read as a models
    // database. A file without the "TQModels" group gives an empty table. Models beyond 200 are
    // left out, with a warning text. `mode` is the archive's mode word (CTagArchive::kSkipPictures
    // loads no picture bytes).
    bool Load(const std::string& path, std::string* error = nullptr, std::vector<std::string>* warnings = nullptr,
              uint32_t mode = 0);
    // The same from an archive of class kModelsClassName opened for reading; `source` names it
    // in the texts.
    bool Load(CTagArchive& ar, const std::string& source, std::string* error = nullptr,
              std::vector<std::string>* warnings = nullptr);
    // Writes the table as a models database; false when it cannot be written.
    bool Save(const std::string& path) const;

private:
    bool m_borrowed = false;
    std::vector<CMotorModel> m_models;
};

// The program's one models table.
CMotorModels& GetMotorModels();

// LoadMotorModels: loads the program's table from the models file. The path is the
// registry value "ModelsFile" of HKEY_LOCAL_MACHINE\SOFTWARE\Korvessan\Tessaraxon when present,
// else "TQModels.tqm" in the program folder (not the current folder, so the start does not
// depend on where the program is started from). False with *error set when it cannot be loaded;
// the caller shows the message and ends.
bool LoadMotorModels(std::string* error = nullptr, std::vector<std::string>* warnings = nullptr);
// The path LoadMotorModels reads.
std::string MotorModelsPath();
