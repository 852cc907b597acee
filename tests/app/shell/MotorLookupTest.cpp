// GetMotorByIndex over ports with motors: by index and address, the terminal's current motor, and
// the first-motor fallback that tools do without.

#include "app/shell/MotorLookup.h"
#include "core/detect/DetectionFrame.h"
#include "core/port/CommPort.h"

#include <gtest/gtest.h>

TEST(MotorLookup, ByIndexCurrentMotorAndFallbackTable)
{
    CCommPort empty, line;
    empty.Name = "Empty";
    line.Name = "Line";
    CMotor* m1 = EnterDetectedMotor(line, 1);
    CMotor* m3 = EnterDetectedMotor(line, 3);
    ASSERT_TRUE(m1 && m3);

    struct Row {
        const char* what;
        CCommPort* current;
        int currentAddress;
        int portIndex, address;
        bool fallback;
        CMotor* expect;
    } rows[] = {
        {"valid index and address", nullptr, -1, 1, 3, true, m3},
        {"valid index, no motor there: none, never a guess", nullptr, -1, 1, 2, true, nullptr},
        {"invalid index, no current port", nullptr, -1, 7, 1, true, nullptr},
        {"current motor at the current address", &line, 3, -1, 0, true, m3},
        {"no current address: the current port's first motor", &line, -1, -1, 0, true, m1},
        {"current port empty: the first motor of the first port with motors", &empty, -1, -1, 0, true, m1},
        {"the same for a tool: none", &empty, -1, -1, 0, false, nullptr},
        {"current address not found, fallback", &line, 9, -1, 0, true, m1},
        {"current address not found, tool", &line, 9, -1, 0, false, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        shell::MotorLookupState s{{&empty, &line}, r.current, r.currentAddress};
        EXPECT_EQ(shell::GetMotorByIndex(s, r.portIndex, r.address, r.fallback), r.expect);
    }
}
