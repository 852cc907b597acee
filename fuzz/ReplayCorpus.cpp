// Every fuzz target run on each of its saved inputs (fuzz/corpus/<target>/): the inputs that once
// crashed or hung a reader, and the seeds. A target that aborts fails its test; the input it was
// on is the last one the test printed.
#include "fuzz/FuzzTarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace fuzz {

namespace {
std::map<std::string, TargetFunction>& Targets()
{
    static std::map<std::string, TargetFunction> targets;
    return targets;
}
} // namespace

bool RegisterTarget(const char* name, TargetFunction function)
{
    Targets()[name] = function;
    return true;
}

} // namespace fuzz

namespace {

std::vector<std::string> TargetNames()
{
    std::vector<std::string> names;
    for (const auto& [name, function] : fuzz::Targets())
        names.push_back(name);
    return names;
}

std::vector<fs::path> SavedInputs(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzCorpus : public testing::TestWithParam<std::string> {};

TEST_P(FuzzCorpus, EverySavedInputRunsClean)
{
    const fs::path folder = fs::path(VQX_FUZZ_CORPUS_DIR) / GetParam();
    const std::vector<fs::path> inputs = SavedInputs(folder);
    ASSERT_FALSE(inputs.empty()) << "no saved inputs in " << folder;
    const fuzz::TargetFunction target = fuzz::Targets().at(GetParam());
    for (const fs::path& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_TRUE(in.good() || in.eof()) << input;
        std::fprintf(stderr, "replaying %s (%zu bytes)\n", input.c_str(), bytes.size());
        target(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus, testing::ValuesIn(TargetNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(FuzzCorpus, EveryCorpusFolderBelongsToATarget)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(VQX_FUZZ_CORPUS_DIR), ec)) {
        if (entry.is_directory()) {
            EXPECT_EQ(fuzz::Targets().count(entry.path().filename().string()), 1u) << entry.path();
        }
    }
    EXPECT_FALSE(ec) << ec.message();
    EXPECT_EQ(fuzz::Targets().size(), 16u) << "one target per reader of outside input";
}

} // namespace
