#include "base/registrystore.h"

// The store keeps no state between processes except the file. Each change is
// a read-modify-write of the whole file under an exclusive lock on a sibling
// lock file: the change is applied to what is on disk at that moment, so two
// processes writing different values both keep theirs, and the new text
// replaces the old atomically, so a crash at any point leaves either the old
// or the new file, complete. Readers do not lock: a rename is atomic, so they
// see one file or the other.
//
// The lock also guards the two other things that touch the file: moving an
// unrecognisable file aside (a reader that finds one rechecks under the lock,
// so it never moves a good file another process has just written) and
// removing temporary files that a killed writer left behind (while we hold the
// lock no live writer can own one).
//
// Programs that do not know the lock (an editor, a synchronisation tool) may
// still replace the file by a rename at any moment. The version a change read
// is remembered (device, inode, size, times) and compared with what is there
// once the new text has been written and synced, just before the rename: when
// another file has taken its place, the change is applied again to that one,
// a bounded number of times, so that neither side's values are lost.
//
// The lock is private to the user and never waited on for long: a process
// that holds it for more than kLockWait (another program of the same user,
// stopped in a debugger, say) makes changes fail, not hang. What failed is
// not written, and lastError() says why, for the dialog to tell the user.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <unordered_map>

#include "base/WString.h"
#include "base/lockedfile.h"

namespace orvanta {

namespace {

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

std::string parentOf(const std::string& path) {
    const std::size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// Each line that is not understood is reported once per run and file, with
// the line number it had when first seen.
void reportProblems(const std::string& filePath, const ParsedRegistryFile& parsed) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    const std::lock_guard<std::mutex> guard(mutex);
    for (const RegistryFileProblem& problem : parsed.problems) {
        if (!reported.insert(filePath + '\n' + problem.text).second) continue;
        std::string shown = problem.text.substr(0, 200);
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < 0x20) c = '?';
        std::fprintf(stderr, "orvanta: %s, line %zu: not understood, kept as it is: %s\n", filePath.c_str(),
                     problem.line, shown.c_str());
    }
    if (parsed.moreProblems > 0 && reported.insert(filePath + "\nmore").second)
        std::fprintf(stderr, "orvanta: %s: %zu more lines not understood, kept as they are\n", filePath.c_str(),
                     parsed.moreProblems);
}

// A file too large to read is reported once per run and file.
void reportTooBig(const std::string& filePath, const std::string& reason) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    const std::lock_guard<std::mutex> guard(mutex);
    if (reported.insert(filePath).second) std::fprintf(stderr, "orvanta: %s: %s\n", filePath.c_str(), reason.c_str());
}

std::string systemError(int error) { return std::strerror(error != 0 ? error : EIO); }

}  // namespace

// --- lookups ---

struct RegistryStore::Index {
    std::unordered_map<std::string, std::size_t> keys;  // folded path -> position in sections
    // Folded path of every key and every parent -> the path as first written,
    // which is the case a new key below it takes.
    std::unordered_map<std::string, std::string> known;
    std::vector<std::unordered_map<std::string, std::size_t>> values;  // per section: folded name -> position

    explicit Index(const RegistryHive& hive) { rebuild(hive); }

    void rebuild(const RegistryHive& hive) {
        keys.clear();
        known.clear();
        values.assign(hive.sections.size(), {});
        for (std::size_t k = 0; k < hive.sections.size(); ++k) {
            const RegistrySection& section = hive.sections[k];
            if (section.foreign) continue;
            keys.emplace(asciiLowered(section.name), k);
            addKnown(section.name);
            for (std::size_t v = 0; v < section.values.size(); ++v)
                values[k].emplace(asciiLowered(section.values[v].name), v);
        }
    }

    void addKnown(const std::string& path) { walk(path, true); }
    std::string canonical(const std::string& path) { return walk(path, false); }

    bool exists(const std::string& path) const { return path.empty() || known.count(asciiLowered(path)) != 0; }

    std::optional<std::size_t> find(const std::string& path) const {
        const auto it = keys.find(asciiLowered(path));
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
            folded += (folded.empty() ? "" : "\\") + asciiLowered(part);
            std::string spelled = canon.empty() ? part : canon + "\\" + part;
            auto it = known.find(folded);
            if (it != known.end()) canon = it->second;
            else if (record) canon = known.emplace(folded, std::move(spelled)).first->second;
            else canon = std::move(spelled);
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return canon;
    }
};

namespace {

using Index = RegistryStore::Index;

std::size_t ensureKey(RegistryHive& hive, Index& index, const std::string& path) {
    if (const auto found = index.find(path)) return *found;
    hive.sections.push_back({index.canonical(path), false, {}, {}});
    const std::size_t k = hive.sections.size() - 1;
    index.keys.emplace(asciiLowered(path), k);
    index.values.emplace_back();
    index.addKnown(hive.sections[k].name);
    return k;
}

void setValueIn(RegistryHive& hive, Index& index, const std::string& path, const std::string& name,
                const std::string& value) {
    const std::size_t k = ensureKey(hive, index, path);
    auto& values = hive.sections[k].values;
    const auto [it, added] = index.values[k].emplace(asciiLowered(name), values.size());
    if (added) {
        values.push_back(RegistryValue::string(name, value));
        return;
    }
    RegistryValue& existing = values[it->second];
    // The same text keeps the value as stored (a dword stays a dword); a new
    // one makes it a string. The name keeps the case it was first written in.
    if (existing.text != value) existing = RegistryValue::string(std::move(existing.name), value);
}

bool deleteKeyIn(RegistryHive& hive, Index& index, const std::string& path, bool recursive) {
    if (path.empty() || !index.exists(path)) return false;
    const std::string folded = asciiLowered(path);
    const std::string below = folded + "\\";
    const bool hasSubKeys = std::any_of(index.known.begin(), index.known.end(),
                                        [&](const auto& entry) { return startsWith(entry.first, below); });
    if (hasSubKeys && !recursive) return false;

    const std::string parent = parentOf(index.canonical(path));
    std::size_t firstRemoved = hive.sections.size();
    std::vector<RegistrySection> kept;
    kept.reserve(hive.sections.size());
    for (std::size_t k = 0; k < hive.sections.size(); ++k) {
        const std::string name = asciiLowered(hive.sections[k].name);
        if (!hive.sections[k].foreign && (name == folded || startsWith(name, below)))
            firstRemoved = std::min(firstRemoved, kept.size());
        else kept.push_back(std::move(hive.sections[k]));
    }
    hive.sections = std::move(kept);
    index.rebuild(hive);
    // The parent may have existed only through this key; the registry keeps it.
    if (!parent.empty() && !index.exists(parent)) {
        hive.sections.insert(hive.sections.begin() +
                                 static_cast<std::ptrdiff_t>(std::min(firstRemoved, hive.sections.size())),
                             RegistrySection{parent, false, {}, {}});
        index.rebuild(hive);
    }
    return true;
}

template <typename OpT>
bool applyOp(RegistryHive& hive, Index& index, const OpT& op) {
    using Kind = typename OpT::Kind;
    if (!validRegistryKeyPath(op.key)) return false;
    switch (op.kind) {
    case Kind::Create:
        if (!index.exists(op.key)) ensureKey(hive, index, op.key);
        return true;
    case Kind::Set: setValueIn(hive, index, op.key, op.name, op.value); return true;
    case Kind::Delete: return deleteKeyIn(hive, index, op.key, false);
    case Kind::DeleteTree: return deleteKeyIn(hive, index, op.key, true);
    }
    return false;
}

}  // namespace

// --- the store ---

RegistryStore::RegistryStore(std::string filePath, std::string rootName, bool isPrivate)
    : filePath_(std::move(filePath)), rootName_(std::move(rootName)), private_(isPrivate) {}

RegistryStore::~RegistryStore() = default;

std::optional<RegistryHive> RegistryStore::parsed(const std::string& text) {
    ParsedRegistryFile result = parseRegistryFile(text, rootName_);
    if (!result.recognised) return std::nullopt;
    reportProblems(filePath_, result);
    return std::move(result.hive);
}

std::string RegistryStore::tooBigReason() const {
    return "larger than " + std::to_string(kMaxFileBytes >> 20) +
           " MiB, so not read and never written or moved; the settings are the defaults until it is smaller";
}

bool RegistryStore::fail(const std::string& path, const std::string& reason) {
    lastError_ = path + ": " + reason;
    loaded_ = false;  // the next read sees the file as it is
    return false;
}

RegistryHive RegistryStore::load() {
    std::string text;
    FileRead result = readWholeFile(filePath_, kMaxFileBytes, text);
    if (result == FileRead::TooBig) reportTooBig(filePath_, tooBigReason());
    if (result == FileRead::Ok)
        if (auto hive = parsed(text)) return std::move(*hive);
    if (result != FileRead::Ok) return {};

    // Nothing recognisable, as far as an unlocked read can tell: look again
    // under the lock before moving it aside. Without the lock (a store we may
    // not write, a lock held too long) it stays where it is and reads as empty.
    FileLock lock;
    if (lock.acquire(lockPath(), kLockWait, false, private_) != FileLock::Result::Acquired) return {};
    result = readWholeFile(filePath_, kMaxFileBytes, text);
    if (result == FileRead::Ok)
        if (auto hive = parsed(text)) return std::move(*hive);
    if (result == FileRead::Ok) moveFileAside(filePath_);
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

template <typename Change>
bool RegistryStore::change(Change&& apply) {
    lastError_.clear();
    try {
        FileLock lock;
        switch (lock.acquire(lockPath(), kLockWait, true, private_)) {
        case FileLock::Result::Acquired: break;
        case FileLock::Result::Busy:
            return fail(filePath_, "another program has held its lock (" + lockPath() + ") for more than " +
                                       std::to_string(kLockWait.count() / 1000) + " seconds");
        case FileLock::Result::Failed: return fail(filePath_, systemError(errno));  // its folder, or a planted lock
        }
        removeLeftoverTemporaries(filePath_);

        for (int attempt = 0; attempt < kMaxMerges; ++attempt) {
            std::string text;
            FileIdentity identity;
            FileRead result = readWholeFile(filePath_, kMaxFileBytes, text, &identity);
            if (result == FileRead::Error) return fail(filePath_, systemError(errno));  // never replace it unread
            if (result == FileRead::TooBig) {
                reportTooBig(filePath_, tooBigReason());
                return fail(filePath_, tooBigReason());
            }
            RegistryHive hive;
            if (result == FileRead::Ok) {
                if (std::optional<RegistryHive> read = parsed(text)) {
                    hive = std::move(*read);
                } else {
                    if (!moveFileAside(filePath_)) return fail(filePath_, systemError(errno));
                    result = FileRead::Missing;
                    identity = {};
                }
            }

            Index index(hive);
            if (!apply(hive, index)) return fail(filePath_, "the key was changed by another program meanwhile");
            std::string out = formatRegistryFile(hive, rootName_);
            if (out.size() > kMaxFileBytes)
                return fail(filePath_, "would grow larger than " + std::to_string(kMaxFileBytes >> 20) + " MiB");
            const FileReplace replaced = result == FileRead::Ok && out == text
                                             ? FileReplace::Replaced  // nothing to write
                                             : replaceFileAtomically(filePath_, out, private_ ? 0600 : 0644, &identity);
            if (replaced == FileReplace::Failed) return fail(filePath_, systemError(errno));
            if (replaced == FileReplace::Changed) continue;  // another program put a new version there: merge again
            snapshot_ = std::move(hive);
            index_ = std::make_unique<Index>(std::move(index));
            loaded_ = true;
            return true;
        }
        return fail(filePath_, "another program kept replacing it while it was written");
    } catch (...) {  // out of memory: the change fails, the file is untouched
        return fail(filePath_, systemError(ENOMEM));
    }
}

bool RegistryStore::perform(const Op& op) {
    lastError_.clear();
    if (!validRegistryKeyPath(op.key)) return false;
    if (batching_) {
        try {
            if (!applyOp(snapshot_, index(), op)) return false;
            pending_.push_back(op);
            return true;
        } catch (...) {
            return false;
        }
    }
    return change([&](RegistryHive& hive, Index& index) { return applyOp(hive, index, op); });
}

void RegistryStore::refresh() {
    loaded_ = false;
    ensureLoaded();
    // Changes of an open batch stay visible over the fresh file.
    for (const Op& op : pending_) applyOp(snapshot_, index(), op);
}

bool RegistryStore::keyExists(const std::string& key) { return validRegistryKeyPath(key) && index().exists(key); }

bool RegistryStore::createKey(const std::string& key) {
    lastError_.clear();
    if (!validRegistryKeyPath(key)) return false;
    if (!batching_) {
        // An existing key needs no write, so this succeeds even where the
        // store cannot be written.
        refresh();
        if (keyExists(key)) return true;
    }
    return perform({Op::Kind::Create, key, {}, {}});
}

bool RegistryStore::deleteKey(const std::string& key, bool recursive) {
    if (!batching_) {
        // A key that is not there needs no lock and no write.
        refresh();
        if (key.empty() || !keyExists(key)) return false;
    }
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
    const auto v = byName.find(asciiLowered(name));
    if (v == byName.end()) return std::nullopt;
    return snapshot_.sections[*k].values[v->second].text;
}

std::vector<std::string> RegistryStore::subKeyNames(const std::string& key) {
    if (!keyExists(key)) return {};
    const Index& ix = index();
    const std::string below = key.empty() ? std::string() : asciiLowered(key) + "\\";
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
    for (const RegistryValue& value : snapshot_.sections[*k].values) names.push_back(value.name);
    return names;
}

void RegistryStore::beginBatch() {
    ensureLoaded();
    batching_ = true;
}

bool RegistryStore::commitBatch() {
    lastError_.clear();
    if (!batching_) return true;
    batching_ = false;
    std::vector<Op> ops = std::move(pending_);
    pending_.clear();
    if (ops.empty()) return true;
    const bool ok = change([&](RegistryHive& hive, Index& index) {
        for (const Op& op : ops)
            if (!applyOp(hive, index, op)) return false;
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
