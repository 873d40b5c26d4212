#include "config/cddrives.h"

#include <algorithm>
#include <cctype>

#include "catalogue/directoryscan.h"

namespace orvanta {

std::vector<std::string> opticalDrives(const std::string& deviceFolder) {
    std::vector<std::pair<long, std::string>> found;
    listDirectory(deviceFolder, [&](const char* name, int) {
        const std::string entry(name);
        if (entry.size() > 2 && entry.compare(0, 2, "sr") == 0 &&
            std::all_of(entry.begin() + 2, entry.end(), [](unsigned char c) { return std::isdigit(c); }) &&
            entry.size() < 8)
            found.emplace_back(std::stol(entry.substr(2)), deviceFolder + "/" + entry);
        return true;
    });
    std::sort(found.begin(), found.end());
    std::vector<std::string> drives;
    for (auto& [number, path] : found) drives.push_back(std::move(path));
    return drives;
}

}  // namespace orvanta
