#pragma once
// The slide show itself: the picture list, the decoded next picture, the
// canvases, the show timer, and the per-picture routine with its transition
// and overlays. Steps reach it only through request(), which asks the run
// state whether the step may start, is queued, or is dropped. It reads the
// run's options, lets events in through the run's pump, and draws into its
// window; nothing else of the program is known to it.
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/crandom.h"
#include "base/eventpump.h"
#include "base/mt19937.h"
#include "catalogue/picturecatalogue.h"
#include "framework/WTimer.h"
#include "show/decoders/picturefile.h"
#include "show/overlays/textoverlay.h"
#include "show/pixels/cquantizer.h"
#include "show/pixels/displaypalette.h"
#include "show/run/runoptions.h"
#include "show/run/runstate.h"
#include "show/transitions/effectchoice.h"

namespace orvanta {

class WShowWindow;

// The decoded picture, as the canvas the routine composes from. Replaced only
// by a load that succeeded; its canvas is released once shown, its path and
// palette stay with the picture on screen.
struct DecodedPicture {
    QImage canvas;  // 32-bit, made once at load
    bool reducedOnDecode = false;
    std::vector<PaletteEntry> palette;  // palette displays: the palette it is shown through
    std::string path;
    bool loaded() const { return !canvas.isNull(); }
};

// What the slide show works with; each outlives it.
struct SlideShowPorts {
    RunState& state;
    EventPump& pump;
    const RunOptions& options;  // fixed once the run begins
    const RunKind& mode;
    WShowWindow& window;
    // The list build ran out of memory: the user is told, and the run ends.
    std::function<void()> memoryError;
};

class SlideShow {
public:
    explicit SlideShow(SlideShowPorts ports);
    ~SlideShow();
    SlideShow(const SlideShow&) = delete;
    SlideShow& operator=(const SlideShow&) = delete;

    // The show rectangle (origin 0, 0) and the screen's kind; makes the back
    // buffer (black) and the previous-image buffer (the background colour).
    void setScreen(const QRect& showRect, bool paletteDisplay);
    // Seeds the show's two random generators (the order, the effects, the
    // placements) once per run.
    void seed(std::uint32_t seed);
    QRect showRect() const { return showRect_; }

    // Builds the picture list from the loaded settings. False when the run
    // ended (the user left, or the memory notice ended it).
    bool buildPictureList();
    // Counters, fonts and the block grid for a new run, once the settings are loaded.
    void prepareRun();
    // The splash banner is on screen since now; the first picture waits for it.
    void splashDrawn(int second) { splashSecond_ = second; }
    // Shows the first picture of the run and starts the show's steps.
    void firstPicture();

    // A step asked for by the timer or the user. It starts now, is carried
    // out after the decode that is running, or is dropped (see RunState).
    void request(Step step);
    // Carries out the steps queued meanwhile, one after the other; start-up
    // calls it once it is done, as the steps then run.
    void carryOutQueued();
    void pause();
    void addFavourite();
    // The window now has this size (device pixels). The canvases follow and
    // the picture on view is composed anew at once, or after the picture
    // change or decode under way (a Resize step).
    void resizeTo(QSize windowSize);
    // The screen has to be drawn again: it shows what it showed before,
    // overlays and status text included.
    void repaint();

    WTimer& timer() { return timer_; }
    // The picture on screen (LastImage at the end), "" before the first.
    const std::string& shownPath() const { return shownPath_; }
    void setShownPath(const std::string& path) { shownPath_ = path; }

    // For tests and the desktop pieces: the composed current picture, without overlays.
    const QImage& backBuffer() const { return backBuffer_; }
    const DecodedPicture& picture() const { return picture_; }
    // A picture has been composed into the back buffer during this run.
    bool pictureComposed() const { return firstPictureShown_; }
    bool paletteDisplay() const { return paletteDisplay_; }
    PictureCatalogue& catalogue() { return catalogue_; }
    // The run's MT19937 generator: the picture order, the effects, the music order.
    Mt19937& random() { return mt_; }
    int transitionCount() const;

private:
    void carryOut(Step step);
    const Settings& settings() const { return options_.settings(); }
    // Repeats the show routine until a picture was shown or the run stops.
    void showUntilShown();
    // The per-picture sequence; true when a picture was shown.
    bool showRoutine();
    bool loadPicture();
    // Decodes the picture file at `path` for a show of that size into `out`,
    // which is left alone unless the result is Loaded. Events run meanwhile.
    LoadResult decode(const std::string& path, QSize showSize, DecodedPicture& out);
    // Repeats loadPicture until one loads; false when the run ended or nothing is left.
    bool loadUntilSuccess();
    void enterNoPictures();
    void waitForSplash();
    void copyToPreviousBuffer();
    void realizeOnPaletteDisplay(const std::vector<PaletteEntry>& palette);
    void drawStatusText(const QString& text);
    void drawOverlaysOnScreen(const std::string& path);
    void followWindowSize();
    void createSecondaryWindows();
    void drawSecondaryMonitors();
    void playTransitionToScreen();

    RunState& state_;
    EventPump& pump_;
    const RunOptions& options_;
    const RunKind& mode_;
    WShowWindow& window_;
    std::function<void()> memoryError_;
    QRect showRect_;
    QImage backBuffer_;      // W x H, 32-bit: the composed picture, never an overlay
    QImage previousBuffer_;  // W x H: the previous composed picture, for the blend
    bool paletteDisplay_ = false;
    bool blendingAvailable_ = true;  // the constant-alpha blend is the program's own
    WTimer timer_;
    int timerInterval_ = 0;
    Mt19937 mt_;
    CRandom crandom_;
    PictureCatalogue catalogue_{mt_};
    DecodedPicture picture_;
    std::string shownPath_;
    std::optional<std::string> favouritesDirectory_;  // where F puts its shortcuts, from the first F on
    int consecutiveFailures_ = 0;
    CQuantizer quantizer_{236, 8};
    EffectChoiceState effectChoice_;
    int previousEffect_ = 0;
    bool firstPictureShown_ = false;
    OverlayFonts fonts_;
    bool reducedMotion_ = false;  // the desktop asks for it: the blend or nothing
    int monitorCount_ = 1;
    // The other monitors' windows, each with what it shows (the background,
    // then the last picture), which every expose draws again.
    struct SecondaryMonitor {
        std::unique_ptr<WShowWindow> window;
        QImage shown;
    };
    std::vector<std::unique_ptr<SecondaryMonitor>> secondaryMonitors_;
    int blockSize_ = 16;
    std::vector<int> blockOrder_;
    int splashSecond_ = -1;
    QSize windowSize_;  // the size the canvases follow
};

}  // namespace orvanta
