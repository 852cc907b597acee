// The compiler object through CoCreateInstance: good and bad programs, every message walked with
// GoFirst/GoNext, the limits, files made next to their sources, and a compiled file a simulated
// motor accepts by its checksum.
#include "tests/engine/EngineClientFixture.h"

#include "tests/sim/wiring/SerialRig.h"

#include <filesystem>
#include <fstream>

using namespace vqxsim;

namespace {

struct Message {
    LONG code;
    LONG line;
    LONG column;
    std::string text;
    bool operator==(const Message&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Message& m)
{
    return o << "{" << m.code << ", " << m.line << ", " << m.column << ", \"" << m.text << "\"}";
}

class EngineScan : public EngineClient {
protected:
    void SetUp() override
    {
        EngineClient::SetUp();
        ASSERT_EQ(CoCreateInstance(CLSID_VQXScan, nullptr, CLSCTX_INPROC_SERVER, IID_IVQXScan, scan.outVoid()), S_OK);
        ASSERT_EQ(scan->QueryInterface(IID_IVQXErrors, errors.outVoid()), S_OK);
    }
    void TearDown() override
    {
        errors.reset();
        scan.reset();
        EngineClient::TearDown();
    }
    // Every message of the last compile, walked as a client does.
    std::vector<Message> Walk()
    {
        std::vector<Message> all;
        EXPECT_EQ(errors->GoFirst(), S_OK);
        for (int guard = 0; guard < 1000; ++guard) {
            Message m{};
            Bstr text;
            if (errors->get_Code(&m.code) != S_OK) {
                (void)TakeEngineError();
                break;
            }
            LONG warning = -1;
            EXPECT_EQ(errors->get_Line(&m.line), S_OK);
            EXPECT_EQ(errors->get_Column(&m.column), S_OK);
            EXPECT_EQ(errors->get_Description(text.out()), S_OK);
            EXPECT_EQ(errors->get_IsWarning(&warning), S_OK);
            EXPECT_EQ(warning, m.code > 99 ? 1 : 0);
            m.text = text.bytes();
            all.push_back(m);
            if (errors->GoNext() != S_OK) {
                EXPECT_EQ(TakeEngineError().code, 33);
                break;
            }
        }
        return all;
    }
    std::vector<Message> Compile(const std::string& program)
    {
        EXPECT_EQ(scan->Scan(Bstr(program).get()), S_OK);
        return Walk();
    }
    ComPtr<IVQXScan> scan;
    ComPtr<IVQXErrors> errors;
};

TEST_F(EngineScan, MessagesOfTheEngineVariant)
{
    const std::string range120 = "Constant out of range. (0 .. 120).";
    struct Case {
        const char* program;
        std::vector<Message> expected;
    };
    const Case cases[] = {
        {"a=5\nADDR=120\nA100\nA=2000\nGOTO1\nC1\nEND\n", {}},
        {"ADDR=121\nEND\n", {{111, 0, 5, range120}}},
        {"ADDR=a\nEND\n", {{200, 0, 5, "Possible loss of data/Range mismatch."}}},
        // An array element takes its value class: a user variable (32 bits) may not fit a byte.
        {"ab[0]=a\nEND\n", {{200, 0, 6, "Possible loss of data/Range mismatch."}}},
        {"ab[0]=aw[1]\nEND\n", {{200, 0, 6, "Possible loss of data/Range mismatch."}}},
        {"al[0]=a\naw[0]=ab[1]\nab[0]=-128\nEND\n", {}},
        {"ab[0]=128\nEND\n", {{114, 0, 6, "Constant out of range. (-128 .. 127)."}}},
        {"ab[204]=1\nEND\n", {{113, 0, 3, "Constant out of range. (0 .. 203)."}}},
        // An expression takes one operator: the third term is left over.
        {"a=1+2+3\nEND\n", {{20, 0, 5, "Syntax error."}}},
        {"C1000\nEND\n", {{116, 0, 0, "Constant out of range. (0 .. 999)."}}},
        {"@P=5\nEND\n", {{23, 0, 2, "Lvalue required."}}},
        {"GOTO12\nEND\n", {{25, 0, 0, "Destination label not found."}}},
        {"GOTO1000\nEND\n",
         {{116, 0, 0, "Constant out of range. (0 .. 999)."}, {25, 0, 0, "Destination label not found."}}},
        {"a=1\n", {{24, 0, 0, "'END' expected."}}},
        {"IF a==1\nEND\n", {{26, 0, 0, "Illegal 'IF' without matching 'ENDIF'."}}},
        // A second ELSE is told at the token after it, on its line or the next that is no comment.
        {"IF a==1\nELSE\nELSE\nENDIF\nEND\n", {{29, 3, 0, "More than one 'ELSE'."}}},
        {"IF a==1\nELSE\nELSE a=1\nENDIF\nEND\n", {{29, 2, 5, "More than one 'ELSE'."}}},
        {"IF a==1\nELSE\nELSE 'x\n'c\nENDIF\nEND\n", {{29, 4, 0, "More than one 'ELSE'."}}},
        {"SWITCH a\nCASE 1\nDEFAULT\nCASE 2\nENDS\nEND\n", {{38, 3, 0, "Illegal 'CASE' after 'DEFAULT'."}}},
        {"BREAK\nEND\n", {{41, 0, 0, "Illegal 'BREAK' without 'WHILE' or 'SWITCH'."}}},
        {"OCHN(RS3,0,N,9600,1,8,C)\nEND\n", {{10, 0, 5, "Communication type expected.(RS2,RS4,IIC)."}}},
        {"OCHN(RS2,0,X,9600,1,8,C)\nEND\n", {{11, 0, 11, "Parity expected (I,N,O,E)."}}},
        {"OCHN(RS2,0,N,9601,1,8,C)\nEND\n", {{123, 0, 13, "A bitrate value expected."}}},
        {"PRINT(\"a\nEND\n", {{1, 0, 7, "New Line in constant string."}}},
        {"a=5/0\nEND\n", {{19, 0, 3, "Invalid expression."}}},
        // A command's operand after a comma is a number unless its type takes an expression.
        {"AOUTA,5\nEND\n", {}},
        {"AOUTA,a\nEND\n", {{4, 0, 6, "Number expected."}}},
        {"AOUTA,5+1\nEND\n", {{20, 0, 7, "Syntax error."}}},
        {"DOUTA1,a+1\nEND\n", {}},
        // Bare line feeds: a blank line is no line; carriage returns keep every line.
        {"a=1\n\n\nADDR=121\nEND", {{111, 1, 5, range120}}},
        {"a=1\r\n\r\nADDR=121\r\nEND\r\n", {{111, 2, 5, range120}}},
        // After an error the rest of its line is not checked.
        {"@P=5 ADDR=999\nEND\n", {{23, 0, 2, "Lvalue required."}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const auto got = Compile(c.program);
        EXPECT_EQ(got, c.expected);
        LONG n = -1, w = -1;
        EXPECT_EQ(errors->get_NoOfErrors(&n), S_OK);
        EXPECT_EQ(errors->get_NoOfWarnings(&w), S_OK);
        LONG expectedErrors = 0, expectedWarnings = 0;
        for (const auto& m : c.expected)
            ++(m.code > 99 ? expectedWarnings : expectedErrors);
        EXPECT_EQ(n, expectedErrors);
        EXPECT_EQ(w, expectedWarnings);
    }
}

TEST_F(EngineScan, LimitsCursorAndFiles)
{
    // A null program changes nothing: the messages and the cursor of the last compile stay.
    ASSERT_EQ(Compile("@P=1\n@V=2\nEND\n").size(), 2u);
    ASSERT_EQ(errors->GoFirst(), S_OK);
    ASSERT_EQ(errors->GoNext(), S_OK);
    ASSERT_EQ(scan->Scan(nullptr), S_OK);
    LONG code = 0;
    EXPECT_EQ(errors->get_Line(&code), S_OK);
    EXPECT_EQ(code, 1);
    // Past the last entry: 33 for the walk and for every reader.
    EXPECT_ENGINE_ERROR(errors->GoNext(), IID_IVQXErrors, 33, "No more errors/warnings!");
    Bstr text;
    EXPECT_ENGINE_ERROR(errors->get_Description(text.out()), IID_IVQXErrors, 33, "No more errors/warnings!");
    EXPECT_ENGINE_ERROR(errors->get_Code(&code), IID_IVQXErrors, 33, "No more errors/warnings!");
    // Limits: above 0 only; with MaxErrors 3 the third error is followed by the list's own entry.
    EXPECT_ENGINE_ERROR(errors->put_MaxErrors(0), IID_IVQXErrors, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(errors->put_MaxWarnings(-1), IID_IVQXErrors, 19, "Invalid Data!");
    ASSERT_EQ(errors->put_MaxErrors(3), S_OK);
    const auto limited = Compile("@P=1\n@P=1\n@P=1\n@P=1\n@P=1\n");
    ASSERT_EQ(limited.size(), 4u);
    EXPECT_EQ(limited[2], (Message{23, 2, 2, "Lvalue required."}));
    EXPECT_EQ(limited[3], (Message{21, -1, -1, "Too many Errors."}));
    LONG n = 0;
    EXPECT_EQ(errors->get_NoOfErrors(&n), S_OK);
    EXPECT_EQ(n, 4);
    ASSERT_EQ(errors->put_MaxErrors(50), S_OK);
    ASSERT_EQ(errors->put_MaxWarnings(2), S_OK);
    const auto warned = Compile("ADDR=200\nADDR=300\nADDR=400\nEND\n");
    ASSERT_EQ(warned.size(), 3u);
    EXPECT_EQ(warned[2], (Message{22, -1, -1, "Too many Warnings."}));
    EXPECT_EQ(errors->get_NoOfWarnings(&n), S_OK);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(errors->get_NoOfErrors(&n), S_OK);
    EXPECT_EQ(n, 1);

    // Files: next to the source, only the file name's own dot cut; errors write nothing.
    TempFolder folder;
    const std::string dir = folder.Path() + "/dir.v2";
    std::filesystem::create_directories(dir);
    const auto write = [](const std::string& path, const std::string& text) { std::ofstream(path) << text; };
    write(dir + "/prog.tqs", "a=1\nC3\nPRINT(\"a=\",a,#13)\nGOTO3\nEND\n");
    write(dir + "/bad.tqs", "@P=1\nEND\n");
    write(dir + "/plain", "END\n");
    LONG result = -1;
    ASSERT_EQ(scan->MakeTQX(Bstr(dir + "/prog.tqs").get(), &result), S_OK) << TakeEngineError().text;
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(std::filesystem::exists(dir + "/prog.tqx"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() + "/dir.tqx"));
    ASSERT_EQ(scan->MakeTQX(Bstr(dir + "/bad.tqs").get(), &result), S_OK);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(std::filesystem::exists(dir + "/bad.tqx"));
    ASSERT_EQ(scan->MakeTQX(Bstr(dir + "/plain").get(), &result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(std::filesystem::exists(dir + "/plain.tqx"));
    ASSERT_EQ(scan->MakeTQX2(Bstr(dir + "/prog.tqs").get(), Bstr(dir + "/other.tqx").get(), &result), S_OK);
    EXPECT_EQ(result, 1);
    std::ifstream in(dir + "/other.tqx", std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GE(image.size(), 27u);
    EXPECT_EQ(image.substr(0, 5), "$4000");
    // Header: checksum, length and label sum (six hex digits each), label count (four), the labels.
    const size_t labels = std::stoul(image.substr(23, 4), nullptr, 16);
    EXPECT_EQ(labels % 4, 0u);
    EXPECT_GE(image.size(), 27 + 4 * labels + std::stoul(image.substr(11, 6), nullptr, 16) - 8);
    // Refusals and files that cannot be read or written.
    EXPECT_ENGINE_ERROR(scan->ScanFile(nullptr), IID_IVQXScan, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(scan->MakeTQX(nullptr, &result), IID_IVQXScan, 19, "Invalid Data!");
    EXPECT_ENGINE_ERROR(scan->MakeTQX2(Bstr(dir + "/prog.tqs").get(), nullptr, &result), IID_IVQXScan, 19,
                        "Invalid Data!");
    EXPECT_EQ(scan->ScanFile(Bstr(dir + "/missing.tqs").get()), E_FAIL);
    EXPECT_EQ(TakeEngineError().code, 34);
    EXPECT_EQ(scan->MakeTQX2(Bstr(dir + "/prog.tqs").get(), Bstr(dir + "/no/such/x.tqx").get(), &result), E_FAIL);
    EXPECT_EQ(TakeEngineError().code, 35);
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(scan->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support)), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IVQXErrors), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IVQXComm), S_FALSE);
    support->Release();

    // The compiled file, downloaded to a simulated motor, is accepted by its checksum.
    auto rig = SerialRig::Bus(MakeProfiles(1, MotorProfile{}, true));
    ASSERT_EQ(comm->OpenPort(Bstr(rig->DevicePath()).get()), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the motor boots silent
    ASSERT_EQ(comm->InitRS485(1, 0), S_OK);
    ComPtr<IVQXMotor> motor;
    ASSERT_EQ(comm->GetMotor(1, motor.out()), S_OK);
    // The engine's download reads the motor's checksum back and fails (44) when it differs.
    ASSERT_EQ(motor->Download(Bstr(dir + "/other.tqx").get()), S_OK) << TakeEngineError().text;
}

} // namespace
