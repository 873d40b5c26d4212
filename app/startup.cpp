#include "app/startup.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTime>
#include <chrono>
#include <cstdio>

#include "app/displaygeometry.h"
#include "app/exitrules.h"
#include "app/form1.h"
#include "app/hackmode.h"
#include "app/previewwindow.h"
#include "base/crandom.h"
#include "base/version.h"
#include "commandline/arguments.h"
#include "config/configuration.h"
#include "framework/foreignwindow.h"
#include "framework/x11platform.h"
#include "settings/settingsstore.h"
#include "show/overlays/fontconversion.h"

namespace orvanta {

namespace {

constexpr const char* kLoadingText = "Loading pictures...";
// How long start-up waits for the window to reach the screen before it
// builds the picture list behind the notice anyway.
constexpr auto kExposeWait = std::chrono::seconds(2);

std::uint32_t runSeed() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const auto ms = static_cast<std::uint32_t>(now % 1000);
    const auto t = static_cast<std::uint32_t>((now + 500) / 1000);  // rounded to the nearest second
    return showSeed(t, ms);
}

void drawLoadingNotice(Form1& form) {
    // Drawn in device pixels: at the screen's ratio, like the captions.
    const QFont font = atDeviceRatio(QGuiApplication::font(), form.window().devicePixelRatio());
    const QFontMetrics metrics(font);
    const int w = metrics.horizontalAdvance(kLoadingText);
    const int h = metrics.height();
    const QRect box(2 * h, form.show().showRect().height() - 2 * h, w, h);
    form.window().canvas().paint(box, [&](QPainter& p) {
        p.fillRect(box, Qt::black);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, kLoadingText);
    });
}

// The list build can take many seconds (a folder of shortcuts, a slow
// disk): the notice must be on screen before it starts, not only at the
// first event the build happens to let through.
void waitUntilExposed(Form1& form) {
    const auto due = std::chrono::steady_clock::now() + kExposeWait;
    while (!form.window().isExposed() && std::chrono::steady_clock::now() < due)
        if (form.pump().pumpUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(5))) return;
}

void drawSplash(Form1& form) {
    const QImage banner = splashBanner();
    const QRect show = form.show().showRect();
    const int x = (show.width() - banner.width()) / 2;
    const int y = (show.height() - banner.height()) / 2;
    form.window().canvas().drawImage(QPoint(x, y), banner, banner.rect());
    form.show().splashDrawn(QTime::currentTime().second());
}

void startShow(Form1& form) {
    form.input().startWatching();
    form.cursor().hide();
    x11::suspendScreenBlanking(true);

    // The window covers the primary screen.
    const ShowGeometry geometry = primaryShowGeometry();
    WShowWindow& window = form.window();
    window.setScreen(geometry.screen);
    window.setGeometry(geometry.screen ? geometry.screen->geometry() : QRect(0, 0, 640, 480));
    window.showFullScreen();
    form.mode().coversPrimaryMonitor = true;
    runShow(form, geometry);
}

// A preview's window id as read from its argument: a number, and one that
// fits an X window id. Says why on standard error when it is not.
bool previewIdIsPlausible(const std::string& text, long long id) {
    if (id == 0) {
        const std::string given = trimBlanks(text.size() > 3 ? text.substr(3) : "");
        std::fprintf(stderr, "orvanta: %s needs the id of a window (decimal, or hexadecimal with 0x)%s%s%s\n",
                     text.substr(0, 2).c_str(), given.empty() ? "" : ", not \"", given.c_str(),
                     given.empty() ? "" : "\"");
        return false;
    }
    if (id < 0 || id > 0xFFFFFFFFll) {
        std::fprintf(stderr, "orvanta: %lld is not a window; no preview\n", id);
        return false;
    }
    return true;
}

// Start-up of the display mode: attaches to the window, then runs the show's
// start-up at the window's size. False when the id names no window (a
// one-line message goes to standard error); the caller then ends the run.
bool startHack(Form1& form, unsigned long id) {
    auto attached = std::make_unique<HackWindow>(id);
    if (!attached->attached()) {
        std::fprintf(stderr, "orvanta: 0x%lx is not a window; nothing to draw on\n", id);
        return false;
    }
    HackWindow& window = *attached;
    form.setHack(std::move(attached));
    form.mode().coversPrimaryMonitor = window.coversPrimaryMonitor();
    window.embed(
        form.window(), [&form](QSize size) { form.show().resizeTo(size); },
        [&form] {
            // The daemon destroys its window when it goes away without a
            // signal (or after one); the run then ends as if stopped.
            if (!form.state().ended()) form.ending().endShow(true);
        });
    runShow(form, showGeometryFor(window.size(), QGuiApplication::primaryScreen()));
    return true;
}

}  // namespace

void runShow(Form1& form, const ShowGeometry& geometry) {
    form.show().seed(runSeed());
    // The canvas is clipped to the show's width where that is narrower than
    // the screen.
    const QRect wholeScreen(0, 0, geometry.screenWidth, geometry.height);
    WShowWindow& window = form.window();
    window.canvas().resize(wholeScreen.size());
    window.canvas().setClip(geometry.clip);
    // A screen of 8 bits or less is a palette device (Qt cannot draw on such
    // X visuals, so this is false on every desktop Qt runs on).
    form.show().setScreen(QRect(0, 0, geometry.width, geometry.height),
                          geometry.screen && geometry.screen->depth() <= 8);
    window.canvas().fill(wholeScreen, Qt::black);
    drawLoadingNotice(form);
    waitUntilExposed(form);

    // The settings, then the picture list behind the notice.
    LoadSettingsContext context;
    context.transitionCount = form.show().transitionCount();
    loadSettings(form.settings(), context);
    // From here on the run reads its options; the settings record stays as loaded.
    form.beginRun();
    const RunOptions& options = form.options();
    form.show().setShownPath(options.settings().LastImage);
    if (!form.show().buildPictureList() || form.state().ended()) return;
    // The music list: the same two passes as the pictures', run once the
    // picture list is ready (nothing shows in between, so the order is not seen).
    if (!form.state().noPictures() && (!form.music().prepare(options.settings(), form.show().random(), [&form] {
            return form.pump().pump();
        }) || form.state().ended()))
        return;

    form.show().prepareRun();
    if (form.state().noPictures()) {
        // Nothing to show: a black screen until the user leaves, who is then
        // told why (a daemon's window stays black until the daemon ends the run).
        if (!form.mode().hack) window.showFullScreen();
        window.canvas().fill(QRect(QPoint(0, 0), window.canvas().size()), Qt::black);
        form.show().carryOutQueued();
        return;
    }
    window.canvas().fill(wholeScreen, Qt::black);
    if (options.settings().Splash) drawSplash(form);
    form.show().firstPicture();
    if (form.state().picturesGoOn()) form.music().start();
}

int startUp(Form1& form, const std::string& rawText) {
    form.window().setTitle("Form1");
    form.ending().installCloseRules();
    form.ending().installTerminationSignals();
    // A daemon's display mode, whatever the other arguments: no input and no
    // single-instance lock (the daemon runs one per monitor and a preview).
    if (const std::optional<unsigned long> hackWindow = requestedHackWindow(rawText)) {
        form.input().installDisplayHandlers();
        if (!startHack(form, *hackWindow)) form.ending().endShow();
        return 0;
    }
    form.input().installHandlers();

    const std::string text = trimBlanks(rawText);
    const RunMode mode = runModeOf(text);
    if (mode == RunMode::PasswordChange || mode == RunMode::RemoveSettings) {
        // Each does its one thing and ends. Removal deletes the stored
        // settings; passwords belong to the desktop's locker, so a password
        // change has nothing to do.
        if (mode == RunMode::RemoveSettings) removeAllSettings();
        form.state().end();
        form.ending().endShow();
        return 0;
    }
    // A preview's id is checked before the lock: a mistyped one is reported
    // also while a show runs.
    const long long previewId = mode == RunMode::Preview ? previewHandleOf(text) : 0;
    if (mode == RunMode::Preview && !previewIdIsPlausible(text, previewId)) {
        form.ending().endShow();
        return 1;
    }
    if (!form.singleInstance().acquire()) {
        form.ending().endShow();
        return 0;
    }
    switch (mode) {
    case RunMode::Preview:
        form.mode().preview = true;
        if (startPreview({form.window(), form.show(), form.state(), form.pump()}, previewId)) return 0;
        form.ending().endShow();
        return 1;
    case RunMode::Show: startShow(form); return 0;
    case RunMode::SettingsWithOwner:
    case RunMode::SettingsNoOwner: {
        form.mode().settingsMode = true;
        form.singleInstance().release();
        // "/c:<id>" names the window that asked for the dialog; a bare "c" or
        // "/c" means the window that is active now.
        unsigned long owner = 0;
        if (mode == RunMode::SettingsWithOwner) {
            const long long id = windowHandleOf(text);
            owner = id > 0 ? static_cast<unsigned long>(id) : activeForeignWindow();
        }
        runConfiguration(owner);
        form.ending().endShow();
        return 0;
    }
    default: form.ending().endShow(); return 0;
    }
}

QImage splashBanner() {
    QImage banner(310, 44, QImage::Format_RGB32);
    QPainter p(&banner);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 310, 44);
    sky.setColorAt(0.0, QColor(18, 32, 74));
    sky.setColorAt(0.55, QColor(34, 92, 128));
    sky.setColorAt(1.0, QColor(224, 142, 64));
    p.fillRect(banner.rect(), sky);
    // A small framed "photo" on the left.
    p.setPen(QPen(QColor(250, 246, 236), 2));
    p.setBrush(QColor(70, 130, 160));
    p.drawRect(10, 8, 34, 28);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 214, 110));
    p.drawEllipse(QPointF(33, 16), 4, 4);
    p.setBrush(QColor(40, 90, 60));
    p.drawPolygon(QPolygonF({QPointF(11, 35), QPointF(22, 20), QPointF(32, 35)}));
    QFont title("Liberation Serif");
    title.setPixelSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(250, 246, 236));
    p.drawText(QRect(54, 2, 170, 40), Qt::AlignLeft | Qt::AlignVCenter, "Orvanta");
    QFont small("Liberation Sans");
    small.setPixelSize(11);
    p.setFont(small);
    p.drawText(QRect(180, 6, 122, 34), Qt::AlignRight | Qt::AlignVCenter | Qt::TextWordWrap,
               QString::fromLatin1(kProgramVersion) + "\nphoto slide show");
    p.end();
    return banner;
}

}  // namespace orvanta
