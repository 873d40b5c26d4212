#pragma once
// A key of the registry store, with the registry's rules: key and value names
// are compared without regard to case (their case is kept), the empty value
// name is the key's unnamed default value, open fails for a missing key and
// create makes the missing parents. Every change reaches the store's file at
// once (see base/registrystore.h); reads see the file as it was when the
// key was opened or last changed through this object.
//
// HKEY_CURRENT_USER lives in ${XDG_CONFIG_HOME:-$HOME/.config}/orvanta/
// HKEY_CURRENT_USER.reg, private to the user; HKEY_LOCAL_MACHINE in
// /etc/xdg/orvanta/HKEY_LOCAL_MACHINE.reg, readable by all.
#include <memory>
#include <string>
#include <vector>

namespace orvanta {

class RegistryStore;

enum class RegistryRoot { CurrentUser, LocalMachine };

class WRegistryKey {
public:
    WRegistryKey() = default;
    ~WRegistryKey();
    WRegistryKey(const WRegistryKey&) = delete;
    WRegistryKey& operator=(const WRegistryKey&) = delete;

    // Opens the key below the root, creating it and its parents when missing.
    // Closes a key held before. False when the store cannot hold it (for example
    // a store whose directory cannot be written, for a key that does not exist).
    bool create(RegistryRoot root, const std::string& path);
    // Opens an existing key; false when it does not exist. Closes a key held before.
    bool open(RegistryRoot root, const std::string& path);
    void close();
    bool isOpen() const { return open_; }
    const std::string& path() const { return path_; }

    // Deletes the named subkey; fails while it has subkeys of its own.
    bool deleteSubKey(const std::string& name);
    // Deletes the named subkey together with everything below it.
    bool deleteSubKeyTree(const std::string& name);

    bool valueExists(const std::string& name) const;
    // The value's text, or "" when it is absent.
    std::string readString(const std::string& name) const;
    // Writes one string value; false when the file could not be written.
    bool writeString(const std::string& name, const std::string& value);

    // Names of the subkeys and values as stored (case kept).
    std::vector<std::string> subKeyNames() const;
    std::vector<std::string> valueNames() const;

    // Gathers the following changes made through this key (writes, subkey
    // deletions) and writes them to the file in one atomic rewrite at
    // commitBatch() or close(), all or none; reads see them at once. The
    // results of the gathered calls say only whether each is valid; commitBatch
    // says whether the file was written.
    void beginBatch();
    bool commitBatch();

    // Why the last create, write or commitBatch that failed to reach the file
    // failed: "<file>: <reason>"; "" when it succeeded.
    const std::string& lastError() const { return lastError_; }

private:
    std::shared_ptr<RegistryStore> store_;
    std::string path_;
    bool open_ = false;
    std::string lastError_;
};

}  // namespace orvanta
