#include "app/hackmode.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/displaygeometry.h"
#include "app/exitrules.h"
#include "app/form1.h"
#include "app/startup.h"
#include "commandline/arguments.h"

namespace orvanta {

std::optional<unsigned long> requestedHackWindow(const std::string& argumentText) {
    return hackWindowOf(argumentText, std::getenv("XSCREENSAVER_WINDOW"));
}

HackWindow::HackWindow(unsigned long id) : host_(id) {}

bool HackWindow::coversPrimaryMonitor() const {
    const QRect window = host_.rootGeometry();
    for (const MonitorInfo& monitor : monitors())
        if (monitor.primary) return !window.isEmpty() && window.contains(monitor.rect);
    return false;
}

void HackWindow::embed(WShowWindow& window, std::function<void(QSize)> resized, std::function<void()> destroyed) {
    window.setFlags(Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
    host_.ResizeEvent.connect([resized = std::move(resized)](QSize size) {
        resized(size);
        return true;
    });
    host_.DestroyEvent.connect([destroyed = std::move(destroyed)] {
        destroyed();
        return true;
    });
    host_.embed(&window);
}

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

}  // namespace orvanta
