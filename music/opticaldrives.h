#pragma once
// The system's optical drives, for the CD drive list of the settings dialog:
// each as its device path ("/dev/sr0"), which is also the text the user sees
// and the drive the music plays from.
#include <string>
#include <vector>

namespace orvanta {

// The block devices of the kernel's SCSI CD-ROM driver (sr0, sr1, ...) and any
// other block device whose SCSI type is a CD/DVD drive, in the kernel's order
// (by number: sr2 before sr10), listed only when the device node exists.
std::vector<std::string> opticalDrives();

// The same over other folders than /sys/block and /dev (for tests).
std::vector<std::string> opticalDrives(const std::string& sysBlock, const std::string& devDir);

}  // namespace orvanta
