// The window framework under a real X server: timer, message filters, named
// events, the screen canvas and the single-instance guard.
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

#include "framework/qteventpump.h"
#include "base/singleinstance.h"
#include "framework/WMessageFilter.h"
#include "framework/WShowWindow.h"
#include "framework/WTimer.h"
#include "framework/screentransitiontarget.h"
#include "show/transitions/transitionplayer.h"

using namespace orvanta;

namespace {

// The colour the X server has at (x, y) of the window, read back from it.
QColor onScreen(QWindow& window, int x, int y) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return {};
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_drawable_t>(window.winId()), x, y, 1, 1, ~0u),
        nullptr);
    if (!reply) return {};
    const uint8_t* p = xcb_get_image_data(reply);
    const QColor colour(p[2], p[1], p[0]);
    std::free(reply);
    return colour;
}

// Shows a w x h show window and sizes its canvas; false when it is not exposed.
bool showCanvas(WShowWindow& window, int w, int h) {
    window.resize(w, h);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    window.canvas().resize(QSize(w, h));
    return true;
}

}  // namespace

class FrameworkTest : public QObject {
    Q_OBJECT

private slots:
    void timerFireNowCountsDownAndStops() {
        WTimer timer;
        int ticks = 0;
        timer.TimerEvent.connect([&] { return ++ticks, true; });
        timer.start(10000, 2);
        timer.fireNow();
        QCOMPARE(ticks, 1);
        QVERIFY(timer.isActive());
        timer.fireNow();
        QCOMPARE(ticks, 2);
        QVERIFY(!timer.isActive());  // the count reached 0
        timer.start(5, 0);           // 0: repeat until stopped
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 2000);
        QVERIFY(timer.isActive());
        timer.stop();
        const int stopped = ticks;
        QTest::qWait(50);
        QCOMPARE(ticks, stopped);
        timer.fireNow();  // fire-now works on a stopped timer too
        QCOMPARE(ticks, stopped + 1);
    }

    void eventHandlersStopAtTheFirstThatHandles() {
        WEvent<int> event;
        QList<int> calls;
        event.connect([&](int v) { return calls << 1, v > 5; });
        const int second = event.connect([&](int) { return calls << 2, true; });
        event.connect([&](int) { return calls << 3, true; });
        QVERIFY(event.raise(1));
        QCOMPARE(calls, (QList<int>{1, 2}));
        calls.clear();
        event.disconnect(second);
        QVERIFY(event.raise(9));
        QCOMPARE(calls, (QList<int>{1}));
    }

    void messageFiltersRunByPriorityAndDiscardHandledEvents() {
        WShowWindow window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QList<QString> order;
        int keysSeen = 0;
        window.KeyDownEvent.connect([&](int, bool) { return ++keysSeen, true; });
        const int late = installMessageFilter(80, [&](QObject* target, QEvent* e) {
            if (target == &window && e->type() == QEvent::KeyPress) order << "80";
            return false;
        });
        const int early = installMessageFilter(10, [&](QObject* target, QEvent* e) {
            if (target != &window || e->type() != QEvent::KeyPress) return false;
            order << "10";
            return static_cast<QKeyEvent*>(e)->key() == Qt::Key_P;  // P is handled here
        });
        QTest::keyClick(&window, Qt::Key_X);
        QTest::keyClick(&window, Qt::Key_P);
        removeMessageFilter(early);
        removeMessageFilter(late);
        QCOMPARE(order, (QList<QString>{"10", "80", "10"}));
        QCOMPARE(keysSeen, 1);  // only X reached the window
    }

    void systemKeysAreConsumed() {
        WShowWindow window;
        window.resize(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int keys = 0, systemKeys = 0, closes = 0;
        window.KeyDownEvent.connect([&](int, bool) { return ++keys, true; });
        window.SystemKeyDownEvent.connect([&](int) { return ++systemKeys, true; });
        window.CloseEvent.connect([&] { return ++closes, true; });  // refuse
        QTest::keyClick(&window, Qt::Key_F4, Qt::AltModifier);
        QTest::keyClick(&window, Qt::Key_F10);
        QVERIFY(systemKeys >= 2);  // Alt itself may arrive as a press of its own
        QCOMPARE(keys, 0);
        QVERIFY(!window.close());
        QCOMPARE(closes, 1);
        QVERIFY(!window.destroyed());
    }

    void userEventsArePostedThroughTheQueue() {
        WShowWindow window;
        QList<int> codes;
        window.UserEvent.connect([&](int code) { return codes << code, true; });
        window.postUserEvent(7);
        window.postUserEvent(-3);
        QVERIFY(codes.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(codes, (QList<int>{7, -3}));
    }

    void screenCanvasDrawsAndClips() {
        WShowWindow window;
        QVERIFY(showCanvas(window, 64, 48));
        WScreenCanvas& canvas = window.canvas();
        canvas.fill(QRect(0, 0, 64, 48), Qt::black);
        QImage back(64, 48, QImage::Format_RGB32);
        back.fill(QColor(10, 200, 30));
        canvas.setClip(QRect(3, 0, 58, 48));
        canvas.copyFrom(back, QRect(0, 0, 64, 1));
        canvas.copyFrom(back, QRect(10, 10, 5, 5));
        const QImage shot = canvas.grab().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.pixelColor(2, 0), QColor(Qt::black));  // clipped
        QCOMPARE(shot.pixelColor(3, 0), QColor(10, 200, 30));
        QCOMPARE(shot.pixelColor(61, 0), QColor(Qt::black));
        QCOMPARE(shot.pixelColor(12, 12), QColor(10, 200, 30));
        QCOMPARE(shot.pixelColor(12, 16), QColor(Qt::black));
    }

    // Sequences of whole frames, odd and even in number, through the two
    // stores: the screen and the window's store end on the last frame, and
    // what is drawn after it lands on top of it.
    void framesEndOnTheLastOneWhateverTheirCount() {
        WShowWindow window;
        QVERIFY(showCanvas(window, 64, 48));
        WScreenCanvas& canvas = window.canvas();
        const QRect all(0, 0, 64, 48);
        for (int frames : {1, 2, 3, 6}) {
            canvas.fill(all, Qt::black);
            QColor last;
            for (int k = 0; k < frames; ++k) {
                last = QColor(10 * frames + k, 100 + k, 200 - k);
                QVERIFY(canvas.drawFrame(all, [&](QImage& screen) {
                    QCOMPARE(screen.size(), all.size());
                    screen.fill(last);
                }));
            }
            QImage corner(64, 48, QImage::Format_RGB32);
            corner.fill(QColor(1, 2, 3));
            canvas.copyFrom(corner, QRect(0, 0, 4, 4));  // ends the sequence
            canvas.waitUntilShown();
            const QImage shot = canvas.grab().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(shot.pixelColor(2, 2), QColor(1, 2, 3));
            QCOMPARE(shot.pixelColor(40, 30), last);
            QCOMPARE(onScreen(window, 2, 2), QColor(1, 2, 3));
            QCOMPARE(onScreen(window, 40, 30), last);
            canvas.flushAll();  // a repaint shows the same
            canvas.waitUntilShown();
            QCOMPARE(onScreen(window, 40, 30), last);
        }
        canvas.setClip(QRect(3, 0, 58, 48));
        QVERIFY(!canvas.drawFrame(all, [](QImage&) { QFAIL("drawn outside the clip"); }));
    }

    // Pieces sent in batches still all reach the screen, clipped, in order
    // with frames and other drawing.
    void piecesReachTheScreenWhenSent() {
        WShowWindow window;
        QVERIFY(showCanvas(window, 64, 48));
        WScreenCanvas& canvas = window.canvas();
        canvas.fill(QRect(0, 0, 64, 48), Qt::black);
        canvas.setClip(QRect(3, 0, 58, 48));
        QImage back(64, 48, QImage::Format_RGB32);
        back.fill(QColor(10, 200, 30));
        for (int x = 0; x < 64; x += 2) canvas.copyPiece(back, QRect(x, 0, 1, 48));  // every second column
        canvas.copyPiece(back, QRect(0, 20, 64, 1));                                 // and a row across them
        canvas.sendPieces();
        canvas.waitUntilShown();
        QCOMPARE(onScreen(window, 4, 5), QColor(10, 200, 30));
        QCOMPARE(onScreen(window, 5, 5), QColor(Qt::black));
        QCOMPARE(onScreen(window, 5, 20), QColor(10, 200, 30));
        QCOMPARE(onScreen(window, 2, 5), QColor(Qt::black));    // clipped
        QCOMPARE(onScreen(window, 62, 20), QColor(Qt::black));  // clipped
        // Pieces not yet sent come before a frame drawn after them.
        canvas.copyPiece(back, QRect(7, 0, 1, 48));
        QVERIFY(canvas.drawFrame(QRect(30, 0, 30, 48), [](QImage& screen) { screen.fill(QColor(90, 90, 90)); }));
        canvas.finishFrames();
        canvas.waitUntilShown();
        QCOMPARE(onScreen(window, 7, 5), QColor(10, 200, 30));
        QCOMPARE(onScreen(window, 31, 5), QColor(90, 90, 90));
        QCOMPARE(canvas.grab().pixelColor(7, 5), QColor(10, 200, 30));
    }

    // The show window's transition target draws the transition to its end,
    // and with ORVANTA_TIMING_LOG set appends one line per transition.
    void transitionsOnTheWindowEndOnThePictureAndAreLogged() {
        QTemporaryDir dir;
        const QString log = dir.filePath("timing.log");
        qputenv("ORVANTA_TIMING_LOG", log.toUtf8());
        WShowWindow window;
        QVERIFY(showCanvas(window, 96, 64));
        WScreenCanvas& canvas = window.canvas();
        QImage back(96, 64, QImage::Format_RGB32), previous(96, 64, QImage::Format_RGB32);
        back.fill(QColor(200, 20, 40));
        previous.fill(QColor(0, 0, 90));
        std::vector<int> blocks(static_cast<std::size_t>(96 * 64 / (8 * 8)));
        int exits = 0;
        QtEventPump pump;
        ScreenTransitionTarget::Hooks hooks{&pump, [&] { return ++exits > 1000000; }, [] { return false; }};
        for (int effect : {1, 27, 33, 35}) {
            canvas.copyFrom(previous, QRect(0, 0, 96, 64));
            ScreenTransitionTarget target(canvas, back, previous, QRect(0, 0, 96, 64), hooks);
            Mt19937 mt;
            mt.seed(1);
            CRandom cr(1);
            TransitionRandom random{mt, cr};
            const TransitionGeometry g{96, 64, 8, 0, blocks};
            QVERIFY(playTransition(effect, g, random, target));
            canvas.waitUntilShown();
            if (effect != 33) {
                QCOMPARE(onScreen(window, 50, 30), QColor(200, 20, 40));
                QCOMPARE(canvas.grab().pixelColor(95, 63), QColor(200, 20, 40));
            }
            QCOMPARE(target.timing().effect, effect);
        }
        qunsetenv("ORVANTA_TIMING_LOG");
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("effect 1 finished: 96 steps"));
        QVERIFY(lines[2].startsWith("effect 33 finished: 400 steps"));
        QVERIFY(lines[3].contains("waiting for the X server"));
    }

    void singleInstanceIsHeldUntilReleased() {
        qputenv("XDG_RUNTIME_DIR", QByteArray("/tmp"));
        SingleInstance first;
        QVERIFY(first.acquire());
        // A second descriptor in the same process conflicts like another process would.
        SingleInstance second;
        QVERIFY(!second.acquire());
        QVERIFY(SingleInstance::heldElsewhere());
        first.release();
        QVERIFY(!SingleInstance::heldElsewhere());
        QVERIFY(second.acquire());
    }
};

QTEST_MAIN(FrameworkTest)
#include "framework_test.moc"
