#include "app/hackmode.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/displaygeometry.h"
#include "commandline/arguments.h"
#include "framework/WShowWindow.h"

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

}  // namespace orvanta
