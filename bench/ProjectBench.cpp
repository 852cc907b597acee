// Figures for the project file and the terminal text (printed, not asserted):
//  - saving and loading a project of 30 ports with 120 motors each (goal: under 100 ms each);
//  - a terminal pane taking 1,000,000 characters of received text in blocks of 999 with its trim
//    rule, and writing the result as a ".trm" RTF file (goal: under 1 s).

#include "app/project/Project.h"
#include "app/project/TerminalPane.h"
#include "app/project/TerminalText.h"
#include "core/archive/TagArchive.h"
#include "core/detect/DetectionFrame.h"
#include "core/port/CommPort.h"
#include "platform/fs/AtomicFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double MsSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main()
{
    char folder[] = "/tmp/vqx-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string file = std::string(folder) + "/Big.spj";

    CProject project;
    project.isDefault = false;
    project.Name = "Big";
    project.FileName = file;
    for (int p = 0; p < CProject::kMaxPorts; ++p) {
        auto port = std::make_unique<CCommPort>();
        port->Name = port->PortName = "Com" + std::to_string(p + 1);
        port->SetMaxMotors(120);
        project.AddPort(std::move(port));
        for (int a = 1; a <= 120; ++a)
            EnterDetectedMotor(*project.Port(p), a);
    }
    auto t0 = std::chrono::steady_clock::now();
    const bool saved = project.Save();
    const double saveMs = MsSince(t0);
    // Saved again, as a user does: the file is there now.
    t0 = std::chrono::steady_clock::now();
    const bool savedAgain = project.Save();
    const double againMs = MsSince(t0);
    CProject loaded;
    t0 = std::chrono::steady_clock::now();
    loaded.Load(file);
    const double loadMs = MsSince(t0);
    std::printf("project of 30 ports x 120 motors: save %.1f ms (%s), saved again %.1f ms (%s), load %.1f ms (%d ports, "
                "%d motors on the last) - goal under 100 ms each\n",
                saveMs, saved ? "ok" : "FAILED", againMs, savedAgain ? "ok" : "FAILED", loadMs, loaded.PortCount(),
                loaded.PortCount() ? loaded.Port(loaded.PortCount() - 1)->MotorCount() : 0);

    // Where the time of a save goes: the records built in memory, then the file written and
    // flushed to disk (the atomic replacement's fsync).
    CTagArchive ar(kProjectClass);
    t0 = std::chrono::steady_clock::now();
    ar.OpenForWriteMemory();
    for (int p = 0; p < project.PortCount(); ++p)
        project.Port(p)->Serialize("Arr" + std::to_string(p), ar);
    ar.Close();
    const std::vector<uint8_t> bytes = ar.TakeBytes();
    const double recordsMs = MsSince(t0);
    t0 = std::chrono::steady_clock::now();
    platform::AtomicFileWriter out;
    bool written = out.Begin(file) && out.Write(bytes.data(), bytes.size());
    const double writeMs = MsSince(t0);
    // Commit: fsync of the temporary file, the rename over the old one, fsync of the folder.
    t0 = std::chrono::steady_clock::now();
    written = written && out.Commit();
    const double commitMs = MsSince(t0);
    std::printf("  of a save: the port records built in memory %.1f ms, the file (%zu bytes) written %.1f ms, "
                "flushed to disk and renamed into place %.1f ms (%s)\n",
                recordsMs, bytes.size(), writeMs, commitMs, written ? "ok" : "FAILED");

    CTerminalTranscript text;
    CTerminalPane pane;
    pane.Attach(&text, nullptr);
    std::string block(999, 'x');
    for (size_t i = 79; i < block.size(); i += 80)
        block[i] = '\n';
    t0 = std::chrono::steady_clock::now();
    size_t appended = 0;
    while (appended < 1000000) {
        pane.TrimText();
        text.Append(block, TermFormat::Response);
        appended += block.size();
    }
    const double appendMs = MsSince(t0);
    t0 = std::chrono::steady_clock::now();
    const std::string rtf = text.ToRtf(TerminalStyle{});
    const double rtfMs = MsSince(t0);
    std::printf("terminal text: %zu characters received in %.1f ms (pane holds %zu), written as RTF "
                "(%zu bytes) in %.1f ms - goal under 1 s\n",
                appended, appendMs, text.Length(), rtf.size(), rtfMs);
    std::remove(file.c_str());
    std::remove(folder);
    return 0;
}
