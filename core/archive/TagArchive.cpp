#include "core/archive/TagArchive.h"

#include "platform/fs/AtomicFile.h"
#include "platform/fs/ReadFile.h"
#include "platform/memory/Present.h"

#include <climits>

namespace {

uint32_t LoadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void StoreU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

template <class U>
void ToLE(U v, uint8_t* out)
{
    for (size_t i = 0; i < sizeof(U); ++i)
        out[i] = static_cast<uint8_t>(v >> (8 * i));
}

template <class U>
U FromLE(const uint8_t* in)
{
    U v = 0;
    for (size_t i = 0; i < sizeof(U); ++i)
        v = static_cast<U>(v | (static_cast<U>(in[i]) << (8 * i)));
    return v;
}

} // namespace

std::string CTagArchive::ArrName(int index)
{
    std::string name = "Arr";
    name += std::to_string(index);
    return name;
}

CTagArchive::CTagArchive(std::string_view className, uint32_t mode)
    : m_mode(mode), m_className(className)
{
}

CTagArchive::~CTagArchive()
{
    // A storing archive that was not closed is abandoned: the writer removes its temporary file.
}

void CTagArchive::Reset()
{
    m_writer.reset();
    m_storing = false;
    m_open = false;
    m_failed = false;
    m_toFile = false;
    m_depth = 0;
    for (Entry& e : m_stack)
        e = Entry{};
    m_bytes.clear();
}

// ------------------------------------------------------------------------------------------------
// Opening and closing

bool CTagArchive::OpenForWrite(const std::string& path)
{
    Reset();
    m_fileName = path;
    m_writer = std::make_unique<platform::AtomicFileWriter>();
    if (!m_writer->Begin(path)) {
        m_writer.reset();
        return false;
    }
    m_toFile = true;
    m_storing = true;
    m_open = true;
    m_stack[0].name = "Root";
    if (!OpenGroup(m_className)) {
        Reset();
        return false;
    }
    return true;
}

void CTagArchive::Reserve(size_t bytes)
{
    if (m_open && m_storing)
        ReserveRoom(std::min<size_t>(bytes, kMaxFileSize));
}

void CTagArchive::ReserveRoom(size_t capacity)
{
    if (capacity <= m_bytes.capacity())
        return;
    m_bytes.reserve(capacity);
    // Records are written a few bytes at a time: a large room is made present at once rather
    // than page by page.
    constexpr size_t kPresentFrom = size_t{256} << 10;
    if (m_bytes.capacity() - m_bytes.size() >= kPresentFrom)
        platform::MakePresent(m_bytes.data() + m_bytes.size(), m_bytes.capacity() - m_bytes.size());
}

void CTagArchive::Room(size_t more)
{
    if (m_bytes.capacity() - m_bytes.size() < more)
        ReserveRoom(std::max(m_bytes.size() + more, 2 * m_bytes.capacity()));
}

void CTagArchive::OpenForWriteMemory()
{
    Reset();
    m_fileName.clear();
    m_storing = true;
    m_open = true;
    m_stack[0].name = "Root";
    OpenGroup(m_className); // a class name over 255 bytes marks the archive failed
}

bool CTagArchive::OpenForRead(const std::string& path)
{
    Reset();
    m_fileName = path;
    if (platform::ReadRegularFile(path, m_bytes, kMaxFileSize) != platform::ReadStatus::Ok)
        return false;
    return BeginRead();
}

bool CTagArchive::OpenForReadMemory(std::vector<uint8_t> bytes)
{
    Reset();
    m_fileName.clear();
    if (bytes.size() > kMaxFileSize)
        return false;
    m_bytes = std::move(bytes);
    return BeginRead();
}

bool CTagArchive::OpenForReadMemory(const void* data, size_t size)
{
    if (size > kMaxFileSize) {
        Reset();
        return false;
    }
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return OpenForReadMemory(std::vector<uint8_t>(p, p + size));
}

bool CTagArchive::BeginRead()
{
    m_storing = false;
    m_open = true;
    Entry& root = m_stack[0];
    root.name = "Root";
    root.first = 0;
    root.end = m_bytes.size();
    root.cursor = 0;
    root.index = 0;
    Record rec;
    root.count = ParseRecord(0, m_bytes.size(), rec) ? 1 : 0;
    if (!OpenGroup(m_className)) {
        Reset();
        return false;
    }
    return true;
}

void CTagArchive::CloseAll()
{
    while (m_depth > 0) {
        if (m_storing) {
            Entry& e = m_stack[m_depth];
            if (e.bytes > static_cast<uint64_t>(INT32_MAX) || e.count < 0)
                m_failed = true;
            PatchU32(e.first, static_cast<uint32_t>(e.count));
            PatchU32(e.first + 4, static_cast<uint32_t>(e.bytes));
            const size_t nameLen = e.name.size();
            const uint64_t bytes = e.bytes;
            e = Entry{};
            --m_depth;
            AddToParent(nameLen, bytes);
        } else {
            m_stack[m_depth] = Entry{};
            --m_depth;
        }
    }
}

bool CTagArchive::Close()
{
    if (!m_open)
        return !m_failed;
    bool ok = true;
    if (m_storing) {
        CloseAll();
        ok = !m_failed;
        if (m_toFile) {
            if (ok)
                ok = m_writer->Write(m_bytes.data(), m_bytes.size()) && m_writer->Commit();
            else
                m_writer->Abort();
            m_writer.reset();
            m_bytes.clear();
        }
    } else {
        CloseAll();
        m_bytes.clear();
        m_bytes.shrink_to_fit();
    }
    m_open = false;
    return ok;
}

bool CTagArchive::CloseFile() { return Close(); }

std::vector<uint8_t> CTagArchive::TakeBytes()
{
    std::vector<uint8_t> out = std::move(m_bytes);
    m_bytes.clear();
    return out;
}

// ------------------------------------------------------------------------------------------------
// Storing

void CTagArchive::WriteU32(uint32_t v)
{
    uint8_t b[4];
    StoreU32(b, v);
    Room(4);
    m_bytes.insert(m_bytes.end(), b, b + 4);
}

void CTagArchive::PatchU32(size_t pos, uint32_t v)
{
    if (pos + 4 <= m_bytes.size())
        StoreU32(m_bytes.data() + pos, v);
}

bool CTagArchive::WriteHeader(std::string_view name)
{
    if (name.size() > kMaxNameLength) {
        m_failed = true;
        return false;
    }
    Room(1 + name.size());
    m_bytes.push_back(static_cast<uint8_t>(name.size()));
    m_bytes.insert(m_bytes.end(), name.begin(), name.end());
    return true;
}

void CTagArchive::AddToParent(size_t nameLen, uint64_t payload)
{
    Entry& parent = m_stack[m_depth];
    parent.count += 1;
    parent.bytes += nameLen + payload + 9;
}

bool CTagArchive::WriteValue(std::string_view name, const void* data, size_t size)
{
    if (!m_open || !m_storing)
        return false;
    if (size > static_cast<size_t>(INT32_MAX) || m_depth < 1) {
        m_failed = true;
        return false;
    }
    if (name.size() > kMaxNameLength) {
        m_failed = true;
        return false;
    }
    // One append per value: name length, name, 0, size, then the bytes.
    const size_t at = m_bytes.size();
    Room(1 + name.size() + 8 + size);
    m_bytes.resize(at + 1 + name.size() + 8 + size);
    uint8_t* out = m_bytes.data() + at;
    *out++ = static_cast<uint8_t>(name.size());
    if (!name.empty())
        std::memcpy(out, name.data(), name.size());
    out += name.size();
    StoreU32(out, 0);
    StoreU32(out + 4, static_cast<uint32_t>(size));
    if (size > 0)
        std::memcpy(out + 8, data, size);
    AddToParent(name.size(), size);
    return true;
}

// ------------------------------------------------------------------------------------------------
// Loading

bool CTagArchive::ParseRecord(size_t pos, size_t limit, Record& rec) const
{
    if (limit > m_bytes.size() || pos >= limit)
        return false;
    const size_t nameLen = m_bytes[pos];
    if (limit - pos < 1 + nameLen + 8)
        return false;
    rec.pos = pos;
    rec.nameLen = nameLen;
    rec.namePos = pos + 1;
    const uint8_t* p = m_bytes.data() + pos + 1 + nameLen;
    rec.a = static_cast<int32_t>(LoadU32(p));
    rec.b = static_cast<int32_t>(LoadU32(p + 4));
    rec.payload = pos + 1 + nameLen + 8;
    if (rec.b < 0 || static_cast<size_t>(rec.b) > limit - rec.payload)
        return false;
    rec.end = rec.payload + static_cast<size_t>(rec.b);
    return true;
}

int CTagArchive::CountChildren(size_t first, size_t end, int32_t declared) const
{
    int count = 0;
    size_t pos = first;
    Record rec;
    while (count < declared && ParseRecord(pos, end, rec)) {
        ++count;
        pos = rec.end;
    }
    return count;
}

void CTagArchive::AdvanceCursor(Entry& e, const Record& rec)
{
    e.cursor = rec.end;
    e.index += 1;
    if (e.index >= e.count) {
        e.cursor = e.first;
        e.index = 0;
    }
}

bool CTagArchive::FindChild(std::string_view name, Record& rec)
{
    if (!m_open || m_storing)
        return false;
    Entry& e = m_stack[m_depth];
    if (e.count <= 0)
        return false;
    for (int looked = 0; looked < e.count; ++looked) {
        if (!ParseRecord(e.cursor, e.end, rec)) {
            // Cannot happen for counted children; be safe and restart the circle.
            e.cursor = e.first;
            e.index = 0;
            return false;
        }
        if (rec.nameLen == name.size() &&
            (name.empty() || std::memcmp(m_bytes.data() + rec.namePos, name.data(), name.size()) == 0))
            return true;
        AdvanceCursor(e, rec);
    }
    return false;
}

bool CTagArchive::PushGroup(const Record& rec, std::string_view name)
{
    if (m_depth + 1 >= kMaxDepth)
        return false;
    Entry& e = m_stack[m_depth + 1];
    e = Entry{};
    e.name = std::string(name);
    e.first = rec.payload;
    e.end = rec.end;
    e.cursor = rec.payload;
    e.index = 0;
    e.count = CountChildren(rec.payload, rec.end, rec.a);
    ++m_depth;
    return true;
}

const uint8_t* CTagArchive::ReadValue(std::string_view name, size_t size)
{
    Record rec;
    if (!FindChild(name, rec))
        return nullptr;
    if (rec.a != 0 || static_cast<size_t>(rec.b) != size)
        return nullptr; // the cursor stays on this record
    AdvanceCursor(m_stack[m_depth], rec);
    return m_bytes.data() + rec.payload;
}

bool CTagArchive::ReadVariable(std::string_view name, size_t maxSize, const uint8_t*& data, size_t& size)
{
    Record rec;
    if (!FindChild(name, rec))
        return false;
    if (rec.a != 0 || static_cast<size_t>(rec.b) > maxSize)
        return false;
    AdvanceCursor(m_stack[m_depth], rec);
    data = m_bytes.data() + rec.payload;
    size = static_cast<size_t>(rec.b);
    return true;
}

// ------------------------------------------------------------------------------------------------
// Groups

bool CTagArchive::OpenGroup(std::string_view name)
{
    if (!m_open)
        return false;
    if (m_storing) {
        if (m_depth + 1 >= kMaxDepth || name.size() > kMaxNameLength) {
            m_failed = true;
            return false;
        }
        WriteHeader(name);
        Entry& e = m_stack[m_depth + 1];
        e = Entry{};
        e.name = std::string(name);
        e.first = m_bytes.size();
        ++m_depth;
        WriteU32(0);
        WriteU32(0);
        return true;
    }
    if (m_depth + 1 >= kMaxDepth)
        return false;
    Record rec;
    if (!FindChild(name, rec))
        return false;
    // A group's child count must be 0..B/9 (every record takes at least 9 bytes).
    if (rec.a < 0 || rec.a > rec.b / 9)
        return false;
    return PushGroup(rec, name);
}

void CTagArchive::CloseGroup()
{
    if (!m_open || m_depth <= 1)
        return; // the class group is closed by Close
    if (m_storing) {
        Entry& e = m_stack[m_depth];
        if (e.bytes > static_cast<uint64_t>(INT32_MAX))
            m_failed = true;
        PatchU32(e.first, static_cast<uint32_t>(e.count));
        PatchU32(e.first + 4, static_cast<uint32_t>(e.bytes));
        const size_t nameLen = e.name.size();
        const uint64_t bytes = e.bytes;
        e = Entry{};
        --m_depth;
        AddToParent(nameLen, bytes);
        return;
    }
    const size_t childEnd = m_stack[m_depth].end;
    m_stack[m_depth] = Entry{};
    --m_depth;
    Entry& parent = m_stack[m_depth];
    parent.cursor = childEnd;
    parent.index += 1;
    if (parent.index >= parent.count) {
        parent.cursor = parent.first;
        parent.index = 0;
    }
}

int CTagArchive::GetGroupCount() const
{
    if (!m_open)
        return 0;
    return m_stack[m_depth].count;
}

int CTagArchive::SerializeList(std::string_view name, int count, int maxCount,
                               const std::function<void(int, const std::string&)>& element)
{
    if (!OpenGroup(name))
        return -1;
    int n = m_storing ? count : std::min(GetGroupCount(), maxCount);
    if (n < 0)
        n = 0;
    for (int i = 0; i < n; ++i)
        element(i, ArrName(i));
    CloseGroup();
    return n;
}

// ------------------------------------------------------------------------------------------------
// Values

template <class T>
void CTagArchive::ExchangeLE(std::string_view name, T& v, T def)
{
    using U = std::make_unsigned_t<T>;
    if (m_storing) {
        uint8_t b[sizeof(T)];
        ToLE<U>(static_cast<U>(v), b);
        WriteValue(name, b, sizeof(T));
        return;
    }
    const uint8_t* p = ReadValue(name, sizeof(T));
    v = p ? static_cast<T>(FromLE<U>(p)) : def;
}

void CTagArchive::SerializeByte(std::string_view name, uint8_t& v, uint8_t def) { ExchangeLE(name, v, def); }

void CTagArchive::SerializeChar(std::string_view name, char& v, char def)
{
    uint8_t b = static_cast<uint8_t>(v);
    ExchangeLE(name, b, static_cast<uint8_t>(def));
    v = static_cast<char>(b);
}

void CTagArchive::SerializeBool(std::string_view name, bool& v, bool def)
{
    uint8_t b = v ? 1 : 0;
    if (m_storing) {
        WriteValue(name, &b, 1);
        return;
    }
    const uint8_t* p = ReadValue(name, 1);
    v = p ? (*p != 0) : def;
}

void CTagArchive::SerializeShort(std::string_view name, int16_t& v, int16_t def) { ExchangeLE(name, v, def); }
void CTagArchive::SerializeShort(std::string_view name, uint16_t& v, uint16_t def) { ExchangeLE(name, v, def); }
void CTagArchive::SerializeInt(std::string_view name, int32_t& v, int32_t def) { ExchangeLE(name, v, def); }
void CTagArchive::SerializeDword(std::string_view name, uint32_t& v, uint32_t def) { ExchangeLE(name, v, def); }

void CTagArchive::SerializeDouble(std::string_view name, double& v, double def)
{
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    uint64_t defBits;
    std::memcpy(&defBits, &def, 8);
    ExchangeLE(name, bits, defBits);
    if (!m_storing)
        std::memcpy(&v, &bits, 8);
}

void CTagArchive::SerializeRect(std::string_view name, CTagRect& v, const CTagRect* def)
{
    if (m_storing) {
        uint8_t b[16];
        ToLE<uint32_t>(static_cast<uint32_t>(v.left), b);
        ToLE<uint32_t>(static_cast<uint32_t>(v.top), b + 4);
        ToLE<uint32_t>(static_cast<uint32_t>(v.right), b + 8);
        ToLE<uint32_t>(static_cast<uint32_t>(v.bottom), b + 12);
        WriteValue(name, b, 16);
        return;
    }
    const uint8_t* p = ReadValue(name, 16);
    if (p) {
        v.left = static_cast<int32_t>(FromLE<uint32_t>(p));
        v.top = static_cast<int32_t>(FromLE<uint32_t>(p + 4));
        v.right = static_cast<int32_t>(FromLE<uint32_t>(p + 8));
        v.bottom = static_cast<int32_t>(FromLE<uint32_t>(p + 12));
    } else if (def) {
        v = *def;
    }
}

void CTagArchive::SerializeString(std::string_view name, std::string& v, std::string_view def)
{
    if (m_storing) {
        WriteValue(name, v.data(), v.size());
        return;
    }
    const uint8_t* p = nullptr;
    size_t size = 0;
    if (ReadVariable(name, SIZE_MAX, p, size))
        v.assign(reinterpret_cast<const char*>(p), size);
    else
        v.assign(def.data(), def.size());
}

bool CTagArchive::SerializeBuffer(std::string_view name, void* data, uint32_t size)
{
    if (m_storing)
        return WriteValue(name, data, size);
    const uint8_t* p = ReadValue(name, size);
    if (!p)
        return false;
    if (size > 0)
        std::memcpy(data, p, size);
    return true;
}

bool CTagArchive::SerializeSizedBytes(std::string_view name, std::vector<uint8_t>& v, uint32_t size)
{
    if (m_storing) {
        if (v.size() >= size)
            return WriteValue(name, v.data(), size);
        std::vector<uint8_t> padded(v);
        padded.resize(size, 0);
        return WriteValue(name, padded.data(), size);
    }
    const uint8_t* p = ReadValue(name, size);
    if (!p)
        return false;
    v.assign(p, p + size);
    return true;
}

bool CTagArchive::SerializeBytes(std::string_view name, std::vector<uint8_t>& v, uint32_t maxSize)
{
    if (m_storing)
        return WriteValue(name, v.data(), v.size());
    const uint8_t* p = nullptr;
    size_t size = 0;
    if (!ReadVariable(name, maxSize, p, size))
        return false;
    v.assign(p, p + size);
    return true;
}

// ------------------------------------------------------------------------------------------------
// Whole records

bool CTagArchive::SerializeRecord(std::string_view name, std::vector<uint8_t>& record)
{
    if (!m_open)
        return false;
    if (!m_storing) {
        Record rec;
        if (!FindChild(name, rec))
            return false;
        record.assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(rec.pos),
                      m_bytes.begin() + static_cast<std::ptrdiff_t>(rec.end));
        AdvanceCursor(m_stack[m_depth], rec);
        return true;
    }
    // Storing: the bytes must be exactly one record of this name.
    const size_t nameLen = name.size();
    if (m_depth < 1 || nameLen > kMaxNameLength || record.size() < 1 + nameLen + 8 || record[0] != nameLen ||
        std::memcmp(record.data() + 1, name.data(), nameLen) != 0)
        return false;
    const uint32_t b = LoadU32(record.data() + 1 + nameLen + 4);
    if (static_cast<uint64_t>(b) != record.size() - (1 + nameLen + 8) || b > static_cast<uint32_t>(INT32_MAX))
        return false;
    Room(record.size());
    m_bytes.insert(m_bytes.end(), record.begin(), record.end());
    AddToParent(nameLen, b);
    return true;
}

std::vector<uint8_t> CTagArchive::WrapRecords(std::string_view className,
                                              const std::vector<const std::vector<uint8_t>*>& records)
{
    const size_t nameLen = std::min(className.size(), kMaxNameLength);
    uint64_t payload = 0;
    uint32_t count = 0;
    for (const std::vector<uint8_t>* r : records)
        if (r && !r->empty()) {
            payload += r->size();
            ++count;
        }
    // The whole wrap at once: the length byte, the name, two counts and the records.
    std::vector<uint8_t> out;
    out.reserve(1 + nameLen + 8 + payload);
    out.push_back(static_cast<uint8_t>(nameLen));
    out.insert(out.end(), className.begin(), className.begin() + static_cast<std::ptrdiff_t>(nameLen));
    uint8_t b[4];
    StoreU32(b, count);
    out.insert(out.end(), b, b + 4);
    StoreU32(b, static_cast<uint32_t>(std::min<uint64_t>(payload, INT32_MAX)));
    out.insert(out.end(), b, b + 4);
    for (const std::vector<uint8_t>* r : records)
        if (r && !r->empty())
            out.insert(out.end(), r->begin(), r->end());
    return out;
}
