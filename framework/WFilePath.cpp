#include "framework/WFilePath.h"

namespace orvanta {

void WFilePath::set(std::string path) { path_ = std::move(path); }

void WFilePath::set(const std::string& drive, const std::string& directory, const std::string& name,
                    const std::string& extension) {
    std::string dir = directory;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    path_ = drive + dir + name + extension;
}

std::size_t WFilePath::nameStart() const {
    const std::size_t slash = path_.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The extension starts at the last dot of the file name; a name that only
// starts with a dot (".hidden") has none.
std::size_t WFilePath::extensionStart() const {
    const std::size_t start = nameStart();
    const std::size_t dot = path_.rfind('.');
    if (dot == std::string::npos || dot <= start) return path_.size();
    return dot;
}

std::string WFilePath::directory() const { return path_.substr(0, nameStart()); }

std::string WFilePath::name() const {
    const std::size_t start = nameStart();
    return path_.substr(start, extensionStart() - start);
}

std::string WFilePath::extension() const { return path_.substr(extensionStart()); }

std::string WFilePath::fileName() const { return path_.substr(nameStart()); }

}  // namespace orvanta
