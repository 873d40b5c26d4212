#include "music/opticaldrives.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "base/regularfile.h"
#include "catalogue/directoryscan.h"

namespace orvanta {

namespace {

// The SCSI peripheral type of a block device: 5 is a CD/DVD drive.
int scsiType(const std::string& sysDevice) {
    std::FILE* f = fopenRegularFile(sysDevice + "/device/type");
    if (!f) return -1;
    int type = -1;
    if (std::fscanf(f, "%d", &type) != 1) type = -1;
    std::fclose(f);
    return type;
}

bool isSrName(const std::string& name) {
    return name.size() > 2 && name.compare(0, 2, "sr") == 0 &&
           name.find_first_not_of("0123456789", 2) == std::string::npos;
}

// Names ordered as the kernel numbers them: letters first, then the number.
bool kernelOrder(const std::string& a, const std::string& b) {
    const auto split = [](const std::string& s) {
        const std::size_t digits = s.find_last_not_of("0123456789") + 1;
        const std::string number = s.substr(digits);
        return std::make_tuple(s.substr(0, digits), number.size(), number);
    };
    return split(a) < split(b);
}

}  // namespace

std::vector<std::string> opticalDrives(const std::string& sysBlock, const std::string& devDir) {
    std::vector<std::string> names;
    listDirectory(sysBlock, [&](const char* entry, int) {
        const std::string name = entry;
        if (isSrName(name) || scsiType(sysBlock + "/" + name) == 5) names.push_back(name);
        return true;
    });
    std::sort(names.begin(), names.end(), kernelOrder);
    std::vector<std::string> drives;
    for (const std::string& name : names) {
        const std::string device = devDir + "/" + name;
        struct stat st {};
        if (::stat(device.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) drives.push_back(device);
    }
    return drives;
}

std::vector<std::string> opticalDrives() { return opticalDrives("/sys/block", "/dev"); }

}  // namespace orvanta
