#pragma once
// CTagArchive: the tagged binary archive in which every stored object of the
// suite lives (projects, ports, motors, charts, monitor sets, tuning runs, the motor-models
// database, language files, dock and view states).
//
// ---------------------------------------------------------------------------------------------
// File format (byte-exact, little-endian, no header or magic)
//
//   record := nameLen:u8  name:nameLen bytes  A:i32  B:i32  payload:B bytes
//     group: A = number of child records, B = total byte count of the child records
//     value: A = 0 (flags),               B = byte count of the value
//
// A record occupies nameLen + B + 9 bytes. The file is exactly one group record named after the
// archive's class name ("VQXWSPFILE", "VQXModelsFile", ...); the implicit "Root" above it is never
// written. Lists are a group holding one child "Arr0", "Arr1", ... per element; the element count
// is the group's child count.
//
// ---------------------------------------------------------------------------------------------
// How an owner uses it
//
// Every persistent class has ONE routine that both stores and loads: it calls the same accessors
// in the same order in both directions. Storing writes the variable; loading reads into it when a
// value of that name and exact size is found, and otherwise sets it to the default.
//
//   void CPort::Serialize(const std::string& group, CTagArchive& ar)
//   {
//       CTagGroup g(ar, group);            // opens the group; closes it when g goes out of scope
//       if (!g)
//           return;                        // absent on loading: keep everything as it is
//       ar.SerializeString("Name", m_name, "");
//       ar.SerializeBool("AllVer5s", m_allVer5s, false);
//       ar.SerializeInt("MaxMotors", m_maxMotors, 10);
//       ar.SerializeByte("Parity", m_parity, 0);
//       if (ar.GetMode() == 0) {           // the mode word given at construction
//           // A list of groups: each element routine opens its own "Arr%d" group.
//           ar.SerializeList("Motors", m_motors, 120,
//               [&](std::unique_ptr<CMotor>& m, const std::string& arrName) {
//                   if (!m) m = std::make_unique<CMotor>();   // loading creates the element
//                   m->Serialize(arrName, ar);
//               });
//       }
//       // A list of values: group "ProdDates" holding values "Arr0".."Arr5".
//       ar.SerializeValueList("ProdDates", m_prodDates, 6, 6, uint32_t{0});
//   }
//
//   CTagArchive ar("VQXWSPFILE");
//   if (!ar.OpenForWrite(path)) ...;       // false: the file cannot be created
//   project.Serialize(ar);
//   if (!ar.Close()) ...;                  // false: nothing was written, the old file is intact
//
//   CTagArchive in("VQXWSPFILE");
//   if (!in.OpenForRead(path)) ...;        // false: unreadable, or not an archive of this class
//   project.Serialize(in);
//   in.Close();
//
// Accessors and sizes (the accessor decides the size; there is no type tag in the file):
//   SerializeByte (uint8_t), SerializeChar (char), SerializeBool (0/1; any non-zero loads true) 1
//   SerializeShort (int16_t or uint16_t)                                                          2
//   SerializeInt / SerializeLong (int32_t), SerializeDword (uint32_t)                             4
//   SerializeDouble (IEEE 754 double)                                                             8
//   SerializeRect (CTagRect: left, top, right, bottom as four int32)                             16
//   SerializeBuffer / SerializeItem (caller's buffer of a fixed size)                    the size
//   SerializeSizedBytes (vector<uint8_t>, allocated to the given size on loading)        the size
//   SerializeBytes (vector<uint8_t> of any length, like a string)                      the length
//   SerializeString (std::string: the bytes, no terminator, kept as they are)          the length
// Serialize(name, var, default) is overloaded for every typed accessor, for generic code.
//
// Saving is atomic: OpenForWrite creates a temporary file beside the target, Close fsyncs it and
// renames it over the target. Destroying a writing archive without Close (an owner threw half-way)
// abandons the temporary file: the old file stays intact.
//
// ---------------------------------------------------------------------------------------------
// The reader trusts nothing in the file
//
// The whole file (at most kMaxFileSize bytes, regular files only) is read into memory at open.
// Every record must lie inside its parent group and inside the file; a group's child count must
// be 0..B/9. A record that breaks this counts as absent (a group with a bad header: OpenGroup
// returns false; the children of a group are taken up to the first record that does not fit, and
// GetGroupCount counts only those). A value whose A is not 0 or whose size differs from the
// accessor's keeps the default. Strings and byte blobs are bounded by their record, hence by the
// file. So a truncated or garbage file never crashes, hangs or allocates without bound; a
// truncated file normally fails OpenForRead, because its top group no longer fits.
//
// Items are found by a circular scan of the current group that starts where the previous item
// ended: reading in the order of writing finds each item at the first look, and
// items in any other order are still found. Names compare byte for byte (case-sensitive).
//
// Limits: at most 49 groups nested below Root (kMaxDepth entries in
// all); names of at most 255 bytes. Breaking either while storing marks the archive failed: the
// item is not written and Close returns false without touching the target. While loading, a
// deeper OpenGroup simply returns false.
//
// The mode word is the owners' business; the archive itself never looks at it. Owners use:
//   the port record leaves out its motor list when the mode word is non-zero;
//   the motor-model record skips its picture bytes on loading when bit 0
//   (kSkipPictures) is set.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace platform {
class AtomicFileWriter;
}

// The rectangle of SerializeRect: four 32-bit integers.
struct CTagRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const CTagRect&) const = default;
};

class CTagArchive {
public:
    static constexpr int kMaxDepth = 50;                    // group stack entries, Root included
    static constexpr size_t kMaxNameLength = 255;
    static constexpr size_t kMaxFileSize = 256u << 20;     // larger files fail OpenForRead
    static constexpr uint32_t kSkipPictures = 1;            // mode bit tested by CMotorModel

    // Name of list element i: "Arr0", "Arr1", ...
    static std::string ArrName(int index);

    explicit CTagArchive(std::string_view className = "MainClass", uint32_t mode = 0);
    virtual ~CTagArchive();
    CTagArchive(const CTagArchive&) = delete;
    CTagArchive& operator=(const CTagArchive&) = delete;

    // ---- opening and closing ----
    // Storing: starts a temporary file beside `path` and opens the class group; false when the
    // file cannot be created there.
    bool OpenForWrite(const std::string& path);
    // Storing: room for this many bytes at once (the size the file had last time), so that a large
    // file is not copied again and again while it grows. Only a hint.
    void Reserve(size_t bytes);
    // Storing into memory (no file); take the bytes with TakeBytes() after Close().
    void OpenForWriteMemory();
    // Loading: reads the file and enters the class group; false when it cannot be read, is not a
    // regular file, is larger than kMaxFileSize, or its top record is not a valid group named
    // after the class.
    bool OpenForRead(const std::string& path);
    // Loading from bytes in memory; same checks as OpenForRead.
    bool OpenForReadMemory(std::vector<uint8_t> bytes);
    bool OpenForReadMemory(const void* data, size_t size);

    // Closes every open group (storing: patching each header) and then the file. Storing to a
    // file: writes, fsyncs and renames the temporary file over the target. True when everything
    // went well (loading: always true).
    bool Close();
    // "Close the file only"; for a storing archive it is the same as Close (an
    // unpatched file would be garbage).
    bool CloseFile();
    // The archive's bytes after a memory store has been closed.
    std::vector<uint8_t> TakeBytes();
    // The bytes written so far (storing), for tests.
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

    bool IsStoring() const { return m_storing; }
    bool IsLoading() const { return m_open && !m_storing; }
    bool IsOpen() const { return m_open; }
    // Storing: false once an item could not be written (name too long, too deep, too large).
    bool IsGood() const { return !m_failed; }
    uint32_t GetMode() const { return m_mode; }
    const std::string& GetFileName() const { return m_fileName; }
    const std::string& GetClassName() const { return m_className; }
    // Groups open below Root: 1 right after opening (the class group).
    int GetDepth() const { return m_depth; }

    // ---- groups ----
    // Storing: writes the group header and enters it (true unless the depth limit is reached or
    // the name is too long). Loading: finds the group among the children of the current group and
    // enters it; false when it is absent or malformed (the caller then skips the group and does
    // not close it).
    bool OpenGroup(std::string_view name);
    // Leaves the current group (storing: patches its header). Never leaves the class group while
    // the archive is open; Close does that.
    void CloseGroup();
    // The child count of the current group (the element count of an "Arr%d" list). Loading:
    // only the well-formed children count. Storing: the children written so far.
    int GetGroupCount() const;

    // ---- values (name, variable, default) ----
    void SerializeByte(std::string_view name, uint8_t& v, uint8_t def);
    void SerializeChar(std::string_view name, char& v, char def);
    void SerializeBool(std::string_view name, bool& v, bool def);
    void SerializeShort(std::string_view name, int16_t& v, int16_t def);
    void SerializeShort(std::string_view name, uint16_t& v, uint16_t def);
    void SerializeInt(std::string_view name, int32_t& v, int32_t def);
    void SerializeLong(std::string_view name, int32_t& v, int32_t def) { SerializeInt(name, v, def); }
    void SerializeDword(std::string_view name, uint32_t& v, uint32_t def);
    void SerializeDouble(std::string_view name, double& v, double def);
    // `def` null: on a miss the variable is left alone.
    void SerializeRect(std::string_view name, CTagRect& v, const CTagRect* def);
    // The string's bytes, kept as they are (no encoding conversion, NULs kept).
    void SerializeString(std::string_view name, std::string& v, std::string_view def);

    // Exactly `size` bytes at `data`. Loading copies them only when a value of exactly that size
    // is found; otherwise the buffer is left alone. Returns whether the value was written/found.
    bool SerializeBuffer(std::string_view name, void* data, uint32_t size);
    bool SerializeItem(std::string_view name, uint32_t size, void* data) { return SerializeBuffer(name, data, size); }
    // Exactly `size` bytes. Storing writes the first `size` bytes of v (v must hold that many;
    // a shorter v is padded with zeros). Loading, when a value of exactly that size is found,
    // allocates v to `size` and reads it; otherwise v is left alone. The allocation happens only
    // when the file really holds those bytes.
    bool SerializeSizedBytes(std::string_view name, std::vector<uint8_t>& v, uint32_t size);
    // Any number of bytes (like a string). Loading reads a value of at most maxSize bytes;
    // otherwise v is left alone. Returns whether the value was written/found.
    bool SerializeBytes(std::string_view name, std::vector<uint8_t>& v, uint32_t maxSize = UINT32_MAX);

    // A whole child record (a group with everything in it, or a value) as its file bytes, for a
    // section whose owner is not present to read it: loading copies the record named `name`
    // (false, record untouched, when absent); storing appends `record` verbatim when it is one
    // well-formed record named `name` (false, nothing written, otherwise).
    bool SerializeRecord(std::string_view name, std::vector<uint8_t>& record);
    // The bytes of an archive of class `className` whose class group holds the given records
    // (each as SerializeRecord gives it): an owner's serialize routine can then read a kept record
    // as if it stood in the original file.
    static std::vector<uint8_t> WrapRecords(std::string_view className,
                                            const std::vector<const std::vector<uint8_t>*>& records);

    // Generic forms, one per typed accessor (for templates such as SerializeValueList).
    void Serialize(std::string_view n, uint8_t& v, uint8_t d) { SerializeByte(n, v, d); }
    void Serialize(std::string_view n, char& v, char d) { SerializeChar(n, v, d); }
    void Serialize(std::string_view n, bool& v, bool d) { SerializeBool(n, v, d); }
    void Serialize(std::string_view n, int16_t& v, int16_t d) { SerializeShort(n, v, d); }
    void Serialize(std::string_view n, uint16_t& v, uint16_t d) { SerializeShort(n, v, d); }
    void Serialize(std::string_view n, int32_t& v, int32_t d) { SerializeInt(n, v, d); }
    void Serialize(std::string_view n, uint32_t& v, uint32_t d) { SerializeDword(n, v, d); }
    void Serialize(std::string_view n, double& v, double d) { SerializeDouble(n, v, d); }
    void Serialize(std::string_view n, std::string& v, std::string_view d) { SerializeString(n, v, d); }
    void Serialize(std::string_view n, CTagRect& v, const CTagRect& d) { SerializeRect(n, v, &d); }

    // ---- lists ----
    // A list of values: group `name` holding values "Arr0".."Arr{n-1}".
    // Storing writes `count` elements of `values`. Loading reads n = min(child count, capacity)
    // elements (each with default `def`) and leaves the rest of the array alone. Returns the
    // number of elements exchanged, or -1 when the group is absent on loading (array untouched).
    template <class T, class D>
    int SerializeValueList(std::string_view name, T* values, int count, int capacity, const D& def)
    {
        if (!OpenGroup(name))
            return -1;
        int n = m_storing ? count : std::min(GetGroupCount(), capacity);
        if (n < 0)
            n = 0;
        for (int i = 0; i < n; ++i)
            Serialize(ArrName(i), values[i], static_cast<T>(def));
        CloseGroup();
        return n;
    }
    // The same for a vector: storing writes all elements; loading resizes the vector to
    // min(child count, maxCount) and reads each (absent group: vector untouched, returns -1).
    template <class T, class D>
    int SerializeValueList(std::string_view name, std::vector<T>& values, size_t maxCount, const D& def)
    {
        if (!OpenGroup(name))
            return -1;
        if (!m_storing)
            values.resize(std::min(static_cast<size_t>(GetGroupCount()), maxCount), static_cast<T>(def));
        for (size_t i = 0; i < values.size(); ++i) {
            T& element = values[i];
            Serialize(ArrName(static_cast<int>(i)), element, static_cast<T>(def));
        }
        CloseGroup();
        return static_cast<int>(values.size());
    }

    // A list of groups: group `name` holding one group "Arr%d" per element. `element(i, arrName)`
    // exchanges element i; it opens and closes the group `arrName` itself (the owners' routines
    // take a group name). Storing calls it for i < count; loading for i < min(child count,
    // maxCount). Returns the number of elements, or -1 when the group is absent on loading.
    int SerializeList(std::string_view name, int count, int maxCount,
                      const std::function<void(int index, const std::string& arrName)>& element);
    // The same for a vector; loading first resizes it to the element count (new elements are
    // value-initialised: a unique_ptr element comes in null and the callback creates it).
    // `element(item, arrName)`.
    template <class T, class Fn>
    int SerializeList(std::string_view name, std::vector<T>& items, size_t maxCount, Fn&& element)
    {
        if (!OpenGroup(name))
            return -1;
        if (!m_storing)
            items.resize(std::min(static_cast<size_t>(GetGroupCount()), maxCount));
        for (size_t i = 0; i < items.size(); ++i)
            element(items[i], ArrName(static_cast<int>(i)));
        CloseGroup();
        return static_cast<int>(items.size());
    }

private:
    struct Entry {
        std::string name;
        size_t first = 0;     // position of the first child (loading) / of the A field (storing)
        size_t end = 0;       // loading: end of the children
        size_t cursor = 0;    // loading: position of the next child to look at
        int index = 0;        // loading: index of the child at the cursor
        int count = 0;        // child count (loading: well-formed children only)
        uint64_t bytes = 0;   // storing: byte count of the children
    };
    struct Record {
        size_t pos = 0;
        size_t nameLen = 0;
        size_t namePos = 0;
        int32_t a = 0;
        int32_t b = 0;
        size_t payload = 0;
        size_t end = 0;
    };

    void Reset();
    bool BeginRead();
    bool ParseRecord(size_t pos, size_t limit, Record& rec) const;
    int CountChildren(size_t first, size_t end, int32_t declared) const;
    bool FindChild(std::string_view name, Record& rec);
    void AdvanceCursor(Entry& e, const Record& rec);
    bool PushGroup(const Record& rec, std::string_view name);

    // Storing
    // Room for `more` bytes: the buffer doubles, a large new room made present in one go.
    void Room(size_t more);
    void ReserveRoom(size_t capacity);
    bool WriteHeader(std::string_view name);
    void WriteU32(uint32_t v);
    void PatchU32(size_t pos, uint32_t v);
    void AddToParent(size_t nameLen, uint64_t payload);
    bool WriteValue(std::string_view name, const void* data, size_t size);
    // Loading: finds a value of the given exact size; returns a pointer to its bytes or null.
    const uint8_t* ReadValue(std::string_view name, size_t size);
    // Loading: finds a value of any size up to maxSize.
    bool ReadVariable(std::string_view name, size_t maxSize, const uint8_t*& data, size_t& size);
    void CloseAll();

    template <class T>
    void ExchangeLE(std::string_view name, T& v, T def);

    uint32_t m_mode;
    bool m_storing = false;
    bool m_open = false;
    bool m_failed = false;
    bool m_toFile = false;
    std::string m_fileName;
    std::string m_className;
    int m_depth = 0;
    Entry m_stack[kMaxDepth];
    std::vector<uint8_t> m_bytes;
    std::unique_ptr<platform::AtomicFileWriter> m_writer;
};

// Opens a group for the lifetime of a scope and closes it at the end, only when it was opened.
//   CTagGroup g(ar, "Port"); if (!g) return;
class CTagGroup {
public:
    CTagGroup(CTagArchive& ar, std::string_view name) : m_ar(ar), m_open(ar.OpenGroup(name)) {}
    ~CTagGroup() { Close(); }
    CTagGroup(const CTagGroup&) = delete;
    CTagGroup& operator=(const CTagGroup&) = delete;
    explicit operator bool() const { return m_open; }
    bool IsOpen() const { return m_open; }
    // Closes it early.
    void Close()
    {
        if (m_open) {
            m_ar.CloseGroup();
            m_open = false;
        }
    }

private:
    CTagArchive& m_ar;
    bool m_open;
};
