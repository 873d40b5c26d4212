#pragma once
// The registry store: one hive (HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE) kept
// in a REGEDIT4-style UTF-8 text file:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Quorrin\Orvanta\4.0]
//   @="(value not set)"
//   "Duration"="20"
//
// Inside quotes "\\" and "\"" are escaped, and so are a line feed ("\n") and a
// carriage return ("\r") so that a value stays on one line; every other byte
// is written as it is. Lines starting with ";" are comments. Parents of a
// written key exist without a section of their own. Every change is applied under an
// advisory lock to the file as it is on disk at that moment (so values other
// processes wrote meanwhile are kept) and written atomically (temporary file,
// fsync, rename). A file that cannot be parsed is moved aside, never deleted,
// and the store starts empty. A directory that cannot be written makes every
// change fail; the callers ignore such failures.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvanta {

enum class RegistryRoot;

class RegistryStore {
public:
    // The store of a root: HKEY_CURRENT_USER in
    // ${XDG_CONFIG_HOME:-$HOME/.config}/orvanta/HKEY_CURRENT_USER.reg,
    // HKEY_LOCAL_MACHINE in /etc/xdg/orvanta/HKEY_LOCAL_MACHINE.reg.
    // The environment is read at each call, so tests can point it elsewhere.
    static std::shared_ptr<RegistryStore> forRoot(RegistryRoot root);
    // A store over an explicit file; rootName is the first component of its key
    // paths ("HKEY_CURRENT_USER").
    RegistryStore(std::string filePath, std::string rootName);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& filePath() const { return filePath_; }

    // Key paths are relative to the root, components separated by "\"; "" is
    // the root itself. A component is never empty and holds no control
    // character; names are compared without regard to ASCII case.
    bool keyExists(const std::string& key);
    // Creates the key (its parents exist with it); true when it already exists.
    bool createKey(const std::string& key);
    // Deletes a key that has no subkeys (recursive = false) or a whole subtree;
    // false for a missing key or the root. The parent stays.
    bool deleteKey(const std::string& key, bool recursive);
    std::optional<std::string> value(const std::string& key, const std::string& name);
    // Writes one value, creating the key when another process removed it.
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
    bool inBatch() const { return batching_; }

    // Rereads the file (done by every change anyway); reads use the last snapshot.
    void refresh();

    // --- the text format, exposed for tests and the fuzzer ---
    struct Key {
        std::string name;                                    // path below the root, case kept
        std::vector<std::pair<std::string, std::string>> values;  // name, value; "" = unnamed
    };
    struct Hive {
        std::vector<Key> keys;  // in file order
    };
    // Parses the file text; nullopt when it is not a registry file (or is
    // larger than the store accepts). Keys or values named twice are merged,
    // the later value winning, so the result has unique names.
    static std::optional<Hive> parse(const std::string& text, const std::string& rootName);
    static std::string serialize(const Hive& hive, const std::string& rootName);

    struct Index;  // lookups without regard to case over a hive

private:
    struct Op {
        enum class Kind { Create, Set, Delete, DeleteTree } kind;
        std::string key, name, value;
    };

    template <typename Change>
    bool change(Change&& apply);
    Hive load();  // reads and parses the file, moving a damaged one aside
    bool perform(const Op& op);
    void ensureLoaded();
    Index& index();

    std::string filePath_;
    std::string rootName_;
    Hive snapshot_;
    bool loaded_ = false;
    std::unique_ptr<Index> index_;  // over snapshot_, built on demand
    bool batching_ = false;
    std::vector<Op> pending_;
};

}  // namespace orvanta
