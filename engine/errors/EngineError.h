#pragma once
// The engine's errors: codes 0-46 with their own texts, thrown by value inside the engine and
// turned into COM error information at the interface boundary by the one method frame.

#include "VQXEngine.h"
#include "core/VQXException.h"

#include <cstdint>
#include <string>

namespace engine {

class CVQXException {
public:
    // The text comes from the table (with data in its "%d" where the code has one).
    explicit CVQXException(int32_t code, uint32_t data = 0);
    // The message is used as it is.
    CVQXException(int32_t code, std::string message, uint32_t data = 0);

    const std::string& GetMessage() const { return m_message; }
    int32_t GetCode() const { return m_code; }
    uint32_t GetData() const { return m_data; }

    // The table text of a code with data filled in; empty for 38 and codes outside 0-46.
    static std::string TextOf(int32_t code, uint32_t data);
    // The same condition raised by the communication core (codes 1000-1046), in the engine's own
    // words (only a file that could not be created keeps the core's text, which names it).
    static CVQXException FromCore(const ::CVQXException& e);

private:
    std::string m_message;
    int32_t m_code;
    uint32_t m_data;
};

// Flag bits of each interface's lines in the engine log.
enum : uint32_t { kLogComm = 1, kLogSynmove = 2, kLogPath = 4, kLogScan = 8, kLogErrors = 8, kLogMotor = 16 };
// The log flag of an engine interface, 0 for any other identifier.
uint32_t LogFlagOf(const IID& iid);

// Publishes an exception as the calling thread's error information under the interface's
// identifier (and logs it under the interface's flag).
void ReportComError(const CVQXException& e, const IID& iid);

// Text <-> BSTR, one byte per code point 0-255; a null BSTR is empty.
std::string BstrToCString(BSTR s);
BSTR ToBstr(const std::string& s);

// The frame of every interface method: runs body, turns every failure into E_FAIL with error
// information under iid (an engine or core error with its code, anything else as code 1).
template <class Body>
HRESULT MethodFrame(const IID& iid, Body&& body) noexcept
{
    try {
        try {
            body();
            return S_OK;
        } catch (const CVQXException& e) {
            ReportComError(e, iid);
        } catch (const ::CVQXException& e) {
            ReportComError(CVQXException::FromCore(e), iid);
        } catch (...) {
            ReportComError(CVQXException(VQXE_EXCEPTION), iid);
        }
    } catch (...) {
        // Reporting itself failed (no memory): the call still fails.
    }
    return E_FAIL;
}

// Throws code 19 unless the condition holds: the guards of the methods.
inline void Require(bool condition, int32_t code = VQXE_INVALID_DATA)
{
    if (!condition)
        throw CVQXException(code);
}

} // namespace engine
