// Tuning files (".stf") on any bytes: a file is taken whole or refused with a reason, and what was
// taken writes, reads and writes again to the same file.
#include "app/tuning/TuningFile.h"
#include "fuzz/FuzzTarget.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string Scratch(const char* what)
{
    return (std::filesystem::temp_directory_path() /
            ("vqx-fuzz-tuning-" + std::to_string(getpid()) + "-" + what + ".stf"))
        .string();
}

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

VQX_FUZZ_TARGET(tuning_file, data, size)
{
    const std::string input = Scratch("input");
    const std::string written = Scratch("written");
    {
        std::ofstream out(input, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
        VQX_FUZZ_CHECK(out.good());
    }
    const tuning::TuningFileRead read = tuning::ReadTuningFile(input);
    std::filesystem::remove(input);
    VQX_FUZZ_CHECK(read.content.has_value() == read.error.empty());
    if (!read.content)
        return;
    const tuning::TuningFileContent& c = *read.content;
    VQX_FUZZ_CHECK(c.settings.mode >= 1 && c.settings.mode <= 3);

    VQX_FUZZ_CHECK(tuning::WriteTuningFile(written, c));
    const std::string first = Contents(written);
    const tuning::TuningFileRead back = tuning::ReadTuningFile(written);
    VQX_FUZZ_CHECK(back.content.has_value());
    VQX_FUZZ_CHECK(back.content->settings == c.settings && back.content->grid == c.grid);
    VQX_FUZZ_CHECK(back.content->gains == c.gains);
    VQX_FUZZ_CHECK(tuning::WriteTuningFile(written, *back.content));
    VQX_FUZZ_CHECK(Contents(written) == first);
    std::filesystem::remove(written);
}
