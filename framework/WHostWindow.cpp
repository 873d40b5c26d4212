#include "framework/WHostWindow.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdlib>

#include "framework/x11platform.h"

namespace orvanta {

struct WHostWindow::Impl : QAbstractNativeEventFilter {
    WHostWindow& owner;
    xcb_connection_t* connection = nullptr;
    xcb_window_t id = 0;
    xcb_window_t root = 0;  // the root window of the host's screen
    QSize size;
    bool valid = false;
    bool destroyed = false;
    std::unique_ptr<QWindow> host;  // Qt's handle on the foreign window
    QPointer<QWindow> child;
    xcb_window_t childId = 0;
    QObject context;  // queued notices die with this object

    Impl(WHostWindow& o, unsigned long windowId) : owner(o), id(static_cast<xcb_window_t>(windowId)) {
        connection = x11::qtConnection();
        if (!connection || id == 0 || windowId > 0xFFFFFFFFul) return;
        // Watch first, then read the size: a resize or destruction in
        // between is then still reported. Checked requests keep a bad id's
        // errors away from Qt's error log.
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_generic_error_t* error = xcb_request_check(connection,
                                                       xcb_change_window_attributes_checked(connection, id,
                                                                                            XCB_CW_EVENT_MASK, &mask));
        if (error) {
            std::free(error);
            return;
        }
        xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id),
                                                                    &error);
        if (!geometry) {
            std::free(error);
            return;
        }
        size = QSize(geometry->width, geometry->height);
        root = geometry->root;
        std::free(geometry);
        valid = true;
        qGuiApp->installNativeEventFilter(this);
    }

    ~Impl() override {
        if (valid) qGuiApp->removeNativeEventFilter(this);
    }

    void cover() {
        if (!child) return;
        const qreal ratio = child->devicePixelRatio() > 0 ? child->devicePixelRatio() : 1.0;
        child->setGeometry(QRect(0, 0, qRound(size.width() / ratio), qRound(size.height() / ratio)));
    }

    // Notices run from the event loop, so a handler may delete the host object.
    void post(std::function<void()> notice) { QTimer::singleShot(0, &context, std::move(notice)); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        switch (event->response_type & ~0x80) {
        case 0: {
            // Once the host is gone, so is our child inside it: Qt's later
            // requests on either fail, and that is expected.
            auto* error = reinterpret_cast<xcb_generic_error_t*>(event);
            return destroyed && (error->resource_id == id || (childId != 0 && error->resource_id == childId));
        }
        case XCB_CONFIGURE_NOTIFY: {
            auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            if (configure->window != id || destroyed) return false;
            const QSize now(configure->width, configure->height);
            if (now == size) return false;
            size = now;
            post([this] {
                cover();
                owner.ResizeEvent.raise(size);
            });
            return false;
        }
        case XCB_DESTROY_NOTIFY: {
            auto* destroy = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            if (destroy->window != id || destroyed) return false;
            destroyed = true;
            post([this] { owner.DestroyEvent.raise(); });
            return false;
        }
        default: return false;
        }
    }
};

WHostWindow::WHostWindow(unsigned long id) : impl_(std::make_unique<Impl>(*this, id)) {}

WHostWindow::~WHostWindow() {
    if (impl_->child) {
        // The foreign QWindow deletes its QObject children: give the child back first.
        impl_->child->destroy();
        impl_->child->setParent(nullptr);
    }
}

bool WHostWindow::isValid() const { return impl_->valid; }
unsigned long WHostWindow::id() const { return impl_->id; }
QSize WHostWindow::size() const { return impl_->size; }
bool WHostWindow::destroyed() const { return impl_->destroyed; }

QRect WHostWindow::rootGeometry() const {
    if (!impl_->valid || impl_->destroyed) return {};
    xcb_connection_t* connection = impl_->connection;
    xcb_generic_error_t* error = nullptr;
    xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, impl_->id, impl_->root, 0, 0), &error);
    if (!origin) {
        std::free(error);
        return {};
    }
    const QRect rect(origin->dst_x, origin->dst_y, impl_->size.width(), impl_->size.height());
    std::free(origin);
    return rect;
}

void WHostWindow::embed(QWindow* child) {
    if (!impl_->valid || impl_->destroyed || !child) return;
    if (!impl_->host) impl_->host.reset(QWindow::fromWinId(impl_->id));
    impl_->child = child;
    child->setParent(impl_->host.get());
    impl_->cover();
    child->show();
    impl_->childId = static_cast<xcb_window_t>(child->winId());
}

}  // namespace orvanta
