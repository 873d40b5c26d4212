#include "app/startup.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QTime>
#include <QTimer>

#include "app/arguments.h"
#include "app/displaygeometry.h"
#include "app/exitrules.h"
#include "app/form1.h"
#include "app/input.h"
#include "app/showroutine.h"
#include "catalogue/crandom.h"
#include "framework/WMessageFilter.h"
#include "framework/x11platform.h"
#include "settings/settingsstore.h"
#include "show/blockgrid.h"
#include "show/canvas.h"

namespace orvanta {

namespace {

constexpr int kKeyFilterPriority = 64;
constexpr const char* kLoadingText = "Loading pictures...";

// Between entries of the start-up scans: let one pending event run and tell
// whether the run has been ended meanwhile.
bool pump(Form1& form) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return form.ended;
}

void seedGenerators(Form1& form) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const auto ms = static_cast<std::uint32_t>(now % 1000);
    const auto t = static_cast<std::uint32_t>((now + 500) / 1000);  // rounded to the nearest second
    const std::uint32_t seed = showSeed(t, ms);
    form.mt.seed(seed);
    form.crandom.seed(seed);
}

void drawLoadingNotice(Form1& form) {
    const QFont font = QGuiApplication::font();
    const QFontMetrics metrics(font);
    const int w = metrics.horizontalAdvance(kLoadingText);
    const int h = metrics.height();
    const QRect box(2 * h, form.showRect.height() - 2 * h, w, h);
    form.window.canvas().paint(box, [&](QPainter& p) {
        p.fillRect(box, Qt::black);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, kLoadingText);
    });
}

void drawSplash(Form1& form) {
    const QImage banner = splashBanner();
    const int x = (form.showRect.width() - banner.width()) / 2;
    const int y = (form.showRect.height() - banner.height()) / 2;
    form.window.canvas().drawImage(QPoint(x, y), banner, banner.rect());
    form.splashSecond = QTime::currentTime().second();
}

void startWatchingMonitorPower(Form1& form) {
    // The X server reports the monitor's power state; it is watched while the
    // show runs and reaches the key filter as a posted event.
    form.powerWatch = new QTimer(&form.window);
    QObject::connect(form.powerWatch, &QTimer::timeout, &form.window, [&form] {
        const x11::MonitorPower power = x11::monitorPower();
        if (power == x11::MonitorPower::Standby || power == x11::MonitorPower::Suspend)
            QCoreApplication::postEvent(&form.window, new WMonitorPowerEvent(1));
        else if (power == x11::MonitorPower::Off)
            QCoreApplication::postEvent(&form.window, new WMonitorPowerEvent(2));
    });
    form.powerWatch->start(1000);
}

void startShow(Form1& form) {
    // 1. The key filter sees every event first.
    form.keyFilterId = installMessageFilter(
        kKeyFilterPriority, [&form](QObject* target, QEvent* event) { return keyFilter(form, target, event); });
    x11::setCloseMessageHandler([&form](unsigned long, long code) {
        QCoreApplication::postEvent(&form.window, new WCloseRequestEvent(code));
    });
    // 2-4.
    seedGenerators(form);
    form.noPictures = false;
    form.blendingAvailable = true;  // the constant-alpha blend is our own code
    // 5-6.
    hideCursor(form);
    x11::suspendScreenBlanking(true);
    startWatchingMonitorPower(form);
    const ShowGeometry geometry = primaryShowGeometry();
    form.showRect = QRect(0, 0, geometry.width, geometry.height);
    form.window.setScreen(geometry.screen);
    form.window.setGeometry(geometry.screen ? geometry.screen->geometry() : QRect(0, 0, 640, 480));
    form.window.showFullScreen();
    // 7. The screen canvas, clipped by the 1360 rule.
    form.window.canvas().resize(QSize(geometry.screenWidth, geometry.height));
    form.window.canvas().setClip(geometry.clip);
    // 8-9.
    form.backBuffer = makeCanvas(form.showRect.size());
    form.backBuffer.fill(Qt::black);
    form.window.canvas().fill(QRect(QPoint(0, 0), QSize(geometry.screenWidth, geometry.height)), Qt::black);
    // 10.
    drawLoadingNotice(form);
    // 11. Settings and, with the key still open, the picture list.
    LoadSettingsContext context;
    context.transitionCount = form.transitionCount();
    loadSettings(form.settings, context);
    form.settingsLoaded = true;
    form.currentPicturePath = form.settings.LastImage;
    form.settings.MusicOption = 0;  // no music player on this build yet
    if (!buildPictureList(form, [&form] { return pump(form); })) return;
    // 12.
    if (form.ended) return;
    // 13.
    form.window.canvas().fill(QRect(QPoint(0, 0), QSize(geometry.screenWidth, geometry.height)), Qt::black);
    resetShowCounters(form);
    // 14.
    form.blockSize = blockSizeFor(form.showRect.width());
    form.blockOrder.assign(static_cast<std::size_t>(blockCountFor(form.showRect.width(), form.showRect.height())), 0);
    // 15-16.
    // A screen of 8 bits or less is a palette device (Qt cannot draw on such
    // X visuals, so this is false on every desktop Qt runs on).
    form.paletteDisplay = geometry.screen && geometry.screen->depth() <= 8;
    form.windows95Family = false;
    // 17.
    const Rgb back = form.settings.BackColor;
    form.previousBuffer = makeCanvas(form.showRect.size());
    form.previousBuffer.fill(QColor(back.red, back.green, back.blue));
    // 18.
    if (form.noPictures) {
        form.window.showFullScreen();
        form.window.canvas().fill(QRect(QPoint(0, 0), form.window.canvas().size()), Qt::black);
        return;
    }
    // 19.
    form.monitorCount = monitorCount();
    // 20.
    if (form.settings.Splash) drawSplash(form);
    // 21-23.
    firstPicture(form);
}

}  // namespace

void waitForSplash(Form1& form) {
    if (form.splashSecond < 0) return;
    int d = QTime::currentTime().second() - form.splashSecond;
    if (d < 0) d += 60;
    if (d < 2) QThread::msleep(static_cast<unsigned long>((2 - d) * 1000));
}

void startUp(Form1& form, const std::string& rawText) {
    setShowForm(&form);
    form.window.setTitle("Form1");
    installCloseRules(form);
    installShowHandlers(form);
    installTerminationSignals(form);

    const std::string text = trimBlanks(rawText);
    const RunMode mode = runModeOf(text);
    if (mode == RunMode::PasswordChange) {
        // The password services of the Windows 95 family do not exist here.
        form.passwordChangeParent = windowHandleOf(text);
        form.ended = true;
        endShow(form);
        return;
    }
    if (mode == RunMode::RemoveSettings) {
        removeAllSettings();
        form.ended = true;
        endShow(form);
        return;
    }
    if (!form.singleInstance.acquire()) {
        endShow(form);
        return;
    }
    switch (mode) {
    case RunMode::Preview:
        form.previewFlag = true;
        form.previewParent = windowHandleOf(text);
        // The preview draws nothing yet on this build; it ends like a preview without handle.
        endShow(form);
        return;
    case RunMode::Show:
        startShow(form);
        return;
    case RunMode::SettingsWithOwner:
    case RunMode::SettingsNoOwner:
        // The settings dialog is not part of this build yet: settings mode ends at once.
        form.settingsMode = true;
        form.singleInstance.release();
        endShow(form);
        return;
    default:
        endShow(form);
        return;
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
    p.drawText(QRect(180, 6, 122, 34), Qt::AlignRight | Qt::AlignVCenter | Qt::TextWordWrap, "4.9\nphoto slide show");
    p.end();
    return banner;
}

}  // namespace orvanta
