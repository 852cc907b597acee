#include "core/shared/MotorModels.h"

#include "core/archive/TagArchive.h"

#include <exception>

const CMotorModel* CMotorModels::Get(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return &m_models[static_cast<size_t>(index)];
}

CMotorModel* CMotorModels::Get(int index)
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return &m_models[static_cast<size_t>(index)];
}

bool CMotorModels::Add(const CMotorModel& model)
{
    if (GetCount() >= kMaxModels)
        return false;
    m_models.push_back(model);
    if (!m_borrowed)
        m_models.back().Index = GetCount() - 1;
    return true;
}

namespace {

bool Failed(std::string* error, const std::string& reason)
{
    if (error)
        *error = std::string(kModelsOpenError) + (reason.empty() ? "" : "\n" + reason);
    return false;
}

std::string NotADatabase(const std::string& source)
{
    return "\"" + source + "\" is missing, unreadable or not a models database.";
}

} // namespace

bool CMotorModels::Load(const std::string& path, std::string* error, std::vector<std::string>* warnings,
                        uint32_t mode)
{
    auto fail = [&](const std::string& reason) { return Failed(error, reason); };
    CTagArchive ar(kModelsClassName, mode);
    if (!ar.OpenForRead(path))
        return fail(NotADatabase(path));
    return Load(ar, path, error, warnings);
}

bool CMotorModels::Load(CTagArchive& ar, const std::string& source, std::string* error,
                        std::vector<std::string>* warnings)
{
    auto fail = [&](const std::string& reason) { return Failed(error, reason); };
    if (!ar.IsLoading())
        return fail(NotADatabase(source));
    try {
        std::vector<CMotorModel> models;
        if (ar.OpenGroup(kModelsGroup)) {
            const int n = ar.GetGroupCount();
            const int kept = n > kMaxModels ? kMaxModels : n;
            if (n > kMaxModels && warnings)
                warnings->push_back("The models database \"" + source + "\" holds " + std::to_string(n) +
                                    " models; only the first " + std::to_string(kMaxModels) + " are used.");
            models.reserve(static_cast<size_t>(kept));
            for (int i = 0; i < kept; ++i) {
                CMotorModel model;
                model.Serialize(CTagArchive::ArrName(i), ar);
                if (!m_borrowed)
                    model.Index = i;
                models.push_back(std::move(model));
            }
            ar.CloseGroup();
        }
        ar.Close();
        m_models = std::move(models);
        return true;
    } catch (const std::exception& e) {
        return fail(e.what());
    } catch (...) {
        return fail({});
    }
}

bool CMotorModels::Save(const std::string& path) const
{
    try {
        CTagArchive ar(kModelsClassName);
        if (!ar.OpenForWrite(path))
            return false;
        ar.SerializeList(kModelsGroup, GetCount(), kMaxModels, [&](int i, const std::string& arrName) {
            CMotorModel copy = m_models[static_cast<size_t>(i)];
            copy.Serialize(arrName, ar);
        });
        return ar.Close();
    } catch (...) {
        return false;
    }
}

CMotorModels& GetMotorModels()
{
    static CMotorModels models;
    return models;
}
