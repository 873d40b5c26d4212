#include "framework/cddrive.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <sys/stat.h>

#include <memory>

namespace orvanta {

namespace {

// libcdio reports what it cannot open on stderr; the show says nothing.
void quietLog(cdio_log_level_t, const char*) {}

struct CdioClose {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioClose>;

CdioHandle openDrive(const std::string& drive) {
    static const bool quiet = [] {
        cdio_log_set_handler(&quietLog);
        return true;
    }();
    (void)quiet;
    // Opening a FIFO or a socket could block or mean nothing: only block
    // devices (drives) and regular files (disc images) are opened.
    struct stat st {};
    if (drive.empty() || ::stat(drive.c_str(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode)))
        return nullptr;
    return CdioHandle(cdio_open(drive.c_str(), DRIVER_UNKNOWN));
}

}  // namespace

bool CdioDrive::holdsAudioCd(const std::string& drive) {
    const CdioHandle cd = openDrive(drive);
    if (!cd) return false;
    // No disc reads as no tracks.
    const track_t first = cdio_get_first_track_num(cd.get());
    if (first == CDIO_INVALID_TRACK || cdio_get_num_tracks(cd.get()) == CDIO_INVALID_TRACK) return false;
    return cdio_get_track_format(cd.get(), first) == TRACK_FORMAT_AUDIO;
}

std::optional<int> CdioDrive::trackCount(const std::string& drive) {
    const CdioHandle cd = openDrive(drive);
    if (!cd) return std::nullopt;
    const track_t n = cdio_get_num_tracks(cd.get());
    if (n == CDIO_INVALID_TRACK || n == 0) return std::nullopt;
    return static_cast<int>(n);
}

}  // namespace orvanta
