#pragma once
// The property every stored record keeps: once loaded, it stores, loads and stores again to the
// same bytes (nothing read is lost or changed by a save).

#include "core/archive/TagArchive.h"
#include "fuzz/FuzzTarget.h"

#include <string>
#include <vector>

namespace fuzz {

template <class Record>
std::vector<uint8_t> Stored(Record& record, const char* className, const std::string& group)
{
    CTagArchive out(className);
    out.OpenForWriteMemory();
    record.Serialize(group, out);
    VQX_FUZZ_CHECK(out.Close());
    return out.TakeBytes();
}

template <class Record>
void CheckStableRoundTrip(Record& record, const char* className, const std::string& group)
{
    const std::vector<uint8_t> first = Stored(record, className, group);
    CTagArchive in(className);
    VQX_FUZZ_CHECK(in.OpenForReadMemory(first));
    Record again;
    again.Serialize(group, in);
    in.Close();
    VQX_FUZZ_CHECK(Stored(again, className, group) == first);
}

// Loads a record of the group from any bytes (a project file's class), then checks the round trip.
template <class Record>
void LoadRecordAndCheckRoundTrip(const uint8_t* data, size_t size, const std::string& group)
{
    CTagArchive ar("VQXWSPFILE");
    if (!ar.OpenForReadMemory(data, size))
        return;
    Record record;
    record.Serialize(group, ar);
    ar.Close();
    CheckStableRoundTrip<Record>(record, "VQXWSPFILE", group);
}

} // namespace fuzz
