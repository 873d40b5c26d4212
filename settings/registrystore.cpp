#include "settings/registrystore.h"

// The store keeps no state between processes except the file. Each change is
// a read-modify-write of the whole file under an exclusive flock on a sibling
// lock file: the change is applied to what is on disk at that moment, so two
// processes writing different values both keep theirs, and the new text is
// written to a temporary file that is fsynced and renamed over the old one,
// so a crash at any point leaves either the old or the new file, complete.
// Readers do not lock: a rename is atomic, so they see one file or the other.
//
// The lock also guards the two other things that touch the file: moving a
// damaged file aside (a reader that finds it damaged rechecks under the lock,
// so it never moves a good file another process has just written) and
// removing temporary files that a killed writer left behind (while we hold
// the lock no live writer can own one).

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <unordered_map>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/WRegistryKey.h"
#include "framework/regularfile.h"

namespace orvanta {

namespace {

// A settings file holds a few hundred lines; 10,000 picture directories make
// a few megabytes. Anything far larger is not ours and is refused rather than
// loaded into memory.
constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20;
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

std::string fold(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool validKeyPath(std::string_view path) {
    if (path.empty()) return true;
    if (path.size() > kMaxLineBytes / 2) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find('\\', start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
        if (part.empty()) return false;
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 0x20) return false;
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

std::string parentOf(const std::string& path) {
    const std::size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

void appendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (const char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    out += '"';
}

std::size_t quotedLength(std::string_view s) {
    std::size_t n = 2;
    for (const char c : s) n += (c == '\\' || c == '"' || c == '\n' || c == '\r') ? 2 : 1;
    return n;
}

// Reads a quoted string starting at line[pos] == '"'; pos ends after the
// closing quote. False for an unterminated string or an unknown escape.
bool readQuoted(std::string_view line, std::size_t& pos, std::string& out) {
    if (pos >= line.size() || line[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= line.size()) return false;
        switch (line[pos++]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
        }
    }
    return false;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// --- file system ---

enum class ReadResult { Ok, Missing, TooBig, Error };

ReadResult readWhole(const std::string& path, std::string& out) {
    out.clear();
    // A FIFO or device in the settings file's place is unreadable, never waited on.
    const int fd = openRegularFile(path);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Error;
    struct stat st {};
    ReadResult result = ReadResult::Ok;
    if (::fstat(fd, &st) != 0) {
        result = ReadResult::Error;
    } else if (static_cast<std::uint64_t>(st.st_size) > kMaxFileBytes) {
        result = ReadResult::TooBig;
    } else {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result = ReadResult::Error;
                break;
            }
            if (n == 0) break;
            if (out.size() + static_cast<std::size_t>(n) > kMaxFileBytes) {  // grew while read
                result = ReadResult::TooBig;
                break;
            }
            out.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (result != ReadResult::Ok) out.clear();
    return result;
}

std::string directoryOf(const std::string& path) {
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return dir.empty() ? std::string(".") : dir;
}

// Makes a rename in the directory survive a crash.
bool syncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync directories
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string temporaryPrefix(const std::string& path) {
    return "." + std::filesystem::path(path).filename().string() + ".tmp-";
}

bool writeAtomically(const std::string& path, const std::string& text) {
    const std::string dir = directoryOf(path);
    std::string temp = dir + "/" + temporaryPrefix(path) + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // Keep the mode of the file being replaced; a new store is readable by all,
    // as the system-wide one must be.
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = writeAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    return syncDirectory(dir);
}

void removeLeftoverTemporaries(const std::string& path) {
    const std::string dir = directoryOf(path);
    const std::string prefix = temporaryPrefix(path);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* entry = ::readdir(d)) {
        if (startsWith(entry->d_name, prefix)) ::unlinkat(::dirfd(d), entry->d_name, 0);
    }
    ::closedir(d);
}

// Renames a damaged file to "<file>.damaged-YYYYMMDD-HHMMSS" (with "-N" added
// when that exists); false when it could not be moved, so that it is never
// overwritten.
bool moveAside(const std::string& path) {
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    char stamp[32] = "unknown";
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + ".damaged-" + stamp;
    for (int n = 0; n < 1000; ++n) {
        const std::string target = n == 0 ? base : base + "-" + std::to_string(n);
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0) continue;
        if (errno != ENOENT) return false;
        if (::rename(path.c_str(), target.c_str()) != 0) return false;
        syncDirectory(directoryOf(path));
        return true;
    }
    return false;
}

// An exclusive flock on "<file>.lock", released when the object goes.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool acquire(const std::string& filePath, bool createDirectory) {
        if (createDirectory) {
            std::error_code ec;
            std::filesystem::create_directories(directoryOf(filePath), ec);
            if (ec) return false;
        }
        fd_ = ::open((filePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) return false;
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
                return false;
            }
        }
        return true;
    }

private:
    int fd_ = -1;
};

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return std::string();
}

}  // namespace

// --- lookups ---

struct RegistryStore::Index {
    std::unordered_map<std::string, std::size_t> keys;  // folded path -> position in Hive::keys
    // Folded path of every key and every parent -> the path as first written,
    // which is the case a new key below it takes.
    std::unordered_map<std::string, std::string> known;
    std::vector<std::unordered_map<std::string, std::size_t>> values;  // per key: folded name -> position

    explicit Index(const Hive& hive) { rebuild(hive); }

    void rebuild(const Hive& hive) {
        keys.clear();
        known.clear();
        values.assign(hive.keys.size(), {});
        for (std::size_t k = 0; k < hive.keys.size(); ++k) {
            keys.emplace(fold(hive.keys[k].name), k);
            addKnown(hive.keys[k].name);
            const auto& vals = hive.keys[k].values;
            for (std::size_t v = 0; v < vals.size(); ++v) values[k].emplace(fold(vals[v].first), v);
        }
    }

    void addKnown(const std::string& path) { walk(path, true); }
    std::string canonical(const std::string& path) { return walk(path, false); }

    bool exists(const std::string& path) const { return path.empty() || known.count(fold(path)) != 0; }

    std::optional<std::size_t> find(const std::string& path) const {
        const auto it = keys.find(fold(path));
        if (it == keys.end()) return std::nullopt;
        return it->second;
    }

private:
    // Builds the path component by component, each in the case of the first
    // key that named it; records the prefixes when asked to.
    std::string walk(const std::string& path, bool record) {
        std::string canon, folded;
        std::size_t start = 0;
        while (!path.empty()) {
            const std::size_t end = path.find('\\', start);
            const std::string part = path.substr(start, end == std::string::npos ? end : end - start);
            folded += (folded.empty() ? "" : "\\") + fold(part);
            std::string spelled = canon.empty() ? part : canon + "\\" + part;
            auto it = known.find(folded);
            if (it != known.end())
                canon = it->second;
            else if (record)
                canon = known.emplace(folded, std::move(spelled)).first->second;
            else
                canon = std::move(spelled);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return canon;
    }
};

namespace {

using Hive = RegistryStore::Hive;
using Index = RegistryStore::Index;

std::size_t ensureKey(Hive& hive, Index& index, const std::string& path) {
    if (const auto found = index.find(path)) return *found;
    hive.keys.push_back({index.canonical(path), {}});
    const std::size_t k = hive.keys.size() - 1;
    index.keys.emplace(fold(path), k);
    index.values.emplace_back();
    index.addKnown(hive.keys[k].name);
    return k;
}

void setValueIn(Hive& hive, Index& index, const std::string& path, const std::string& name,
                const std::string& value) {
    const std::size_t k = ensureKey(hive, index, path);
    auto& vals = hive.keys[k].values;
    const auto [it, added] = index.values[k].emplace(fold(name), vals.size());
    if (added)
        vals.emplace_back(name, value);
    else
        vals[it->second].second = value;  // the name keeps the case it was first written in
}

bool deleteKeyIn(Hive& hive, Index& index, const std::string& path, bool recursive) {
    if (path.empty() || !index.exists(path)) return false;
    const std::string folded = fold(path);
    const std::string below = folded + "\\";
    const bool hasSubKeys = std::any_of(index.known.begin(), index.known.end(),
                                        [&](const auto& entry) { return startsWith(entry.first, below); });
    if (hasSubKeys && !recursive) return false;

    const std::string parent = parentOf(index.canonical(path));
    std::size_t firstRemoved = hive.keys.size();
    std::vector<RegistryStore::Key> kept;
    kept.reserve(hive.keys.size());
    for (std::size_t k = 0; k < hive.keys.size(); ++k) {
        const std::string name = fold(hive.keys[k].name);
        if (name == folded || startsWith(name, below))
            firstRemoved = std::min(firstRemoved, kept.size());
        else
            kept.push_back(std::move(hive.keys[k]));
    }
    hive.keys = std::move(kept);
    index.rebuild(hive);
    // The parent may have existed only through this key; the registry keeps it.
    if (!parent.empty() && !index.exists(parent)) {
        hive.keys.insert(hive.keys.begin() + static_cast<std::ptrdiff_t>(std::min(firstRemoved, hive.keys.size())),
                         RegistryStore::Key{parent, {}});
        index.rebuild(hive);
    }
    return true;
}

}  // namespace

// --- the text format ---

std::optional<RegistryStore::Hive> RegistryStore::parse(const std::string& text, const std::string& rootName) {
    if (text.size() > kMaxFileBytes) return std::nullopt;
    std::string_view rest(text);
    if (startsWith(rest, "\xEF\xBB\xBF")) rest.remove_prefix(3);

    Hive hive;
    std::unordered_map<std::string, std::size_t> keyIndex;
    std::vector<std::unordered_map<std::string, std::size_t>> valueIndex;
    const std::string foldedRoot = fold(rootName);
    bool first = true;
    std::size_t current = SIZE_MAX;
    std::string name, value;

    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        if (line.size() > kMaxLineBytes) return std::nullopt;
        line = trimRight(line);
        if (first) {
            if (line != "REGEDIT4") return std::nullopt;
            first = false;
            continue;
        }
        if (line.empty() || line[0] == ';') continue;

        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 2) return std::nullopt;
            const std::string_view inner = line.substr(1, line.size() - 2);
            if (fold(inner.substr(0, foldedRoot.size())) != foldedRoot) return std::nullopt;
            std::string_view path = inner.substr(foldedRoot.size());
            if (!path.empty()) {
                if (path[0] != '\\') return std::nullopt;
                path.remove_prefix(1);
                if (path.empty()) return std::nullopt;
            }
            if (!validKeyPath(path)) return std::nullopt;
            const auto [it, added] = keyIndex.emplace(fold(path), hive.keys.size());
            if (added) {
                hive.keys.push_back({std::string(path), {}});
                valueIndex.emplace_back();
            }
            current = it->second;
            continue;
        }

        if (line[0] != '@' && line[0] != '"') return std::nullopt;
        if (current == SIZE_MAX) return std::nullopt;  // a value outside any key
        std::size_t pos = 0;
        if (line[0] == '@') {
            name.clear();
            pos = 1;
        } else if (!readQuoted(line, pos, name)) {
            return std::nullopt;
        }
        if (pos >= line.size() || line[pos] != '=') return std::nullopt;
        ++pos;
        if (!readQuoted(line, pos, value) || pos != line.size()) return std::nullopt;
        auto& vals = hive.keys[current].values;
        const auto [it, added] = valueIndex[current].emplace(fold(name), vals.size());
        if (added)
            vals.emplace_back(name, value);
        else
            vals[it->second].second = value;
    }
    if (first) return std::nullopt;  // empty text: not even the header
    return hive;
}

std::string RegistryStore::serialize(const Hive& hive, const std::string& rootName) {
    std::string out = "REGEDIT4\n\n";
    for (const Key& key : hive.keys) {
        out += '[';
        out += rootName;
        if (!key.name.empty()) {
            out += '\\';
            out += key.name;
        }
        out += "]\n";
        for (const auto& [name, value] : key.values) {
            if (name.empty())
                out += '@';
            else
                appendQuoted(out, name);
            out += '=';
            appendQuoted(out, value);
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

// --- the store ---

std::shared_ptr<RegistryStore> RegistryStore::forRoot(RegistryRoot root) {
    if (root == RegistryRoot::LocalMachine)
        return std::make_shared<RegistryStore>("/etc/xdg/orvanta/HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE");
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string dir = (config && config[0] == '/') ? std::string(config) : homeDirectory() + "/.config";
    return std::make_shared<RegistryStore>(dir + "/orvanta/HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER");
}

RegistryStore::RegistryStore(std::string filePath, std::string rootName)
    : filePath_(std::move(filePath)), rootName_(std::move(rootName)) {}

RegistryStore::~RegistryStore() = default;

RegistryStore::Hive RegistryStore::load() {
    std::string text;
    ReadResult result = readWhole(filePath_, text);
    if (result == ReadResult::Ok)
        if (auto hive = parse(text, rootName_)) return std::move(*hive);
    if (result != ReadResult::Ok && result != ReadResult::TooBig) return {};

    // Damaged, as far as an unlocked read can tell: look again under the lock
    // before moving it aside. Without the lock (a store we may not write) it
    // stays where it is and reads as empty.
    FileLock lock;
    if (!lock.acquire(filePath_, false)) return {};
    result = readWhole(filePath_, text);
    if (result == ReadResult::Ok)
        if (auto hive = parse(text, rootName_)) return std::move(*hive);
    if (result == ReadResult::Ok || result == ReadResult::TooBig) moveAside(filePath_);
    return {};
}

void RegistryStore::ensureLoaded() {
    if (loaded_) return;
    snapshot_ = load();
    index_.reset();
    loaded_ = true;
}

RegistryStore::Index& RegistryStore::index() {
    ensureLoaded();
    if (!index_) index_ = std::make_unique<Index>(snapshot_);
    return *index_;
}

namespace {

template <typename OpT>
bool applyOp(Hive& hive, Index& index, const OpT& op, std::size_t maxLine) {
    using Kind = typename OpT::Kind;
    if (!validKeyPath(op.key)) return false;
    switch (op.kind) {
    case Kind::Create:
        if (!index.exists(op.key)) ensureKey(hive, index, op.key);
        return true;
    case Kind::Set:
        if (quotedLength(op.name) + quotedLength(op.value) + 1 > maxLine) return false;
        setValueIn(hive, index, op.key, op.name, op.value);
        return true;
    case Kind::Delete: return deleteKeyIn(hive, index, op.key, false);
    case Kind::DeleteTree: return deleteKeyIn(hive, index, op.key, true);
    }
    return false;
}

}  // namespace

template <typename Change>
bool RegistryStore::change(Change&& apply) {
    try {
        FileLock lock;
        if (!lock.acquire(filePath_, true)) return false;
        removeLeftoverTemporaries(filePath_);

        std::string text;
        ReadResult result = readWhole(filePath_, text);
        if (result == ReadResult::Error) return false;  // never replace what we could not read
        Hive hive;
        if (result != ReadResult::Missing) {
            std::optional<Hive> parsed;
            if (result == ReadResult::Ok) parsed = parse(text, rootName_);
            if (parsed) {
                hive = std::move(*parsed);
            } else {
                if (!moveAside(filePath_)) return false;
                result = ReadResult::Missing;
            }
        }

        Index index(hive);
        if (!apply(hive, index)) {
            loaded_ = false;  // the next read sees the file as it is
            return false;
        }
        std::string out = serialize(hive, rootName_);
        if (out.size() > kMaxFileBytes) {
            loaded_ = false;
            return false;
        }
        if ((result != ReadResult::Ok || out != text) && !writeAtomically(filePath_, out)) {
            loaded_ = false;
            return false;
        }
        snapshot_ = std::move(hive);
        index_ = std::make_unique<Index>(std::move(index));
        loaded_ = true;
        return true;
    } catch (...) {  // out of memory: the change fails, the file is untouched
        loaded_ = false;
        return false;
    }
}

bool RegistryStore::perform(const Op& op) {
    if (batching_) {
        try {
            if (!applyOp(snapshot_, index(), op, kMaxLineBytes)) return false;
            pending_.push_back(op);
            return true;
        } catch (...) {
            return false;
        }
    }
    return change([&](Hive& hive, Index& index) { return applyOp(hive, index, op, kMaxLineBytes); });
}

void RegistryStore::refresh() {
    loaded_ = false;
    ensureLoaded();
    // Changes of an open batch stay visible over the fresh file.
    for (const Op& op : pending_) applyOp(snapshot_, index(), op, kMaxLineBytes);
}

bool RegistryStore::keyExists(const std::string& key) { return validKeyPath(key) && index().exists(key); }

bool RegistryStore::createKey(const std::string& key) {
    if (!validKeyPath(key)) return false;
    if (!batching_) {
        // An existing key needs no write, so this succeeds even where the
        // store cannot be written.
        refresh();
        if (keyExists(key)) return true;
    }
    return perform({Op::Kind::Create, key, {}, {}});
}

bool RegistryStore::deleteKey(const std::string& key, bool recursive) {
    return perform({recursive ? Op::Kind::DeleteTree : Op::Kind::Delete, key, {}, {}});
}

bool RegistryStore::setValue(const std::string& key, const std::string& name, const std::string& value) {
    return perform({Op::Kind::Set, key, name, value});
}

std::optional<std::string> RegistryStore::value(const std::string& key, const std::string& name) {
    Index& ix = index();
    const auto k = ix.find(key);
    if (!k) return std::nullopt;
    const auto& byName = ix.values[*k];
    const auto v = byName.find(fold(name));
    if (v == byName.end()) return std::nullopt;
    return snapshot_.keys[*k].values[v->second].second;
}

std::vector<std::string> RegistryStore::subKeyNames(const std::string& key) {
    if (!keyExists(key)) return {};
    const Index& ix = index();
    const std::string below = key.empty() ? std::string() : fold(key) + "\\";
    std::vector<std::pair<std::string, std::string>> found;  // folded name, name
    for (const auto& [folded, spelled] : ix.known) {
        if (!startsWith(folded, below) || folded.find('\\', below.size()) != std::string::npos) continue;
        const std::size_t cut = spelled.rfind('\\');
        found.emplace_back(folded.substr(below.size()), cut == std::string::npos ? spelled : spelled.substr(cut + 1));
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& entry : found) names.push_back(std::move(entry.second));
    return names;
}

std::vector<std::string> RegistryStore::valueNames(const std::string& key) {
    Index& ix = index();
    const auto k = ix.find(key);
    std::vector<std::string> names;
    if (!k) return names;
    for (const auto& value : snapshot_.keys[*k].values) names.push_back(value.first);
    return names;
}

void RegistryStore::beginBatch() {
    ensureLoaded();
    batching_ = true;
}

bool RegistryStore::commitBatch() {
    if (!batching_) return true;
    batching_ = false;
    std::vector<Op> ops = std::move(pending_);
    pending_.clear();
    if (ops.empty()) return true;
    const bool ok = change([&](Hive& hive, Index& index) {
        for (const Op& op : ops)
            if (!applyOp(hive, index, op, kMaxLineBytes)) return false;
        return true;
    });
    if (!ok) refresh();
    return ok;
}

void RegistryStore::cancelBatch() {
    batching_ = false;
    pending_.clear();
    refresh();
}

}  // namespace orvanta
