#include "base/WFilePath.h"

#include "base/WString.h"

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

std::size_t WFilePath::extensionStart() const { return path_.size() - extensionOf(path_).size(); }

std::string WFilePath::directory() const { return path_.substr(0, nameStart()); }

std::string WFilePath::name() const {
    const std::size_t start = nameStart();
    return path_.substr(start, extensionStart() - start);
}

std::string WFilePath::extension() const { return path_.substr(extensionStart()); }

std::string WFilePath::fileName() const { return path_.substr(nameStart()); }

// The extension starts at the last dot of the file name; a name that only
// starts with a dot (".hidden") has none.
std::string_view extensionOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot <= start) return {};
    return path.substr(dot);
}

std::string lowerExtension(std::string_view path) { return asciiLowered(extensionOf(path)); }

std::string withTrailingSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace orvanta
