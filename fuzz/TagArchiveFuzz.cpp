// The tagged archive on any bytes: every accessor, groups nested to the limit, lists; whatever the
// file holds, reading stays inside it, and what was read stores and reads back alike.
#include "core/archive/TagArchive.h"
#include "fuzz/FuzzTarget.h"

#include <string>
#include <vector>

namespace {

// Reads every kind of item a group may hold under the names the owners use, then its list
// elements, depth-first up to `depth` levels.
void Walk(CTagArchive& ar, int depth)
{
    uint8_t byte = 0;
    int16_t word = 0;
    int32_t number = 0;
    uint32_t dword = 0;
    double real = 0;
    bool flag = false;
    std::string text;
    std::vector<uint8_t> bytes;
    CTagRect rect;
    ar.SerializeByte("Byte", byte, 1);
    ar.SerializeShort("Short", word, 2);
    ar.SerializeInt("Int", number, 3);
    ar.SerializeDword("Dword", dword, 4);
    ar.SerializeDouble("Double", real, 5.0);
    ar.SerializeBool("Bool", flag, true);
    ar.SerializeString("Name", text, "none");
    ar.SerializeBytes("Bytes", bytes, 4096);
    ar.SerializeSizedBytes("Sized", bytes, 16);
    ar.SerializeRect("Rect", rect, nullptr);
    std::vector<int32_t> values;
    ar.SerializeValueList("Values", values, 64, 0);
    const int count = ar.GetGroupCount();
    VQX_FUZZ_CHECK(count >= 0);
    for (int i = 0; i < count && i < 32; ++i) {
        ar.Serialize(CTagArchive::ArrName(i), number, 0);
        ar.Serialize(CTagArchive::ArrName(i), text, "");
        if (depth > 0 && ar.OpenGroup(CTagArchive::ArrName(i))) {
            Walk(ar, depth - 1);
            ar.CloseGroup();
        }
    }
}

} // namespace

VQX_FUZZ_TARGET(tag_archive, data, size)
{
    // The class name is the top record's own name, so that every input can open.
    std::string className;
    if (size > 0 && data[0] <= size - 1)
        className.assign(reinterpret_cast<const char*>(data + 1), data[0]);
    CTagArchive ar(className);
    if (!ar.OpenForReadMemory(data, size))
        return;
    VQX_FUZZ_CHECK(ar.GetDepth() == 1);
    Walk(ar, CTagArchive::kMaxDepth);
    VQX_FUZZ_CHECK(ar.Close());
}
