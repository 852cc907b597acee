// Reading a motor's program back into a file, and comparing it with the program last downloaded.

#include "core/VQXException.h"
#include "core/analyzer/TrafficLog.h"
#include "core/motor/Motor.h"
#include "core/motor/MotorPortAccess.h"
#include "core/transfer/EndProgram.h"
#include "core/transfer/PrivateTemp.h"
#include "core/transfer/ProgramImage.h"
#include "core/transfer/TransferSteps.h"
#include "core/ui/Progress.h"
#include "core/ui/OperationContext.h"
#include "core/ui/InfoView.h"
#include "core/ui/Progress.h"
#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"

#include <cctype>
#include <cstdio>
#include <optional>

using namespace transfer;

namespace {

constexpr size_t kLogGroup = 20;
// The most bytes an upload reads before its end mark.
constexpr int64_t kMaxUploadBytes = 65535;

// The received bytes go to the analyzer in groups of 20, the last group with the closing FF.
class CReceivedLog {
public:
    explicit CReceivedLog(const CCommPort& port) : m_port(port) {}
    void Add(uint8_t b)
    {
        m_group.push_back(b);
        if (m_group.size() == kLogGroup)
            Flush();
    }
    void Flush()
    {
        if (!m_group.empty())
            LogTraffic(m_port, SDA_LOG_RECEIVED, m_group.data(), m_group.size());
        m_group.clear();
    }

private:
    const CCommPort& m_port;
    std::vector<uint8_t> m_group;
};

// A program file: a regular file no longer than any motor's program memory.
std::optional<std::string> ReadProgramFile(const std::string& path)
{
    std::string data;
    if (!platform::ReadWholeFile(path, data, 32767))
        return std::nullopt;
    return data;
}

} // namespace

void CMotor::UploadProgram(const std::string& fileName, bool showProgress, bool raw)
{
    ui::IProgress* progress = showProgress ? &Context().Progress() : nullptr;
    const bool calibration = EndsWithNoCase(fileName, ".tqc");
    // The program goes to a temporary file beside the target, which takes its place only when the
    // whole program came; an interrupted upload is kept apart as "<name>.partial".
    platform::AtomicFileWriter file;
    if (!file.Begin(fileName))
        throw CVQXException(CVQXException::CannotWriteFile, "Cannot open the file to write! (" + fileName + ")");

    CCommPort& port = PortOf(*this);
    motorport::CTimeoutScope keep(port, -1, -1);
    bool firstByte = false;
    CReceivedLog log(port);
    try {
        motorport::EnsureOpen(port);
        if (port.IsSerial())
            IsolateMotor(*this);
        SendCommand("END");
        std::string reply;
        {
            motorport::CTimeoutScope timeouts(port, -1, kChecksumTimeoutMs);
            reply = GetVariable(calibration ? "CKSC" : "CKS");
        }
        if (reply == " P")
            throw CVQXException(CVQXException::NoEEPROM, MakeMotorDataWord(port.id, Address));
        if (!IsChecksumReply(reply, false))
            throw CVQXException(CVQXException::ProgramCorrupted, MakeMotorDataWord(port.id, Address));

        port.SetTimeout(0);
        SendCommand(calibration ? "UPLOADC" : (raw ? "UP" : "UPLOAD"));
        const uint32_t stored = calibration ? CalProgSize : ProgSize;
        if (progress)
            progress->Notify(ui::kProgressTotal, stored == 0 ? -1 : static_cast<int64_t>(stored));

        char c = 0;
        if (!ReadChar(c))
            throw CVQXException(CVQXException::NoResponse, MakeMotorDataWord(port.id, Address));
        firstByte = true;
        int64_t count = 0;
        CRunOnKeywordSpacer spacer;
        const bool spaced = !raw && port.Policy().SpacesUploadedKeywords();
        while (static_cast<uint8_t>(c) != 0xFF) {
            log.Add(static_cast<uint8_t>(c));
            // The text form reads back into the compiler: CR LF line ends, run-on keywords spaced.
            std::string out = spaced ? spacer.Next(c) : std::string(1, c);
            if (!raw && c == '\n')
                out.insert(out.size() - 1, 1, '\r');
            if (!file.Write(out.data(), out.size()))
                throw CVQXException(CVQXException::CannotWriteFile, "Cannot open the file to write! (" + fileName + ")");
            // A motor that never sends the end mark is not sending a program (one is at most
            // 32767 bytes): stop instead of reading for ever.
            if (++count > kMaxUploadBytes)
                throw CVQXException(CVQXException::ProgramCorrupted, MakeMotorDataWord(port.id, Address));
            // A program that stops before its end mark is not a program: never pass it off as one.
            if (!ReadChar(c))
                throw CVQXException(CVQXException::NoResponse, MakeMotorDataWord(port.id, Address));
            if (progress)
                progress->Notify(ui::kProgressCount, count);
        }
        log.Add(0xFF);
        log.Flush();
        if (port.IsSerial())
            WakeAll(port);
        if (progress)
            progress->Notify(ui::kProgressDone, 0);
    } catch (...) {
        log.Flush();
        WakeAllQuietly(port);
        if (firstByte && file.IsOpen()) {
            // What came is kept for inspection, apart from the target.
            if (std::rename(file.TempPath().c_str(), (fileName + ".partial").c_str()) != 0)
                file.Abort();
        } else {
            file.Abort();
        }
        throw;
    }
    if (!file.Commit())
        throw CVQXException(CVQXException::CannotWriteFile, "Cannot open the file to write! (" + fileName + ")");
}

bool CMotor::CompareProgram(bool showMessages, bool showWaitText)
{
    ui::COperationContext& context = Context();
    std::optional<ui::CWaitStep> wait;
    if (showWaitText)
        wait.emplace(context.Progress(), "Uploading the program...", std::nullopt);
    context.Info().AddInfo("Uploading the program...");
    std::string path;
    try {
        path = PrivateTempFile("Motor.tqx");
        UploadProgram(path, false, false);
    } catch (const CVQXException& e) {
        if (showMessages)
            context.Info().AddException(e);
        return false;
    }
    if (showWaitText)
        context.Progress().SetText("Comparing files...", std::nullopt);
    context.Info().AddInfo("Comparing files...");
    const std::optional<std::string> uploaded = ReadProgramFile(path);
    std::remove(path.c_str());
    // The END program has no file of its own: it is compared with its image.
    const std::optional<std::string> program =
        ProgName == kEndProgramName ? std::optional<std::string>(EndProgramImage(context.Compiler(), Version))
                                    : ReadProgramFile(ProgName);
    if (!uploaded || !program) {
        context.Info().AddError("Cannot compare files.");
        return false;
    }
    if (UploadMatchesImage(*uploaded, *program))
        return true;
    // A program file that is not a compiled image (a backup of an earlier upload) is compared as
    // text, line ends aside.
    if (!program->empty() && (*program)[0] == '$')
        return false;
    auto lf = [](const std::string& s) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i)
            if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n'))
                out += s[i];
        return out;
    };
    return lf(*uploaded) == lf(*program);
}
