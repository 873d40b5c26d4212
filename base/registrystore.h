#pragma once
// The registry store: one hive (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE) kept
// in a registry text file (base/registryformat.h), with the registry's
// rules: key and value names compared without regard to ASCII case (their case
// kept), parents of a written key existing without a section of their own.
//
// Every change is applied under an exclusive lock to the file as it is on
// disk at that moment, so values other processes wrote meanwhile are kept, and
// written atomically (temporary file, fsync, rename), through a symbolic link
// when the file is one. A file that another program (one that does not take
// the lock: an editor, a synchronisation tool) put in place after it was read
// is read and merged again before it is replaced. The lock is waited on for
// kLockWait at most; a change that cannot get it, or cannot read or write the
// file, fails, leaves the file as it is and says why in lastError().
// Lines of the file that cannot be understood are kept and reported once on
// standard error; only a file with nothing recognisable in it is moved aside
// ("<file>.damaged-<time>"), and the store starts empty. A file larger than
// kMaxFileBytes is never read, moved or written: the store reads as empty,
// every change fails, and standard error says so once.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/registryformat.h"

namespace orvanta {

class RegistryStore {
public:
    static constexpr std::chrono::milliseconds kLockWait{2000};
    // The largest file the store reads. The most the settings can hold,
    // 10,000 picture folders and 100 music folders each at the longest path
    // (4,095 bytes), makes a file of about 42 MB; reading one of 64 MiB takes
    // well under a second and a few times its size in memory while parsed and
    // rewritten. A larger file is left alone: not read, not written, not moved.
    static constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;
    // How often a change reads and merges again when another program keeps
    // replacing the file while it is written.
    static constexpr int kMaxMerges = 8;

    // A store over a file; rootName is the first component of its key paths
    // ("HKEY_CURRENT_USER"). A private store keeps its folder and lock closed
    // to other users.
    RegistryStore(std::string filePath, std::string rootName, bool isPrivate = true);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& filePath() const { return filePath_; }
    std::string lockPath() const { return filePath_ + ".lock"; }

    // Key paths are relative to the root, components separated by "\"; "" is
    // the root itself. A component is never empty and holds no control
    // character.
    bool keyExists(const std::string& key);
    // Creates the key (its parents exist with it); true when it already exists.
    bool createKey(const std::string& key);
    // Deletes a key that has no subkeys (recursive = false) or a whole subtree;
    // false for a missing key or the root. The parent stays.
    bool deleteKey(const std::string& key, bool recursive);
    // The value's text: a string as it is, a number as decimal text.
    std::optional<std::string> value(const std::string& key, const std::string& name);
    // Writes one string value, creating the key when another process removed
    // it. Writing the text a value already reads leaves it as it is stored.
    bool setValue(const std::string& key, const std::string& name, const std::string& value);
    // Direct subkeys (sorted without regard to case) and values (in file order).
    std::vector<std::string> subKeyNames(const std::string& key);
    std::vector<std::string> valueNames(const std::string& key);

    // Between beginBatch() and commitBatch() changes reach only the snapshot
    // (their results say whether they apply to it); commitBatch() applies them
    // all to the file in one locked, atomic rewrite, all or none. It is false
    // when the file could not be written or a change no longer applies; the
    // snapshot is then the file as it is. cancelBatch() drops them.
    void beginBatch();
    bool commitBatch();
    void cancelBatch();

    // Rereads the file (done by every change anyway); reads use the last snapshot.
    void refresh();

    // Why the last change (or commitBatch) failed, "<path>: <reason>" with the
    // system's text of the error; "" after a change that succeeded.
    const std::string& lastError() const { return lastError_; }

    struct Index;  // lookups without regard to case over a hive

private:
    struct Op {
        enum class Kind { Create, Set, Delete, DeleteTree } kind;
        std::string key, name, value;
    };

    template <typename Change>
    bool change(Change&& apply);
    RegistryHive load();  // reads and parses the file, moving an unrecognisable one aside
    std::optional<RegistryHive> parsed(const std::string& text);  // nullopt: nothing recognisable
    bool perform(const Op& op);
    bool fail(const std::string& path, const std::string& reason);
    std::string tooBigReason() const;
    void ensureLoaded();
    Index& index();

    std::string filePath_;
    std::string rootName_;
    bool private_;
    RegistryHive snapshot_;
    bool loaded_ = false;
    std::unique_ptr<Index> index_;  // over snapshot_, built on demand
    bool batching_ = false;
    std::vector<Op> pending_;
    std::string lastError_;
};

}  // namespace orvanta
