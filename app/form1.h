#pragma once
// The show form: the one top-level form of every run. It is made of a few
// collaborators, each owning its part of the run:
//   - the window and the settings record of the run;
//   - ShowState: ended, changing, loading, the exit request, and the rule
//     that admits or remembers a step;
//   - SlideShow: the pictures, the canvases, the show timer and the routine;
//   - ShowInput: the key filter and the mouse, key, paint and timer handlers.
// Plus what start-up learns about the run mode, and in the display mode of
// a screen-saver daemon the daemon's window the show is drawn into.
#include <chrono>
#include <memory>

#include "app/input.h"
#include "app/showmusic.h"
#include "app/showroutine.h"
#include "app/showstate.h"
#include "base/singleinstance.h"
#include "framework/WShowWindow.h"
#include "settings/settings.h"

namespace orvanta {

class HackWindow;

class Form1 {
public:
    Form1();
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    WShowWindow& window() { return window_; }
    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    ShowState& state() { return state_; }
    const ShowState& state() const { return state_; }
    SlideShow& show() { return show_; }
    ShowInput& input() { return input_; }

    // Lets the pending events run (any handler may run inside); true when
    // the run has ended meanwhile. Every long operation of the show calls it.
    bool pumpEvents();
    // Keeps events flowing until `due`; true when the run ended before.
    bool pumpUntil(std::chrono::steady_clock::time_point due);

    // The run mode, as start-up found it.
    bool preview() const { return preview_; }
    void setPreview(long long parent) {
        preview_ = true;
        previewParent_ = parent;
    }
    long long previewParent() const { return previewParent_; }
    bool settingsMode() const { return settingsMode_; }
    void setSettingsMode() { settingsMode_ = true; }
    // The display mode of a screen-saver daemon: the show is drawn into the
    // daemon's window, which the form owns from then on. No input is read.
    bool hack() const { return hackWindow_ != nullptr; }
    void setHack(std::unique_ptr<HackWindow> window);
    // The run draws over the primary monitor (a show, or a daemon's
    // full-screen window there; never a preview-sized window). Only such a
    // run plays music and makes the end-of-show wallpaper.
    bool coversPrimaryMonitor() const { return coversPrimaryMonitor_; }
    void setCoversPrimaryMonitor(bool covers) { coversPrimaryMonitor_ = covers; }
    bool musicAllowed() const { return coversPrimaryMonitor_; }
    SingleInstance& singleInstance() { return singleInstance_; }

    // The settings were read from the store: LastImage is written back at the end.
    bool settingsLoaded() const { return settingsLoaded_; }
    void setSettingsLoaded() { settingsLoaded_ = true; }

    // The mouse cursor is hidden for the show and shown for a notice.
    void hideCursor();
    void showCursor();

    // The show's music, made while loading when MusicOption asks for it;
    // empty otherwise.
    std::unique_ptr<ShowMusic, ShowMusicDeleter>& music() { return music_; }

    // A timed show: Duration is not 0.
    bool timed() const { return settings_.Duration != 0; }

private:
    WShowWindow window_;
    Settings settings_;
    ShowState state_;
    SlideShow show_{*this};
    ShowInput input_{*this};
    SingleInstance singleInstance_;  // "OrvantaIsOn"
    bool preview_ = false;
    long long previewParent_ = 0;
    bool settingsMode_ = false;
    bool settingsLoaded_ = false;
    bool cursorHidden_ = false;
    // Declared after the window: released before the window it reports to.
    std::unique_ptr<ShowMusic, ShowMusicDeleter> music_;
    bool coversPrimaryMonitor_ = false;
    // Last, so that it lets go of the window before the window goes.
    std::unique_ptr<HackWindow> hackWindow_;
};

}  // namespace orvanta
