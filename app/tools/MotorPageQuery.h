#pragma once
// One poll query of a motor view page, with the one error policy the polling pages share: the
// analyzer's polling rules around the exchange, "offline and go on" when the user does not want
// polling stopped on errors, otherwise the main frame's recovery question for a lost motor and
// its answer (repeat at once, keep polling, stop). The answer may close the view and free its
// motor: the page learns that from the link, never from a motor pointer it kept.

#include "app/tools/WatchItem.h"

#include <functional>
#include <string>

class CMotor;
namespace commerror {
class ICommErrorHandler;
}

namespace tools {

// The motor a view shows, shared by its pages. The view clears `motor` the moment it is told to
// let go (its motor is being replaced or deleted), before it goes away.
struct MotorViewLink {
    CMotor* motor = nullptr;
    int portIndex = -1;                                // the motor's port in the project
    commerror::ICommErrorHandler* commError = nullptr; // the main frame's recovery
    std::function<bool()> pollingAllowed;              // the program-wide switch; none: allowed
    bool Allowed() const { return !pollingAllowed || pollingAllowed(); }
};

enum class PageQuery {
    Answered, // `reply` holds the motor's answer
    Offline,  // it failed; the user keeps polling through errors: show offline, ask again later
    Kept,     // it failed; recovery said go on: the same query comes again next step
    Stopped,  // polling must stop (the user gave up, or another failure)
    Gone,     // the view lost its motor while the recovery ran: touch nothing more
};

struct PageQueryResult {
    PageQuery outcome = PageQuery::Stopped;
    std::string reply;
};

// Sends `command` to the link's motor and reads its reply. Commands that are not plain printable
// text are never sent (they stop polling).
PageQueryResult RunPageQuery(MotorViewLink& link, const std::string& command);

// The reply's leading integer as the motor's 32-bit value; 0 when there is none.
int32_t ReplyNumber(const std::string& reply);
// Whether the reply begins (after blanks) with a decimal number.
bool ReplyHasNumber(const std::string& reply);
// "0x%X" of a 32-bit value.
std::string HexText(int32_t value);

} // namespace tools
