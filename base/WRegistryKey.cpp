#include "base/WRegistryKey.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

#include "base/registrystore.h"

namespace orvanta {

namespace {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return std::string();
}

// The environment is read at each open, so tests can point it elsewhere.
std::shared_ptr<RegistryStore> storeOf(RegistryRoot root) {
    if (root == RegistryRoot::LocalMachine)
        return std::make_shared<RegistryStore>("/etc/xdg/orvanta/HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE", false);
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string dir = (config && config[0] == '/') ? std::string(config) : homeDirectory() + "/.config";
    return std::make_shared<RegistryStore>(dir + "/orvanta/HKEY_CURRENT_USER.reg", "HKEY_CURRENT_USER", true);
}

}  // namespace

WRegistryKey::~WRegistryKey() { close(); }

bool WRegistryKey::create(RegistryRoot root, const std::string& path) {
    close();
    auto store = storeOf(root);
    const bool created = store->createKey(path);
    lastError_ = store->lastError();
    if (!created) return false;
    store_ = std::move(store);
    path_ = path;
    open_ = true;
    return true;
}

bool WRegistryKey::open(RegistryRoot root, const std::string& path) {
    close();
    auto store = storeOf(root);
    store->refresh();
    if (!store->keyExists(path)) return false;
    store_ = std::move(store);
    path_ = path;
    open_ = true;
    return true;
}

void WRegistryKey::close() {
    if (store_) store_->commitBatch();  // a batch left open is written, not lost
    store_.reset();
    path_.clear();
    open_ = false;
}

bool WRegistryKey::deleteSubKey(const std::string& name) {
    return open_ && !name.empty() && store_->deleteKey(path_ + "\\" + name, false);
}

bool WRegistryKey::deleteSubKeyTree(const std::string& name) {
    return open_ && !name.empty() && store_->deleteKey(path_ + "\\" + name, true);
}

bool WRegistryKey::valueExists(const std::string& name) const {
    return open_ && store_->value(path_, name).has_value();
}

std::string WRegistryKey::readString(const std::string& name) const {
    if (!open_) return {};
    return store_->value(path_, name).value_or(std::string());
}

bool WRegistryKey::writeString(const std::string& name, const std::string& value) {
    if (!open_) return false;
    const bool written = store_->setValue(path_, name, value);
    lastError_ = store_->lastError();
    return written;
}

std::vector<std::string> WRegistryKey::subKeyNames() const {
    return open_ ? store_->subKeyNames(path_) : std::vector<std::string>{};
}

std::vector<std::string> WRegistryKey::valueNames() const {
    return open_ ? store_->valueNames(path_) : std::vector<std::string>{};
}

void WRegistryKey::beginBatch() {
    if (open_) store_->beginBatch();
}

bool WRegistryKey::commitBatch() {
    if (!open_) return false;
    const bool written = store_->commitBatch();
    lastError_ = store_->lastError();
    return written;
}

}  // namespace orvanta
