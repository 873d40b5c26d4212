// The preview's pieces: the placeholder, the last picture loaded and scaled,
// and the frame drawn at a host's size.
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "app/previewwindow.h"
#include "show/pixels/palettemode.h"

using namespace orvanta;

class PreviewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString solidBmp(const QString& name, int w, int h, QRgb colour) {
        WBitmap b;
        if (!b.create(w, h, 24)) return {};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = b.row(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>(qBlue(colour));
                p[1] = static_cast<std::uint8_t>(qGreen(colour));
                p[2] = static_cast<std::uint8_t>(qRed(colour));
            }
        const QString path = dir.path() + "/" + name;
        b.saveBmp(path.toStdString());
        return path;
    }

    static PreviewPicture load(const QString& path, bool palette = false) {
        return loadPreviewPicture(path.toStdString(), QSize(152, 112), palette, [] { return false; });
    }

private slots:
    void placeholderIsAnEightBitPicture() {
        const WBitmap a = previewPlaceholder();
        QCOMPARE(a.width(), 152);
        QCOMPARE(a.height(), 112);
        QCOMPARE(a.bitCount(), 8);
        QSet<int> used;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) used.insert(a.row(y)[x]);
        QVERIFY(used.size() >= 10);  // a picture, not a flat fill
        const WBitmap b = previewPlaceholder();
        QVERIFY(std::equal(a.bits(), a.bits() + a.byteSize(), b.bits()));
        QVERIFY(a.colorTable() == b.colorTable());
    }

    void lastPictureScaledOrThePlaceholder() {
        QVERIFY(dir.isValid());
        const PreviewPicture wide = load(solidBmp("wide.bmp", 800, 600, qRgb(255, 0, 0)));
        QVERIFY(!wide.placeholder);
        QCOMPARE(wide.image.size(), QSize(149, 112));
        QCOMPARE(wide.image.pixel(70, 50), qRgb(255, 0, 0));
        const PreviewPicture small = load(solidBmp("small.bmp", 19, 14, qRgb(0, 0, 255)));
        QCOMPARE(small.image.size(), QSize(152, 112));  // enlarged
        for (const QString& path : {QString(), dir.path() + "/missing.jpg", dir.path()}) {
            const PreviewPicture p = load(path);
            QVERIFY(p.placeholder);
            QCOMPARE(p.image.size(), QSize(152, 112));
        }
    }

    void frameCentresOrStretches() {
        PreviewWindow preview(nullptr, 0);
        QVERIFY(!preview.attached());
        PreviewPicture tall;
        tall.placeholder = false;
        tall.image = QImage(56, 112, QImage::Format_RGB32);
        tall.image.fill(qRgb(0, 255, 0));
        preview.show(tall, false);
        const QImage frame = preview.frame(QSize(152, 112));
        QCOMPARE(frame.pixel(47, 50), qRgb(0, 0, 0));
        QCOMPARE(frame.pixel(48, 50), qRgb(0, 255, 0));
        QCOMPARE(frame.pixel(103, 111), qRgb(0, 255, 0));
        QCOMPARE(frame.pixel(104, 50), qRgb(0, 0, 0));
        // The host grew: the same picture, centred in the new size.
        QCOMPARE(preview.frame(QSize(300, 200)).pixel(150, 100), qRgb(0, 255, 0));
        QCOMPARE(preview.frame(QSize(300, 200)).pixel(121, 100), qRgb(0, 0, 0));
    }

    void paletteDisplayShowsOnlyPaletteColours() {
        PreviewWindow preview(nullptr, 0);
        PreviewPicture placeholder = load(QString(), true);
        QVERIFY(!placeholder.palette.empty());
        preview.show(placeholder, true);
        const QImage frame = preview.frame(QSize(200, 150));  // stretched: new colours would appear
        QSet<QRgb> palette;
        for (const PaletteEntry& e : placeholder.palette) palette.insert(qRgb(e.red, e.green, e.blue));
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) QVERIFY(palette.contains(frame.pixel(x, y) | 0xFF000000u));
    }
};

QTEST_MAIN(PreviewTest)
#include "preview_test.moc"
