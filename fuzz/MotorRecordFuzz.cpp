// A motor record as a project file keeps it, from any bytes: it loads without harm, and the motor
// it makes stores and loads back to the same bytes.
#include "core/motor/Motor.h"
#include "fuzz/FuzzTarget.h"
#include "fuzz/RecordRoundTrip.h"

VQX_FUZZ_TARGET(motor_record, data, size) { fuzz::LoadRecordAndCheckRoundTrip<CMotor>(data, size, "Motor"); }
