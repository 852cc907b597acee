#include "platform/registry/Registry.h"
#include "platform/text/Hex.h"

#include "platform/fs/AtomicFile.h"
#include "platform/paths/Paths.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <unordered_map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// ------------------------------------------------------------------------------------------------
// Values

RegValue RegValue::String(std::string name, std::string value)
{
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::String;
    v.string = std::move(value);
    return v;
}

RegValue RegValue::Dword(std::string name, uint32_t value)
{
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Dword;
    v.dword = value;
    return v;
}

RegValue RegValue::Binary(std::string name, std::vector<uint8_t> value)
{
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Binary;
    v.binary = std::move(value);
    return v;
}

namespace {

constexpr size_t kMaxRegistryFile = 64u << 20;
// Keys nest at most this many levels below the hive, as on the platform the files come from; the
// tree is walked and freed recursively, so a deeper key from a hand-made file would exhaust the
// stack.
constexpr size_t kMaxKeyDepth = 512;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::vector<std::string> SplitKey(std::string_view key)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= key.size()) {
        size_t end = key.find('\\', start);
        if (end == std::string_view::npos)
            end = key.size();
        if (end > start)
            parts.emplace_back(key.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// Whether a key path can be created: not empty, not deeper than the limit, and no name with a line
// feed (it would split the key's section line, and the key's values would be lost on reload).
bool StorableKey(const std::vector<std::string>& parts)
{
    if (parts.empty() || parts.size() > kMaxKeyDepth)
        return false;
    for (const auto& p : parts)
        if (p.find('\n') != std::string::npos)
            return false;
    return true;
}

std::string LowerName(std::string_view n)
{
    std::string out(n);
    for (char& c : out)
        c = Lower(c);
    return out;
}

// A key. Children and values keep their order in vectors; an index by lower-case name finds
// them, so that a key with a million subkeys or values loads in linear time.
struct Node {
    std::string name;
    std::vector<RegValue> values;
    std::vector<std::unique_ptr<Node>> children;
    std::unordered_map<std::string, size_t> childAt;
    std::unordered_map<std::string, size_t> valueAt;

    Node* Child(std::string_view n)
    {
        auto it = childAt.find(LowerName(n));
        return it == childAt.end() ? nullptr : children[it->second].get();
    }
    Node* ChildOrAdd(std::string_view n)
    {
        auto [it, added] = childAt.try_emplace(LowerName(n), children.size());
        if (!added)
            return children[it->second].get();
        children.push_back(std::make_unique<Node>());
        children.back()->name = std::string(n);
        return children.back().get();
    }
    bool EraseChild(std::string_view n)
    {
        return Erase(children, childAt, n, [](const std::unique_ptr<Node>& c) { return c->name; });
    }
    RegValue* Value(std::string_view n)
    {
        auto it = valueAt.find(LowerName(n));
        return it == valueAt.end() ? nullptr : &values[it->second];
    }
    bool EraseValue(std::string_view n)
    {
        return Erase(values, valueAt, n, [](const RegValue& v) { return v.name; });
    }
    // Removes the item of that name and renumbers the index; false when there is none.
    template <class Item, class NameOf>
    static bool Erase(std::vector<Item>& items, std::unordered_map<std::string, size_t>& at, std::string_view n,
                      NameOf nameOf)
    {
        auto it = at.find(LowerName(n));
        if (it == at.end())
            return false;
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(it->second));
        at.clear();
        for (size_t i = 0; i < items.size(); ++i)
            at.emplace(LowerName(nameOf(items[i])), i);
        return true;
    }
    // Sets keeping the place; returns whether anything changed.
    bool Set(const RegValue& v)
    {
        if (RegValue* old = Value(v.name)) {
            RegValue replacement = v;
            replacement.name = old->name;
            if (*old == replacement)
                return false;
            *old = std::move(replacement);
            return true;
        }
        valueAt.emplace(LowerName(v.name), values.size());
        values.push_back(v);
        return true;
    }
};

Node* Walk(Node& root, const std::vector<std::string>& parts)
{
    Node* n = &root;
    for (const auto& p : parts) {
        n = n->Child(p);
        if (!n)
            return nullptr;
    }
    return n;
}

Node* WalkOrCreate(Node& root, const std::vector<std::string>& parts)
{
    Node* n = &root;
    for (const auto& p : parts)
        n = n->ChildOrAdd(p);
    return n;
}

// ---- text form ----

const char kHex[] = "0123456789abcdef";

void AppendName(std::string& out, const std::string& name)
{
    if (name.empty()) {
        out += '@';
        return;
    }
    out += '"';
    out += regedit::EscapeString(name);
    out += '"';
}

void AppendValue(std::string& out, const RegValue& v)
{
    AppendName(out, v.name);
    out += '=';
    switch (v.type) {
    case RegType::String:
        out += '"';
        out += regedit::EscapeString(v.string);
        out += '"';
        break;
    case RegType::Dword: {
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out += kHex[(v.dword >> shift) & 0xF];
        break;
    }
    case RegType::Binary: {
        out += "hex:";
        size_t column = out.size() - out.rfind('\n') - 1;
        for (size_t i = 0; i < v.binary.size(); ++i) {
            out += kHex[v.binary[i] >> 4];
            out += kHex[v.binary[i] & 0xF];
            column += 2;
            if (i + 1 < v.binary.size()) {
                out += ',';
                ++column;
                if (column > 76) { // regedit wraps long hex lines
                    out += "\\\n  ";
                    column = 2;
                }
            }
        }
        break;
    }
    }
    out += '\n';
}

void AppendNode(std::string& out, const Node& node, const std::string& path)
{
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& v : node.values)
        AppendValue(out, v);
    out += '\n';
    for (const auto& c : node.children)
        AppendNode(out, *c, path + "\\" + c->name);
}

std::string ToText(const Node& root, const std::string& rootName)
{
    std::string out = "REGEDIT4\n\n";
    for (const auto& c : root.children)
        AppendNode(out, *c, rootName + "\\" + c->name);
    return out;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameName(s.substr(0, prefix.size()), prefix);
}

bool ParseHexBytes(std::string_view s, std::vector<uint8_t>& out)
{
    out.clear();
    s = Trim(s);
    if (s.empty())
        return true;
    size_t pos = 0;
    while (pos < s.size()) {
        size_t comma = s.find(',', pos);
        if (comma == std::string_view::npos)
            comma = s.size();
        std::string_view tok = Trim(s.substr(pos, comma - pos));
        if (tok.empty() && comma == s.size())
            break; // a trailing comma
        if (tok.empty() || tok.size() > 2)
            return false;
        int v = 0;
        for (char c : tok) {
            int d = HexDigit(c);
            if (d < 0)
                return false;
            v = v * 16 + d;
        }
        out.push_back(static_cast<uint8_t>(v));
        pos = comma + 1;
    }
    return true;
}

void ParseText(std::string_view text, Node& root, const std::string& rootName, bool machine)
{
    root = Node{};
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    Node* current = nullptr;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = Trim(lines[i]);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            current = nullptr;
            size_t close = line.rfind(']');
            if (close == std::string_view::npos || close < 1)
                continue;
            std::string_view inner = line.substr(1, close - 1);
            if (!inner.empty() && inner[0] == '-')
                continue; // a deletion section: not supported, ignored
            std::vector<std::string> parts = SplitKey(inner);
            if (parts.empty() || parts.size() > kMaxKeyDepth + 1)
                continue;
            std::vector<std::string> path;
            if (SameName(parts[0], rootName)) {
                path.assign(parts.begin() + 1, parts.end());
            } else if (machine && SameName(parts[0], "HKEY_CLASSES_ROOT")) {
                path = {"Software", "Classes"};
                path.insert(path.end(), parts.begin() + 1, parts.end());
            } else {
                continue; // another root
            }
            if (path.empty() || path.size() > kMaxKeyDepth)
                continue;
            current = WalkOrCreate(root, path);
            continue;
        }
        if (!current || (line[0] != '"' && line[0] != '@'))
            continue;
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!regedit::ParseQuoted(line, pos, name)) {
            continue;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            continue;
        ++pos;
        std::string_view data = Trim(line.substr(pos));
        RegValue value;
        value.name = name;
        if (!data.empty() && data[0] == '"') {
            size_t p = 0;
            std::string s;
            if (!regedit::ParseQuoted(data, p, s))
                continue;
            value.type = RegType::String;
            value.string = std::move(s);
        } else if (StartsWithNoCase(data, "dword:")) {
            std::string_view digits = Trim(data.substr(6));
            if (digits.empty() || digits.size() > 8)
                continue;
            uint32_t v = 0;
            bool ok = true;
            for (char c : digits) {
                int d = HexDigit(c);
                if (d < 0) {
                    ok = false;
                    break;
                }
                v = (v << 4) | static_cast<uint32_t>(d);
            }
            if (!ok)
                continue;
            value.type = RegType::Dword;
            value.dword = v;
        } else if (StartsWithNoCase(data, "hex")) {
            size_t colon = data.find(':');
            if (colon == std::string_view::npos)
                continue;
            // Continuation lines: a trailing backslash joins the next line. Each line is appended
            // once, so a value continued over a million lines still loads in linear time.
            std::string joined(Trim(data.substr(colon + 1)));
            while (!joined.empty() && joined.back() == '\\' && i + 1 < lines.size()) {
                joined.pop_back();
                joined += Trim(lines[++i]);
            }
            std::vector<uint8_t> bytes;
            if (!ParseHexBytes(joined, bytes))
                continue;
            value.type = RegType::Binary;
            value.binary = std::move(bytes);
        } else {
            continue; // "-" (deletion) or unknown
        }
        current->Set(value);
    }
}

struct Signature {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};
    bool operator==(const Signature& o) const
    {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

Signature SignatureOf(const struct stat& st)
{
    Signature s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

} // namespace

// ------------------------------------------------------------------------------------------------
// One file

class RegistryFile {
public:
    RegistryFile(std::string path, std::string rootName, bool machine)
        : m_path(std::move(path)), m_rootName(std::move(rootName)), m_machine(machine)
    {
    }

    const std::string& Path() const { return m_path; }

    // Runs a read under the mutex on the current content.
    template <class F>
    auto Read(F&& f)
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (m_batchDepth == 0)
            Refresh();
        return f(m_root);
    }

    // f returns 0: nothing found (false, nothing written); 1: nothing to change (true);
    // 2: changed (the file is written).
    bool Modify(const std::function<int(Node&)>& f)
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (m_batchDepth > 0) {
            int r = f(m_root);
            if (r == 2)
                m_dirty = true;
            return r != 0;
        }
        if (!LockFile()) {
            // Cannot even create the lock: the file cannot be written either.
            return false;
        }
        if (!Refresh(true)) {
            // Writing now would replace values that could not be read.
            UnlockFile();
            return false;
        }
        int r = f(m_root);
        bool ok = r != 0;
        if (r == 2 && !Save())
            ok = false;
        UnlockFile();
        return ok;
    }

    void BeginBatch()
    {
        m_mutex.lock();
        if (m_batchDepth++ == 0) {
            m_locked = LockFile();
            if (!Refresh(true) && m_locked) {
                UnlockFile(); // the file could not be read: the batch must not save
                m_locked = false;
            }
            m_dirty = false;
        }
    }

    bool CommitBatch()
    {
        bool ok = true;
        if (m_batchDepth == 1 && m_dirty) {
            if (m_locked) {
                ok = Save();
            } else {
                ok = false;
                m_loaded = false;
                Refresh(true); // forget the changes that cannot be saved
            }
            m_dirty = false;
        }
        return ok;
    }

    void EndBatch()
    {
        if (--m_batchDepth == 0) {
            if (m_dirty)
                CommitBatch();
            if (m_locked)
                UnlockFile();
            m_locked = false;
        }
        m_mutex.unlock();
    }

private:
    // Reloads the file when it changed since it was loaded (or always, when forced). False when
    // the file exists but could not be read (what was loaded before is kept).
    bool Refresh(bool force = false)
    {
        struct stat st {};
        if (::stat(m_path.c_str(), &st) != 0) {
            m_root = Node{};
            m_text.clear();
            m_sig = Signature{};
            m_loaded = true;
            return true;
        }
        Signature now = SignatureOf(st);
        if (!force && m_loaded && now == m_sig && !Racy(now))
            return true;
        int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return false; // keep what we have
        struct stat fst {};
        std::string text;
        bool ok = ::fstat(fd, &fst) == 0 && S_ISREG(fst.st_mode) &&
                  static_cast<unsigned long long>(fst.st_size) <= kMaxRegistryFile;
        if (ok) {
            text.resize(static_cast<size_t>(fst.st_size));
            size_t got = 0;
            while (got < text.size()) {
                ssize_t n = ::read(fd, text.data() + got, text.size() - got);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    ok = false; // a read error: not the whole file
                if (n <= 0)
                    break;
                got += static_cast<size_t>(n);
            }
            text.resize(got);
        }
        ::close(fd);
        if (!ok)
            return false;
        m_sig = SignatureOf(fst);
        m_loaded = true;
        if (force || text != m_text) {
            ParseText(text, m_root, m_rootName, m_machine);
            m_text = std::move(text);
        }
        return true;
    }

    static bool Racy(const Signature& s)
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return now.tv_sec - s.mtime.tv_sec < 2 && now.tv_sec >= s.mtime.tv_sec - 1;
    }

    bool LockFile()
    {
        MakeFolders(FolderPart(m_path));
        m_lockFd = ::open((m_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_lockFd < 0)
            return false;
        while (::flock(m_lockFd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_lockFd);
                m_lockFd = -1;
                return false;
            }
        }
        return true;
    }

    void UnlockFile()
    {
        if (m_lockFd >= 0) {
            ::flock(m_lockFd, LOCK_UN);
            ::close(m_lockFd);
            m_lockFd = -1;
        }
    }

    bool Save()
    {
        std::string text = ToText(m_root, m_rootName);
        AtomicFileWriter writer;
        bool ok = writer.Begin(m_path) && writer.Write(text) && writer.Commit();
        if (!ok) {
            // Nothing changed on disk: forget the change in memory too.
            m_loaded = false;
            m_text.clear();
            Refresh(true);
            return false;
        }
        struct stat st {};
        if (::stat(m_path.c_str(), &st) == 0)
            m_sig = SignatureOf(st);
        m_text = std::move(text);
        return true;
    }

    std::string m_path;
    std::string m_rootName;
    bool m_machine;
    std::recursive_mutex m_mutex;
    Node m_root;
    std::string m_text; // the text last loaded or saved
    Signature m_sig;
    bool m_loaded = false;
    int m_batchDepth = 0;
    bool m_dirty = false;
    bool m_locked = false;
    int m_lockFd = -1;
};

// ------------------------------------------------------------------------------------------------
// Registry

namespace {

std::string EnvOr(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

} // namespace

std::string Registry::DefaultUserFile()
{
    std::string dir = EnvOr("VQX_REGISTRY_DIR");
    if (!dir.empty())
        return JoinPath(dir, "user.reg");
    return UserConfigFolder() + "/user.reg";
}

std::string Registry::DefaultMachineFile()
{
    std::string dir = EnvOr("VQX_REGISTRY_DIR");
    if (!dir.empty())
        return JoinPath(dir, "machine.reg");
    return JoinPath(ActivePrefix(), "etc/korvessan/machine.reg");
}

Registry::Registry() : Registry(DefaultUserFile(), DefaultMachineFile()) {}

Registry::Registry(std::string userFile, std::string machineFile)
    : m_user(std::make_unique<RegistryFile>(std::move(userFile), "HKEY_CURRENT_USER", false)),
      m_machine(std::make_unique<RegistryFile>(std::move(machineFile), "HKEY_LOCAL_MACHINE", true))
{
}

Registry::~Registry() = default;

RegistryFile& Registry::FileOf(RegHive hive)
{
    return hive == RegHive::CurrentUser ? *m_user : *m_machine;
}

const std::string& Registry::FilePath(RegHive hive) const
{
    return hive == RegHive::CurrentUser ? m_user->Path() : m_machine->Path();
}

std::string Registry::KeyPath(RegHive hive, std::string_view key)
{
    if (hive == RegHive::ClassesRoot)
        return "Software\\Classes\\" + std::string(key);
    return std::string(key);
}

bool Registry::KeyExists(RegHive hive, std::string_view key)
{
    auto parts = SplitKey(KeyPath(hive, key));
    return FileOf(hive).Read([&](Node& root) { return !parts.empty() && Walk(root, parts) != nullptr; });
}

bool Registry::CreateKey(RegHive hive, std::string_view key)
{
    auto parts = SplitKey(KeyPath(hive, key));
    if (!StorableKey(parts))
        return false;
    return FileOf(hive).Modify([&](Node& root) {
        if (Walk(root, parts))
            return 1;
        WalkOrCreate(root, parts);
        return 2;
    });
}

bool Registry::DeleteKey(RegHive hive, std::string_view key)
{
    auto parts = SplitKey(KeyPath(hive, key));
    if (parts.empty())
        return false;
    return FileOf(hive).Modify([&](Node& root) {
        std::vector<std::string> parentPath(parts.begin(), parts.end() - 1);
        Node* parent = Walk(root, parentPath);
        if (!parent)
            return 0;
        return parent->EraseChild(parts.back()) ? 2 : 0;
    });
}

std::vector<std::string> Registry::SubKeys(RegHive hive, std::string_view key)
{
    auto parts = SplitKey(KeyPath(hive, key));
    return FileOf(hive).Read([&](Node& root) {
        std::vector<std::string> names;
        if (Node* n = Walk(root, parts))
            for (auto& c : n->children)
                names.push_back(c->name);
        return names;
    });
}

std::vector<RegValue> Registry::Values(RegHive hive, std::string_view key)
{
    auto parts = SplitKey(KeyPath(hive, key));
    return FileOf(hive).Read([&](Node& root) {
        std::vector<RegValue> values;
        if (parts.empty())
            return values;
        if (Node* n = Walk(root, parts))
            values = n->values;
        return values;
    });
}

std::optional<RegValue> Registry::GetValue(RegHive hive, std::string_view key, std::string_view name)
{
    auto parts = SplitKey(KeyPath(hive, key));
    return FileOf(hive).Read([&](Node& root) -> std::optional<RegValue> {
        if (parts.empty())
            return std::nullopt;
        Node* n = Walk(root, parts);
        if (!n)
            return std::nullopt;
        RegValue* v = n->Value(name);
        if (!v)
            return std::nullopt;
        return *v;
    });
}

std::optional<std::string> Registry::GetString(RegHive hive, std::string_view key, std::string_view name)
{
    auto v = GetValue(hive, key, name);
    if (!v || v->type != RegType::String)
        return std::nullopt;
    return v->string;
}

std::optional<uint32_t> Registry::GetDword(RegHive hive, std::string_view key, std::string_view name)
{
    auto v = GetValue(hive, key, name);
    if (!v || v->type != RegType::Dword)
        return std::nullopt;
    return v->dword;
}

std::optional<std::vector<uint8_t>> Registry::GetBinary(RegHive hive, std::string_view key, std::string_view name)
{
    auto v = GetValue(hive, key, name);
    if (!v || v->type != RegType::Binary)
        return std::nullopt;
    return v->binary;
}

bool Registry::SetValue(RegHive hive, std::string_view key, const RegValue& value)
{
    auto parts = SplitKey(KeyPath(hive, key));
    if (!StorableKey(parts))
        return false;
    return FileOf(hive).Modify([&](Node& root) {
        bool created = Walk(root, parts) == nullptr;
        Node* n = WalkOrCreate(root, parts);
        return (n->Set(value) || created) ? 2 : 1;
    });
}

bool Registry::SetString(RegHive hive, std::string_view key, std::string_view name, std::string_view value)
{
    return SetValue(hive, key, RegValue::String(std::string(name), std::string(value)));
}

bool Registry::SetDword(RegHive hive, std::string_view key, std::string_view name, uint32_t value)
{
    return SetValue(hive, key, RegValue::Dword(std::string(name), value));
}

bool Registry::SetBinary(RegHive hive, std::string_view key, std::string_view name, const std::vector<uint8_t>& value)
{
    return SetValue(hive, key, RegValue::Binary(std::string(name), value));
}

bool Registry::DeleteValue(RegHive hive, std::string_view key, std::string_view name)
{
    auto parts = SplitKey(KeyPath(hive, key));
    if (parts.empty())
        return false;
    return FileOf(hive).Modify([&](Node& root) {
        Node* n = Walk(root, parts);
        if (!n)
            return 0;
        return n->EraseValue(name) ? 2 : 0;
    });
}

Registry::Batch::Batch(Registry& registry, RegHive hive) : m_file(&registry.FileOf(hive))
{
    m_file->BeginBatch();
}

Registry::Batch::~Batch()
{
    Commit();
    m_file->EndBatch();
}

bool Registry::Batch::Commit()
{
    if (!m_done) {
        m_result = m_file->CommitBatch();
        m_done = true;
    }
    return m_result;
}

// ------------------------------------------------------------------------------------------------
// The process-wide registry

namespace {
std::atomic<Registry*> g_installed{nullptr};
}

Registry& DefaultRegistry()
{
    if (Registry* r = g_installed.load())
        return *r;
    static Registry fromEnvironment;
    return fromEnvironment;
}

void SetDefaultRegistry(Registry* registry) { g_installed.store(registry); }

// ------------------------------------------------------------------------------------------------
// Text helpers

namespace regedit {

std::string EscapeString(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 2);
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        default: out += c;
        }
    }
    return out;
}

bool ParseQuoted(std::string_view s, size_t& pos, std::string& out)
{
    out.clear();
    if (pos >= s.size() || s[pos] != '"')
        return false;
    ++pos;
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"')
            return true;
        if (c == '\\' && pos < s.size()) {
            char e = s[pos++];
            switch (e) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case '0': out += '\0'; break;
            default:
                out += '\\';
                out += e;
            }
            continue;
        }
        out += c;
    }
    return false; // no closing quote
}

std::string Reformat(std::string_view text, RegHive hive)
{
    const bool machine = hive != RegHive::CurrentUser;
    const std::string rootName = machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    Node root;
    ParseText(text, root, rootName, machine);
    return ToText(root, rootName);
}

} // namespace regedit

} // namespace platform
