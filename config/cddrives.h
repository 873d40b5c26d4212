#pragma once
// The optical drives of the system, as the settings dialog lists them: the
// device paths of /dev/sr0, /dev/sr1, ... in number order.
#include <string>
#include <vector>

namespace orvanta {

std::vector<std::string> opticalDrives(const std::string& deviceFolder = "/dev");

}  // namespace orvanta
