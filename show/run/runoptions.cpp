#include "show/run/runoptions.h"

namespace orvanta {

RunOptions::RunOptions(const Settings& loaded, const RunKind& mode) : settings_(loaded), loaded_(true) {
    if (!mode.coversPrimaryMonitor) settings_.MusicOption = 0;
}

}  // namespace orvanta
