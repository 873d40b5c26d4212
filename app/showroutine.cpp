#include "app/showroutine.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cstring>

#include "app/displaygeometry.h"
#include "app/exitrules.h"
#include "app/form1.h"
#include "catalogue/shortcutresolver.h"
#include "desktop/favourites.h"
#include "desktop/shelllink.h"
#include "framework/messagebox.h"
#include "framework/screentransitiontarget.h"
#include "show/composition.h"
#include "show/palettemode.h"
#include "show/transitionplan.h"
#include "show/transitionplayer.h"

namespace orvanta {

namespace {

// Lets pending events run; true when the run has ended meanwhile.
bool pumpEnded(Form1& form) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return form.ended;
}

QColor colourOf(Rgb c) { return QColor(c.red, c.green, c.blue); }

QRect wholeScreen(Form1& form) { return QRect(QPoint(0, 0), form.window.canvas().size()); }

ScreenTransitionTarget::Hooks transitionHooks(Form1& form) {
    ScreenTransitionTarget::Hooks hooks;
    hooks.processEvents = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    hooks.exitRequested = [&form] { return form.exitRequested || form.ended; };
    hooks.ended = [&form] { return form.ended; };
    return hooks;
}

// A palette device shows the composed picture through one palette: the
// screen is first filled with the background colour as that palette shows it,
// and the back buffer holds only colours of the palette.
void realizeOnPaletteDisplay(Form1& form) {
    const Rgb back = form.settings.BackColor;
    QImage background(1, 1, QImage::Format_RGB32);
    background.fill(colourOf(back));
    realizePalette(background, form.picturePalette);
    form.window.canvas().fill(wholeScreen(form), background.pixelColor(0, 0));
    realizePalette(form.backBuffer, form.picturePalette);
}

void enterNoPictures(Form1& form) {
    form.noPictures = true;
    form.settings.Splash = false;
    form.settings.Randomize = false;
    form.showTimer.stop();
    form.backBuffer.fill(Qt::black);
    form.window.canvas().fill(wholeScreen(form), Qt::black);
}

void drawOverlaysOnScreen(Form1& form) {
    if (!form.settings.Message && !form.settings.Captions) return;
    form.window.canvas().paint(form.showRect, [&](QPainter& p) {
        drawOverlays(p, form.showRect.size(), form.settings, form.fonts, form.loadedPath, form.crandom);
    });
}

void drawSecondaryMonitors(Form1& form) {
    if (form.monitorCount <= 1 || form.secondaryWindows.empty()) return;
    const QImage& canvas = form.pictureCanvas;
    if (canvas.isNull()) return;
    for (auto& window : form.secondaryWindows) {
        const QSize size = window->canvas().size();
        QImage image(size, QImage::Format_RGB32);
        image.fill(colourOf(form.settings.BackColor));
        composePictureInto(canvas, form.picture.reducedOnDecode, form.settings, form.crandom, image,
                           QRect(QPoint(0, 0), size));
        window->canvas().copyFrom(image, QRect(QPoint(0, 0), size));
    }
}

void createSecondaryWindows(Form1& form) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == QGuiApplication::primaryScreen()) continue;
        auto window = std::make_unique<WShowWindow>();
        window->setScreen(screen);
        window->setGeometry(screen->geometry());
        window->showFullScreen();
        const qreal ratio = screen->devicePixelRatio();
        window->canvas().resize(QSize(qRound(screen->geometry().width() * ratio),
                                      qRound(screen->geometry().height() * ratio)));
        window->canvas().fill(QRect(QPoint(0, 0), window->canvas().size()), colourOf(form.settings.BackColor));
        // Input on a secondary monitor counts like input on the show.
        Form1* f = &form;
        window->KeyDownEvent.connect([f](int key, bool repeat) { return f->window.KeyDownEvent.raise(key, repeat); });
        window->LeftButtonDownEvent.connect([f](QPoint p) { return f->window.LeftButtonDownEvent.raise(p); });
        window->RightButtonDownEvent.connect([f](QPoint p) { return f->window.RightButtonDownEvent.raise(p); });
        window->MiddleButtonDownEvent.connect([f](QPoint p) { return f->window.MiddleButtonDownEvent.raise(p); });
        window->CloseEvent.connect([f] { return !f->ended; });
        form.secondaryWindows.push_back(std::move(window));
    }
}

}  // namespace

bool buildPictureList(Form1& form, const std::function<bool()>& pump) {
    BuildHooks hooks;
    hooks.pumpEvents = throttledPump(pump, [&form] { return form.ended; });
    hooks.resolveShortcut = [](const std::string& link) {
        std::string target;
        return resolveShortcut(0, link, target) != 0 ? target : std::string();
    };
    const BuildResult result = form.catalogue.buildPictureList(form.settings, hooks);
    switch (result) {
    case BuildResult::Ready: return true;
    case BuildResult::NoPictures:
        form.noPictures = true;
        return true;
    case BuildResult::Ended: return false;
    case BuildResult::MemoryError:
        showCursor(form);
        showMessageBox(&form.window, kMemoryErrorTitle, kMemoryErrorText);
        endShow(form);
        return false;
    }
    return false;
}

void resetShowCounters(Form1& form) {
    form.previousEffect = 0;
    form.effectChoice.position = 0;
    form.fonts = OverlayFonts::fromSettings(form.settings);
    form.timerInterval = form.settings.Duration * 1000;
}

bool loadPicture(Form1& form) {
    form.loadSucceeded = false;
    if (form.noPictures || form.ended) return false;
    const int index = form.catalogue.nextPicturePosition();
    if (index < 0) return false;
    const std::string path = form.catalogue.pictures()[static_cast<std::size_t>(index)].path();
    LoadContext context;
    context.screenWidth = form.showRect.width();
    context.screenHeight = form.showRect.height();
    context.paletteDisplay = form.paletteDisplay;
    context.windows95Family = form.windows95Family;
    context.quantizer = &form.quantizer;
    context.pumpEvents = [&form] { return pumpEnded(form); };
    const LoadResult result = loadPictureFile(path, context, form.picture);
    if (result == LoadResult::Loaded) {
        // The canvas is made now, while the current picture is on view, so
        // that the next tick only composes; the decoded bitmap is then done with.
        form.pictureCanvas = form.picture.bitmap.toImage32();
        if (form.paletteDisplay) form.picturePalette = selectPalette(form.picture.displayPalette, form.picture.bitmap);
        form.picture.bitmap.reset();
        form.loadSucceeded = true;
        form.loadedPath = path;
        form.consecutiveFailures = 0;
        return true;
    }
    if (result == LoadResult::Abandoned) return false;  // the run ended; the position stays
    form.catalogue.advance();
    // A show whose every picture fails must not spin: after a whole cycle of
    // failures it is a show without pictures.
    if (++form.consecutiveFailures >= std::max(1, form.catalogue.length())) enterNoPictures(form);
    pumpEnded(form);
    return false;
}

void loadUntilSuccess(Form1& form) {
    while (!form.ended && !form.noPictures && !loadPicture(form)) {
    }
}

void showRoutine(Form1& form) {
    // 1.
    form.changing = true;
    form.exitRequested = false;
    if (form.blendingAvailable) {
        if (form.previousBuffer.size() == form.backBuffer.size())
            std::memcpy(form.previousBuffer.bits(), form.backBuffer.constBits(),
                        static_cast<std::size_t>(form.backBuffer.sizeInBytes()));
        else
            form.previousBuffer = form.backBuffer.copy();
    }
    // 2. A manual show loads the picture now.
    if (form.settings.Duration == 0 && !loadPicture(form)) {
        form.changing = false;
        return;
    }
    // 3.
    if (!form.firstPictureShown) {
        form.firstPictureShown = true;
        form.window.showFullScreen();
        form.window.raise();
        form.window.requestActivate();
    }
    // 4-5.
    const bool blitOk = composePictureInto(form.pictureCanvas, form.picture.reducedOnDecode, form.settings,
                                           form.crandom, form.backBuffer, form.backBuffer.rect());
    if (form.paletteDisplay) realizeOnPaletteDisplay(form);
    if (pumpEnded(form)) return;
    // 6.
    if (blitOk) {
        ScreenTransitionTarget target(form.window.canvas(), form.backBuffer, form.previousBuffer, form.showRect,
                                      transitionHooks(form));
        if (fillsShowBeforeNextEffect(form.showRect.width(), form.previousEffect))
            target.fill(colourOf(form.settings.BackColor).rgb());
        int effect = 0;
        if (form.settings.Effects)
            effect = chooseEffect(form.effectChoice, form.settings.transitions, form.transitionCount(), form.mt);
        TransitionGeometry geometry;
        geometry.width = form.showRect.width();
        geometry.height = form.showRect.height();
        geometry.blockSize = form.blockSize;
        geometry.delay = form.settings.Delay;
        geometry.blockOrder = form.blockOrder;
        TransitionRandom random{form.mt, form.crandom};
        const bool finished = playTransition(effect, geometry, random, target);
        form.previousEffect = effect;
        if (!finished || form.exitRequested || form.ended) return;
        // 7-8.
        drawOverlaysOnScreen(form);
        drawSecondaryMonitors(form);
    }
    // 9.
    form.catalogue.advance();
    form.currentPicturePath = form.loadedPath;
    form.pictureCanvas = QImage();
    // 10.
    if (form.settings.Duration != 0 && form.settings.Duration != 999999 && !form.ended) {
        form.showTimer.start(form.timerInterval, 0);
        loadUntilSuccess(form);
    }
    // 11.
    if (!form.ended) form.changing = false;
}

void onTimerTick(Form1& form) {
    if (form.ended || form.changing || form.noPictures || form.settings.Duration == 0) return;
    form.showTimer.stop();
    if (!form.ended) showRoutine(form);
}

void firstPicture(Form1& form) {
    if (form.monitorCount > 1) createSecondaryWindows(form);
    if (form.settings.Duration != 0) {
        form.timerInterval = form.settings.Duration * 1000;
        loadUntilSuccess(form);
        waitForSplash(form);
        if (!form.ended && !form.noPictures) form.showTimer.fireNow();
    } else {
        waitForSplash(form);
        do {
            showRoutine(form);
        } while (!form.loadSucceeded && !form.ended && !form.noPictures);
    }
}

void stepBackPosition(Form1& form) { form.catalogue.stepBack(); }

void stepBackManual(Form1& form) {
    if (form.changing) return;
    form.catalogue.stepBack();
    do {
        showRoutine(form);
    } while (!form.loadSucceeded && !form.ended && !form.noPictures);
}

void stepForwardManual(Form1& form) {
    if (form.changing) return;
    do {
        showRoutine(form);
    } while (!form.loadSucceeded && !form.ended && !form.noPictures);
}

void drawStatusText(Form1& form, const QString& text) {
    form.window.canvas().paint(form.showRect, [&](QPainter& p) {
        orvanta::drawStatusText(p, form.showRect.size(), text, form.settings.Captions, form.settings.CaptionPlace);
    });
}

void pauseShow(Form1& form) {
    form.showTimer.stop();
    drawStatusText(form, " Pause");
}

void addFavourite(Form1& form) {
    if (form.currentPicturePath.empty()) return;
    form.settings.CurrentFavDir = favouritesDirectoryForUse(form.settings.CurrentFavDir);
    const std::optional<FavouriteLink> link = favouriteLinkFor(form.settings.CurrentFavDir, form.currentPicturePath);
    if (!link) return;
    if (createShortcut(form.currentPicturePath, link->linkPath, link->description) == 0)
        drawStatusText(form, kFavouriteAddedText);
}

void repaintFromBackBuffer(Form1& form) {
    if (form.backBuffer.isNull()) return;
    form.window.canvas().copyFrom(form.backBuffer, form.showRect);
}

}  // namespace orvanta
