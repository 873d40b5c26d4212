#pragma once
// What a run of the show is asked to do, fixed once it starts: the loaded
// settings as this run uses them, and the run mode start-up found. Nothing
// writes to them during the run; what a run changes as it goes (leaving a
// manual show, no pictures found, music that cannot play) is the run's state.
#include "settings/settings.h"

namespace orvanta {

// The run mode, as start-up finds it from the command line and the display.
struct RunKind {
    bool preview = false;       // drawn into a small window that another program hands us
    bool hack = false;          // drawn into a screen-saver daemon's window; no input is read
    bool settingsMode = false;  // the settings dialog, no show
    // The run draws over the primary monitor (a show, or a daemon's full-screen
    // window there; never a preview-sized window). Only such a run plays music
    // and makes the end-of-show wallpaper.
    bool coversPrimaryMonitor = false;
};

class RunOptions {
public:
    // The options of a run whose settings are not loaded yet: the built-in values.
    RunOptions() = default;
    // The options of a run over `loaded` in `mode`. Music plays only in a run
    // over the primary monitor: elsewhere MusicOption is 0 for the run.
    RunOptions(const Settings& loaded, const RunKind& mode);

    const Settings& settings() const { return settings_; }
    // A timed show: Duration is not 0.
    bool timed() const { return settings_.Duration != 0; }
    // Whether the settings were read from the store (LastImage is then
    // written back at the end of the run).
    bool loaded() const { return loaded_; }

private:
    Settings settings_;
    bool loaded_ = false;
};

}  // namespace orvanta
