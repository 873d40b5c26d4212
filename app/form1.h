#pragma once
// The show form: the one top-level form of every run. It holds all run-time
// state of a show: canvases, show rectangle, timer, picture position, the
// settings record, and the three flags that keep the nested event handling
// safe (ended, changing, exit-request result).
#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/crandom.h"
#include "catalogue/mt19937.h"
#include "app/showmusic.h"
#include "catalogue/picturecatalogue.h"
#include "framework/WShowWindow.h"
#include "framework/WTimer.h"
#include "framework/singleinstance.h"
#include "settings/settings.h"
#include "show/cquantizer.h"
#include "show/effectchoice.h"
#include "show/picturefile.h"
#include "show/textoverlay.h"

class QTimer;

namespace orvanta {

class Form1 {
public:
    Form1();
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // --- run mode (start-up) ---
    bool previewFlag = false;
    bool settingsMode = false;
    long long passwordChangeParent = 0;
    long long previewParent = 0;
    SingleInstance singleInstance;  // "OrvantaIsOn"
    bool windows95Family = false;   // never set on this platform
    bool paletteDisplay = false;
    int monitorCount = 1;
    int splashSecond = -1;
    bool blendingAvailable = true;
    int transitionCount() const { return blendingAvailable ? kTransitionCount : kTransitionCount - 1; }

    // --- the show ---
    WShowWindow window;
    Settings settings;
    bool settingsLoaded = false;
    QRect showRect;        // x, y, W, H in device pixels
    QImage backBuffer;     // W x H, 32-bit B,G,R,X
    QImage previousBuffer;  // W x H, for the blend
    WTimer showTimer;
    int timerInterval = 0;
    Mt19937 mt;
    CRandom crandom;
    PictureCatalogue catalogue{mt};
    std::string currentPicturePath;  // the picture on screen; LastImage at the end
    LoadedPicture picture;           // the decoded next picture
    QImage pictureCanvas;            // the same picture as a 32-bit canvas, made once at load
    std::vector<PaletteEntry> picturePalette;  // palette displays: the palette it is shown through
    std::string loadedPath;          // its path
    int consecutiveFailures = 0;
    CQuantizer quantizer{236, 8};
    EffectChoiceState effectChoice;
    int previousEffect = 0;
    bool firstPictureShown = false;
    OverlayFonts fonts;
    std::vector<std::unique_ptr<WShowWindow>> secondaryWindows;
    int blockSize = 16;
    std::vector<int> blockOrder;

    bool ended = false;
    bool changing = false;
    bool noPictures = false;
    bool loadSucceeded = false;
    bool passwordDialog = false;
    bool exitRequested = false;  // the exit-request result
    bool cursorHidden = false;

    QPoint mouseOrigin;
    int mouseMoveCount = 0;
    bool firstPaintDone = false;

    int keyFilterId = -1;
    QTimer* powerWatch = nullptr;

    // The show's music; made while loading when MusicOption asks for it, and
    // released before the window it reports to.
    std::unique_ptr<ShowMusic, ShowMusicDeleter> music;
};

// The process-wide reference to the show form, set at the start of startUp.
Form1* showForm();
void setShowForm(Form1* form);

}  // namespace orvanta
