#include "framework/WRegistryKey.h"

#include "settings/registrystore.h"

namespace orvanta {

WRegistryKey::~WRegistryKey() { close(); }

bool WRegistryKey::create(RegistryRoot root, const std::string& path) {
    close();
    auto store = RegistryStore::forRoot(root);
    if (!store->createKey(path)) return false;
    store_ = std::move(store);
    path_ = path;
    open_ = true;
    return true;
}

bool WRegistryKey::open(RegistryRoot root, const std::string& path) {
    close();
    auto store = RegistryStore::forRoot(root);
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
    return open_ && store_->setValue(path_, name, value);
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

bool WRegistryKey::commitBatch() { return open_ && store_->commitBatch(); }

}  // namespace orvanta
