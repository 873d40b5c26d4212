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
// Inside quotes "\\" and "\"" are escaped. Every change is applied under an
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

    const std::string& filePath() const { return filePath_; }

    // Key paths are relative to the root, components separated by "\".
    bool keyExists(const std::string& key);
    bool createKey(const std::string& key);
    // Deletes a key that has no subkeys (recursive = false) or a whole subtree.
    bool deleteKey(const std::string& key, bool recursive);
    std::optional<std::string> value(const std::string& key, const std::string& name);
    bool setValue(const std::string& key, const std::string& name, const std::string& value);
    std::vector<std::string> subKeyNames(const std::string& key);
    std::vector<std::string> valueNames(const std::string& key);

    // Rereads the file (done by every change anyway); reads use the last snapshot.
    void refresh();

    // --- the text format, exposed for tests and the fuzzer ---
    struct Key {
        std::string name;                                    // full path, case kept
        std::vector<std::pair<std::string, std::string>> values;  // name, value; "" = unnamed
    };
    struct Hive {
        std::vector<Key> keys;  // in file order
    };
    // Parses the file text; nullopt when it is not a registry file.
    static std::optional<Hive> parse(const std::string& text, const std::string& rootName);
    static std::string serialize(const Hive& hive, const std::string& rootName);

private:
    template <typename Change>
    bool change(Change&& apply);
    Hive load();  // reads and parses the file, moving a damaged one aside

    std::string filePath_;
    std::string rootName_;
    Hive snapshot_;
    bool loaded_ = false;
};

}  // namespace orvanta
