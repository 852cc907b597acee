#pragma once
// What a tool window does after its poll step lost communication with a motor. The request goes
// to the main frame by the motor's port index and address, never by a motor pointer: the answer
// may come after detection replaced the port's motors, and the motor is looked up again when the
// request is delivered. The window checks that it still exists after the call, since the answer
// may have closed it (RemoveMotorWindows).

#include "app/shell/CommError.h"
#include "app/tools/WatchItem.h"

#include <cstdint>

namespace tools {

enum class AfterCommError {
    Stop,        // the user gave up or detection failed: stop polling, show "not polling"
    Repeat,      // communication is back, the motors are the same: repeat the query at once
    LookUpAgain, // communication is back and the port's motors were replaced: find the motor again
};

inline AfterCommError DecideAfterCommError(uint32_t answer)
{
    if (!(answer & commerror::kAnswerWorks))
        return AfterCommError::Stop;
    return (answer & commerror::kAnswerKeepPolling) ? AfterCommError::LookUpAgain : AfterCommError::Repeat;
}

// Makes the request for `code` about the motor at (portIndex, address), as found now; 0 (stop)
// when there is no such motor any more or no handler.
inline uint32_t RequestCommError(commerror::ICommErrorHandler* handler, const WatchMotorFinder& find, int32_t code,
                                 int portIndex, int address)
{
    CMotor* motor = find ? find(portIndex, address) : nullptr;
    if (!handler || !motor)
        return 0;
    return handler->OnCommError(commerror::kMotorOperationFailed | (static_cast<uint32_t>(code) & commerror::kCodeMask),
                                commerror::Target::Motor(motor));
}

} // namespace tools
