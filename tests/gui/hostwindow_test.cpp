// Embedding into a window of another X client: the host's size, a child
// covering it through resizes, and the host's destruction, all seen through
// the X server; ids that name no window are refused.
#include <QSignalSpy>
#include <QTest>
#include <X11/Xlib.h>

#include "framework/WHostWindow.h"
#include "framework/WShowWindow.h"

using namespace orvanta;

class HostWindowTest : public QObject {
    Q_OBJECT

    Display* other = nullptr;  // the host's own connection: another client

    Window makeHost(int w, int h) {
        const Window window = XCreateSimpleWindow(other, DefaultRootWindow(other), 10, 10, static_cast<unsigned>(w),
                                                  static_cast<unsigned>(h), 0, 0, 0x808080);
        XMapWindow(other, window);
        XSync(other, False);
        return window;
    }

    // The child's geometry relative to its parent, and the parent, as the server sees them.
    QRect serverGeometry(Window child, Window* parent) {
        Window root = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(other, child, &root, parent, &children, &count);
        if (children) XFree(children);
        int x = 0, y = 0;
        unsigned w = 0, h = 0, border = 0, depth = 0;
        XGetGeometry(other, child, &root, &x, &y, &w, &h, &border, &depth);
        return QRect(x, y, static_cast<int>(w), static_cast<int>(h));
    }

private slots:
    void initTestCase() {
        other = XOpenDisplay(nullptr);
        QVERIFY(other);
    }
    void cleanupTestCase() { XCloseDisplay(other); }

    void childCoversTheHostAndFollowsIt() {
        const Window id = makeHost(200, 150);
        WHostWindow host(id);
        QVERIFY(host.isValid());
        QCOMPARE(host.size(), QSize(200, 150));
        QList<QSize> resizes;
        int destroyed = 0;
        host.ResizeEvent.connect([&](QSize s) {
            resizes.append(s);
            return false;
        });
        host.DestroyEvent.connect([&] {
            ++destroyed;
            return false;
        });
        WShowWindow child;
        host.embed(&child);
        const auto childId = static_cast<Window>(child.winId());
        Window parent = 0;
        QTRY_COMPARE(serverGeometry(childId, &parent), QRect(0, 0, 200, 150));
        QCOMPARE(parent, id);

        XResizeWindow(other, id, 320, 240);
        XSync(other, False);
        QTRY_COMPARE(resizes, QList<QSize>{QSize(320, 240)});
        QCOMPARE(host.size(), QSize(320, 240));
        QTRY_COMPARE(serverGeometry(childId, &parent), QRect(0, 0, 320, 240));
        XMoveWindow(other, id, 40, 40);  // a move alone is no resize
        XSync(other, False);
        QTest::qWait(100);
        QCOMPARE(resizes.size(), 1);
        // Where it is on the screen, asked of the server (no window manager moves it here).
        QCOMPARE(host.rootGeometry(), QRect(40, 40, 320, 240));

        // Destroyed by its owner: seen through the server, reported once.
        XDestroyWindow(other, id);
        XSync(other, False);
        QTRY_COMPARE(destroyed, 1);
        QVERIFY(host.destroyed());
        QVERIFY(host.rootGeometry().isEmpty());
        QTest::qWait(100);
        QCOMPARE(destroyed, 1);
    }

    void theHostMayGoFirst() {
        // The host object deleted while the child lives: the child is taken out of it.
        const Window id = makeHost(50, 40);
        WShowWindow child;
        {
            WHostWindow host(id);
            host.embed(&child);
            QTRY_VERIFY(child.isExposed());
        }
        QVERIFY(child.parent() == nullptr);
        XDestroyWindow(other, id);
        XSync(other, False);
    }

    void idsThatNameNoWindowAreRefused() {
        QVERIFY(!WHostWindow(0).isValid());
        QVERIFY(!WHostWindow(0x7ffffff0ul).isValid());
        QVERIFY(!WHostWindow(0x1ffffffffull).isValid());
        const Window id = makeHost(10, 10);
        XDestroyWindow(other, id);
        XSync(other, False);
        QVERIFY(!WHostWindow(id).isValid());
        // The root window is a host too (a daemon may hand it over).
        WHostWindow root(DefaultRootWindow(other));
        QVERIFY(root.isValid());
        QCOMPARE(root.size(),
                 QSize(DisplayWidth(other, DefaultScreen(other)), DisplayHeight(other, DefaultScreen(other))));
        QCOMPARE(root.rootGeometry(), QRect(QPoint(0, 0), root.size()));
    }
};

QTEST_MAIN(HostWindowTest)
#include "hostwindow_test.moc"
