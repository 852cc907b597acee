// A port record with its motor list, from any bytes: it loads without harm, and the port it makes
// stores and loads back to the same bytes.
#include "core/port/CommPort.h"
#include "fuzz/FuzzTarget.h"
#include "fuzz/RecordRoundTrip.h"

VQX_FUZZ_TARGET(port_record, data, size) { fuzz::LoadRecordAndCheckRoundTrip<CCommPort>(data, size, "Port"); }
