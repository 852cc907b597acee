#include "app/tools/MotorPageQuery.h"

#include "app/tools/CommErrorAnswer.h"
#include "app/tools/CommandText.h"
#include "app/tools/PollTraffic.h"
#include "core/VQXException.h"
#include "core/motor/Motor.h"
#include "core/ui/InfoView.h"

#include <cstdio>

namespace tools {

int32_t ReplyNumber(const std::string& reply)
{
    return static_cast<int32_t>(static_cast<uint32_t>(ReplyToNumber(reply)));
}

bool ReplyHasNumber(const std::string& reply)
{
    size_t i = reply.find_first_not_of(" \t");
    if (i != std::string::npos && (reply[i] == '-' || reply[i] == '+'))
        ++i;
    return i < reply.size() && reply[i] >= '0' && reply[i] <= '9';
}

std::string HexText(int32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<uint32_t>(value));
    return buffer;
}

PageQueryResult RunPageQuery(MotorViewLink& link, const std::string& command)
{
    // A user who keeps answering "try again" is asked each time; the loop never runs on its own.
    for (;;) {
        CMotor* motor = link.motor;
        if (!motor)
            return {PageQuery::Gone, {}};
        if (!IsSendableText(command))
            return {PageQuery::Stopped, {}};
        int32_t code = 0;
        {
            PollTrafficScope traffic(*motor);
            try {
                std::string reply = motor->SendAndReceive(command);
                // A garbled reply is shown, never its control bytes.
                if (reply.size() > CWatchItem::kMaxText)
                    reply.resize(CWatchItem::kMaxText);
                for (char& c : reply)
                    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                        c = '?';
                return {PageQuery::Answered, std::move(reply)};
            } catch (const CVQXException& e) {
                traffic.End();
                if (!motor->Context().Options().NoPollingOnError)
                    return {PageQuery::Offline, {}};
                if (!commerror::IsCommLoss(e.GetCode()))
                    return {PageQuery::Stopped, {}};
                code = e.GetCode();
                motor->Context().Info().Show(true);
            } catch (const std::exception&) {
                return {PageQuery::Stopped, {}};
            }
        }
        const int address = motor->Address;
        const uint32_t answer = RequestCommError(
            link.commError, [motor](int, int) { return motor; }, code, link.portIndex, address);
        // The recovery may have replaced the port's motors and told this view to let go.
        if (!link.motor)
            return {PageQuery::Gone, {}};
        switch (DecideAfterCommError(answer)) {
        case AfterCommError::Repeat: continue;
        case AfterCommError::LookUpAgain: return {PageQuery::Kept, {}};
        case AfterCommError::Stop: return {PageQuery::Stopped, {}};
        }
        return {PageQuery::Stopped, {}};
    }
}

} // namespace tools
