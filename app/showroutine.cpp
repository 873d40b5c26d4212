#include "app/showroutine.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTime>
#include <cstring>

#include "app/displaygeometry.h"
#include "catalogue/shortcutresolver.h"
#include "desktop/favourites.h"
#include "desktop/shelllink.h"
#include "framework/WShowWindow.h"
#include "framework/reducedmotion.h"
#include "framework/screentransitiontarget.h"
#include "show/decoders/picturefile.h"
#include "show/pixels/canvas.h"
#include "show/pixels/composition.h"
#include "show/pixels/palettemode.h"
#include "show/pixels/resample.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/transitionplan.h"
#include "show/transitions/transitionplayer.h"

namespace orvanta {

namespace {

QColor colourOf(Rgb c) { return QColor(c.red, c.green, c.blue); }

}  // namespace

SlideShow::SlideShow(SlideShowPorts ports)
    : state_(ports.state),
      pump_(ports.pump),
      options_(ports.options),
      mode_(ports.mode),
      window_(ports.window),
      memoryError_(std::move(ports.memoryError)) {}

SlideShow::~SlideShow() = default;

int SlideShow::transitionCount() const { return blendingAvailable_ ? kTransitionCount : kTransitionCount - 1; }

void SlideShow::seed(std::uint32_t seed) {
    mt_.seed(seed);
    crandom_.seed(seed);
}

void SlideShow::setScreen(const QRect& showRect, bool paletteDisplay) {
    showRect_ = showRect;
    paletteDisplay_ = paletteDisplay;
    backBuffer_ = makeCanvas(showRect.size());
    backBuffer_.fill(Qt::black);
}

bool SlideShow::buildPictureList() {
    BuildHooks hooks;
    hooks.pumpEvents = throttledPump([this] { return pump_.pump(); }, [this] { return state_.ended(); });
    // Only shortcuts to absolute paths are listed: a Windows or relative
    // target would be opened against whatever the working directory is.
    hooks.resolveShortcut = shellShortcutResolver();
    switch (catalogue_.buildPictureList(settings(), hooks)) {
    case BuildResult::Ready: return true;
    case BuildResult::NoPictures: state_.setNoPictures(); return true;
    case BuildResult::Ended: return false;
    case BuildResult::MemoryError:
        if (memoryError_) memoryError_();
        return false;
    }
    return false;
}

void SlideShow::prepareRun() {
    const Settings& settings = this->settings();
    previousEffect_ = 0;
    effectChoice_.position = 0;
    // Texts are drawn in device pixels at the size the screen's own texts have.
    fonts_ = OverlayFonts::fromSettings(settings, window_.devicePixelRatio());
    reducedMotion_ = desktopAsksForReducedMotion();
    timerInterval_ = settings.Duration * 1000;
    blockSize_ = blockSizeFor(showRect_.width());
    blockOrder_.assign(static_cast<std::size_t>(blockCountFor(showRect_.width(), showRect_.height())), 0);
    previousBuffer_ = makeCanvas(showRect_.size());
    previousBuffer_.fill(colourOf(settings.BackColor));
}

void SlideShow::firstPicture() {
    // A show drawn into a daemon's window covers only that window: the daemon
    // runs one show per monitor.
    monitorCount_ = mode_.hack ? 1 : monitorCount();
    if (monitorCount_ > 1) createSecondaryWindows();
    state_.beginShow();
    {
        RunState::Change change(state_);
        if (options_.timed()) {
            // The first picture is decoded before the splash has had its time,
            // and shown at once after it, as if the timer had fired.
            if (loadUntilSuccess()) {
                waitForSplash();
                if (!state_.ended()) showRoutine();
            }
        } else {
            waitForSplash();
            showUntilShown();
        }
    }
    carryOutQueued();
}

void SlideShow::request(Step step) {
    if (state_.admit(step, pump_.depth() > 0) != RunState::Admission::Start) return;
    carryOut(step);
    carryOutQueued();
    if (pump_.depth() == 0 && !state_.ended()) window_.canvas().prepareNextDrawing();
}

void SlideShow::carryOutQueued() {
    // Steps asked for while a picture decoded are carried out now, one after
    // the other, never inside each other (and never inside a pump: a queued
    // step found there waits for the pump's caller to return here).
    while (pump_.depth() == 0)
        if (const std::optional<Step> next = state_.takeQueued()) {
            if (state_.admit(*next, false) == RunState::Admission::Start) carryOut(*next);
        } else {
            break;
        }
}

void SlideShow::carryOut(Step step) {
    RunState::Change change(state_);
    if (step == Step::Resize) {
        followWindowSize();
        return;
    }
    if (options_.timed()) {
        timer_.stop();
        // Back loads the picture before the current one first; Tick and
        // Forward show the picture decoded already.
        if (step == Step::Back) {
            catalogue_.stepBack();
            if (!loadUntilSuccess()) return;
        }
        showRoutine();
        return;
    }
    if (step == Step::Tick) return;
    if (step == Step::Back) catalogue_.stepBack();
    showUntilShown();
}

void SlideShow::showUntilShown() {
    while (!showRoutine() && state_.picturesGoOn()) {
    }
}

LoadResult SlideShow::decode(const std::string& path, QSize showSize, DecodedPicture& out) {
    LoadContext context;
    context.decode.screenWidth = showSize.width();
    context.decode.screenHeight = showSize.height();
    context.paletteDisplay = paletteDisplay_;
    context.quantizer = &quantizer_;
    context.decode.pumpEvents = [this] { return pump_.pump(); };
    // A picture far larger than the screen is read straight into the size the
    // show draws it at, or only the corner that reaches the screen.
    context.decode.fitting = ShowFitting::of(settings());
    // Transparent pixels (HEIF, WebP, TIFF, GIF, JPEG XL) are composed over the
    // colour the picture is placed on.
    const Rgb back = settings().BackColor;
    context.decode.background = RgbQuad{back.blue, back.green, back.red, 0};
    for (const auto& monitor : secondaryMonitors_) {
        const QSize size = monitor->window->canvas().size();
        context.decode.largestScreenWidth = std::max(context.decode.largestScreenWidth, size.width());
        context.decode.largestScreenHeight = std::max(context.decode.largestScreenHeight, size.height());
    }
    // The decode lets events run: it works on a picture of its own, and the
    // show's next picture is replaced only when it succeeded.
    LoadedPicture decoded;
    LoadResult result;
    {
        RunState::Loading loading(state_);
        result = loadPictureFile(path, context, decoded);
    }
    if (result != LoadResult::Loaded) return result;
    // The canvas is made now, while the current picture is on view, so that
    // the next tick only composes; the decoded bitmap is then done with.
    out.canvas = decoded.bitmap.toImage32();
    out.palette = paletteDisplay_ ? selectPalette(decoded.displayPalette, decoded.bitmap) : std::vector<PaletteEntry>{};
    out.reducedOnDecode = decoded.reducedOnDecode;
    out.path = path;
    return result;
}

bool SlideShow::loadPicture() {
    if (!state_.picturesGoOn()) return false;
    const int index = catalogue_.nextPicturePosition();
    if (index < 0) return false;
    const std::string path = catalogue_.pictures()[static_cast<std::size_t>(index)].path();
    DecodedPicture next;
    const LoadResult result = decode(path, showRect_.size(), next);
    if (result == LoadResult::Loaded) {
        picture_ = std::move(next);
        consecutiveFailures_ = 0;
        return true;
    }
    if (result == LoadResult::Abandoned) return false;  // the run ended; the position stays
    catalogue_.advance();
    // A show whose every picture fails must not spin: after a whole cycle of
    // failures it is a show without pictures.
    if (++consecutiveFailures_ >= std::max(1, catalogue_.length())) enterNoPictures();
    pump_.pump();
    return false;
}

bool SlideShow::loadUntilSuccess() {
    while (state_.picturesGoOn())
        if (loadPicture()) return true;
    return false;
}

void SlideShow::enterNoPictures() {
    state_.setNoPictures();
    timer_.stop();
    backBuffer_.fill(Qt::black);
    window_.canvas().fill(QRect(QPoint(0, 0), window_.canvas().size()), Qt::black);
}

void SlideShow::waitForSplash() {
    if (splashSecond_ < 0) return;
    int d = QTime::currentTime().second() - splashSecond_;
    if (d < 0) d += 60;
    if (d >= 2) return;
    // The banner stays until the seconds counter has moved on by two. Events
    // keep flowing; a step asked for meanwhile waits like one during a decode.
    RunState::Loading waiting(state_);
    pump_.pumpUntil(std::chrono::steady_clock::now() + std::chrono::seconds(2 - d));
}

void SlideShow::copyToPreviousBuffer() {
    if (previousBuffer_.size() == backBuffer_.size())
        std::memcpy(previousBuffer_.bits(), backBuffer_.constBits(),
                    static_cast<std::size_t>(backBuffer_.sizeInBytes()));
    else previousBuffer_ = backBuffer_.copy();
}

bool SlideShow::showRoutine() {
    const Settings& settings = this->settings();
    // The blend fades from the picture composed last.
    if (blendingAvailable_) copyToPreviousBuffer();
    // A manual show decodes the picture now; a timed one decoded it after
    // the previous picture.
    if (settings.Duration == 0 && !loadPicture()) return false;
    if (!picture_.loaded()) return false;
    if (!firstPictureShown_) {
        firstPictureShown_ = true;
        // The show's own window comes to the front; a daemon's window is the daemon's.
        if (!mode_.hack) {
            window_.showFullScreen();
            window_.raise();
            window_.requestActivate();
        }
    }
    const bool blitOk = composePictureInto(picture_.canvas, picture_.reducedOnDecode, settings, crandom_, backBuffer_,
                                           backBuffer_.rect());
    if (paletteDisplay_) realizeOnPaletteDisplay(picture_.palette);
    if (pump_.pump()) return false;
    if (blitOk) {
        playTransitionToScreen();
        if (state_.stopRequested()) return false;
        drawOverlaysOnScreen(picture_.path);
        drawSecondaryMonitors();
    }
    catalogue_.advance();
    shownPath_ = picture_.path;
    picture_.canvas = QImage();
    // A timed show decodes the next picture while this one is on view; the
    // timer counts the picture's time from the end of its transition.
    if (options_.timed() && !state_.ended()) {
        timer_.start(timerInterval_, 0);
        loadUntilSuccess();
    }
    return true;
}

void SlideShow::playTransitionToScreen() {
    const Settings& settings = this->settings();
    ScreenTransitionTarget::Hooks hooks;
    hooks.pump = &pump_;
    hooks.exitRequested = [this] { return state_.stopRequested(); };
    hooks.ended = [this] { return state_.ended(); };
    ScreenTransitionTarget target(window_.canvas(), backBuffer_, previousBuffer_, showRect_, std::move(hooks));
    if (fillsShowBeforeNextEffect(showRect_.width(), previousEffect_)) target.fill(colourOf(settings.BackColor).rgb());
    int effect = 0;
    if (settings.Effects)
        effect = chooseEffect(effectChoice_, settings.transitions, transitionCount(), mt_, reducedMotion_);
    TransitionGeometry geometry;
    geometry.width = showRect_.width();
    geometry.height = showRect_.height();
    geometry.blockSize = blockSize_;
    geometry.delay = settings.Delay;
    geometry.blockOrder = blockOrder_;
    TransitionRandom random{mt_, crandom_};
    playTransition(effect, geometry, random, target);
    previousEffect_ = effect;
}

// A palette device shows the composed picture through one palette: the
// screen is first filled with the background colour as that palette shows it,
// and the back buffer holds only colours of the palette.
void SlideShow::realizeOnPaletteDisplay(const std::vector<PaletteEntry>& palette) {
    QImage background(1, 1, QImage::Format_RGB32);
    background.fill(colourOf(settings().BackColor));
    realizePalette(background, palette);
    WScreenCanvas& screen = window_.canvas();
    screen.fill(QRect(QPoint(0, 0), screen.size()), background.pixelColor(0, 0));
    realizePalette(backBuffer_, palette);
}

void SlideShow::drawOverlaysOnScreen(const std::string& path) {
    const Settings& settings = this->settings();
    if (!settings.Message && !settings.Captions) return;
    window_.canvas().paint(showRect_,
                           [&](QPainter& p) { drawOverlays(p, showRect_.size(), settings, fonts_, path, crandom_); });
}

void SlideShow::resizeTo(QSize windowSize) {
    windowSize_ = windowSize;
    request(Step::Resize);
}

// The window has a new size. Everything sized to the old one is made again:
// the screen canvas and its clip, the back buffer, the previous-image buffer
// and the block grid. The picture on view is decoded again for the new size
// (the decoder reduces large pictures to the size of the show) and composed
// anew with its overlays; in a timed show the next picture, decoded already
// for the old size, is decoded again as well.
void SlideShow::followWindowSize() {
    if (windowSize_.isEmpty()) return;
    const Settings& settings = this->settings();
    const ShowGeometry geometry = showGeometryFor(windowSize_, QGuiApplication::primaryScreen());
    WScreenCanvas& screen = window_.canvas();
    screen.resize(QSize(geometry.screenWidth, geometry.height));
    // All of the window black, the strips outside the show's clip included.
    screen.setClip(QRect(QPoint(0, 0), screen.size()));
    screen.fill(screen.clip(), Qt::black);
    screen.setClip(geometry.clip);
    const QRect show(0, 0, geometry.width, geometry.height);
    const bool shown = firstPictureShown_ && !state_.noPictures();
    if (show != showRect_) {
        // The new back buffer is composed aside: a run that ends during the
        // decode keeps the picture it showed for the end-of-show wallpaper.
        QImage back = makeCanvas(show.size());
        back.fill(Qt::black);
        DecodedPicture current;
        bool recomposed = false;
        if (shown) {
            recomposed = decode(shownPath_, show.size(), current) == LoadResult::Loaded;
            if (recomposed)
                composePictureInto(current.canvas, current.reducedOnDecode, settings, crandom_, back, back.rect());
            else if (!backBuffer_.isNull())
                stretchBox(backBuffer_, backBuffer_.rect(), back, back.rect());  // the file is gone: as it was
        }
        if (state_.ended()) return;
        showRect_ = show;
        backBuffer_ = back;
        if (paletteDisplay_ && recomposed) realizeOnPaletteDisplay(current.palette);
        if (!previousBuffer_.isNull()) {
            previousBuffer_ = makeCanvas(show.size());
            previousBuffer_.fill(colourOf(settings.BackColor));
        }
        if (!blockOrder_.empty()) {
            blockSize_ = blockSizeFor(show.width());
            blockOrder_.assign(static_cast<std::size_t>(blockCountFor(show.width(), show.height())), 0);
        }
        if (picture_.loaded()) {
            DecodedPicture next;
            if (decode(picture_.path, show.size(), next) == LoadResult::Loaded) picture_ = std::move(next);
            if (state_.ended()) return;
        }
    }
    screen.copyFrom(backBuffer_, showRect_);
    if (shown) drawOverlaysOnScreen(shownPath_);
}

void SlideShow::createSecondaryWindows() {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == QGuiApplication::primaryScreen()) continue;
        auto window = std::make_unique<WShowWindow>();
        window->setScreen(screen);
        window->setGeometry(screen->geometry());
        window->showFullScreen();
        const qreal ratio = screen->devicePixelRatio();
        window->canvas().resize(
            QSize(qRound(screen->geometry().width() * ratio), qRound(screen->geometry().height() * ratio)));
        auto monitor = std::make_unique<SecondaryMonitor>();
        monitor->shown = QImage(window->canvas().size(), QImage::Format_RGB32);
        monitor->shown.fill(colourOf(settings().BackColor));
        window->canvas().copyFrom(monitor->shown, monitor->shown.rect());
        // Input on a secondary monitor counts like input on the show.
        WShowWindow& main = window_;
        WShowWindow* self = window.get();
        window->KeyDownEvent.connect([&main](int key, bool repeat) { return main.KeyDownEvent.raise(key, repeat); });
        window->LeftButtonDownEvent.connect([&main](QPoint p) { return main.LeftButtonDownEvent.raise(p); });
        window->RightButtonDownEvent.connect([&main](QPoint p) { return main.RightButtonDownEvent.raise(p); });
        window->MiddleButtonDownEvent.connect([&main](QPoint p) { return main.MiddleButtonDownEvent.raise(p); });
        // The mouse's travel is measured across all monitors: a movement here
        // reaches the show as a position in its own window's coordinates.
        window->MouseMoveEvent.connect(
            [&main, self](QPoint p) { return main.MouseMoveEvent.raise(main.mapFromGlobal(self->mapToGlobal(p))); });
        window->CloseEvent.connect([this] { return !state_.ended(); });
        // The window's store may have been made anew since it was drawn (the
        // server maps and sizes the window after this): an expose draws it all.
        window->PaintEvent.connect([self, shown = &monitor->shown] {
            WScreenCanvas& canvas = self->canvas();
            if (canvas.size() == shown->size()) canvas.copyFrom(*shown, shown->rect());
            else canvas.flushAll();
            return true;
        });
        monitor->window = std::move(window);
        secondaryMonitors_.push_back(std::move(monitor));
    }
}

void SlideShow::drawSecondaryMonitors() {
    if (monitorCount_ <= 1 || secondaryMonitors_.empty() || !picture_.loaded()) return;
    for (auto& monitor : secondaryMonitors_) {
        const QSize size = monitor->window->canvas().size();
        QImage image(size, QImage::Format_RGB32);
        image.fill(colourOf(settings().BackColor));
        composePictureInto(picture_.canvas, picture_.reducedOnDecode, settings(), crandom_, image,
                           QRect(QPoint(0, 0), size));
        monitor->window->canvas().copyFrom(image, QRect(QPoint(0, 0), size));
        monitor->shown = std::move(image);
    }
}

void SlideShow::drawStatusText(const QString& text) {
    const Settings& settings = this->settings();
    window_.canvas().paint(showRect_, [&](QPainter& p) {
        orvanta::drawStatusText(p, showRect_.size(), fonts_.statusFont, text, settings.Captions, settings.CaptionPlace);
    });
}

void SlideShow::pause() {
    timer_.stop();
    drawStatusText(" Pause");
}

void SlideShow::addFavourite() {
    if (shownPath_.empty()) return;
    // The folder is made (or the default one chosen) at the first F of the run.
    favouritesDirectory_ = favouritesDirectoryForUse(favouritesDirectory_.value_or(settings().CurrentFavDir));
    const std::optional<FavouriteLink> link = favouriteLinkFor(*favouritesDirectory_, shownPath_);
    if (!link) return;
    if (createShortcut(shownPath_, link->linkPath, link->description) == 0) drawStatusText(kFavouriteAddedText);
}

void SlideShow::repaint() {
    // The screen canvas keeps everything drawn on the screen (picture,
    // transition so far, overlays, status text); the back buffer keeps only
    // the composed picture, which the blend and the wallpaper need clean.
    window_.canvas().flushAll();
}

}  // namespace orvanta
