// orvanta-samples OUTDIR: writes the demo and test pictures, JPEG, PNG and BMP
// of many shapes and depths, each labelled with its own name and size so that
// a picture on screen says which file it is. One JPEG carries Exif
// orientation 6 with its pixels stored turned a quarter turn anticlockwise:
// it looks upright only when the orientation is honoured.
//
// The output is the same bytes on every run: the scenes come from a fixed
// generator, and no encoder is given a time stamp.
#include "base/WBitmap.h"
#include "show/decoders/jpegwriter.h"
#include "tools/toolusage.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <png.h>
#include <string>
#include <vector>

namespace {

using orvanta::RgbQuad;
using orvanta::WBitmap;

// A small linear congruential generator: the scenes only need to be varied
// and the same on every run.
class SceneRandom {
public:
    explicit SceneRandom(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    double next() {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) / 16777216.0;
    }
    double between(double a, double b) { return a + (b - a) * next(); }

private:
    std::uint32_t state_;
};

QColor hsv(int hue, int saturation, int value, int alpha = 255) {
    return QColor::fromHsv(((hue % 360) + 360) % 360, saturation, value, alpha);
}

// A landscape of the given hue: sky gradient, sun, two mountain ranges, soft
// discs, an arrow marking the top, and the label.
void drawScene(QImage& image, int hue, std::uint32_t seed, const QString& label, bool grey = false) {
    const int w = image.width(), h = image.height();
    const int s = std::min(w, h);
    SceneRandom random(seed);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, w * 0.3, h);
    sky.setColorAt(0, hsv(hue, 170, 250));
    sky.setColorAt(0.6, hsv(hue + 40, 120, 230));
    sky.setColorAt(1, hsv(hue + 80, 200, 120));
    p.fillRect(image.rect(), sky);

    const QPointF sun(w * random.between(0.15, 0.85), h * random.between(0.15, 0.35));
    QRadialGradient glow(sun, s * 0.25);
    glow.setColorAt(0, hsv(hue + 180, 60, 255, 255));
    glow.setColorAt(0.35, hsv(hue + 190, 120, 255, 200));
    glow.setColorAt(1, hsv(hue + 200, 120, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(sun, s * 0.25, s * 0.25);

    for (int layer = 0; layer < 2; ++layer) {
        QPainterPath ridge;
        ridge.moveTo(0, h);
        const int peaks = 5 + layer * 3;
        for (int i = 0; i <= peaks; ++i)
            ridge.lineTo(w * i / double(peaks), h * random.between(0.45 + 0.15 * layer, 0.7 + 0.12 * layer));
        ridge.lineTo(w, h);
        ridge.closeSubpath();
        p.setBrush(hsv(hue + 200 + 30 * layer, 140, 110 - 40 * layer));
        p.drawPath(ridge);
    }

    for (int i = 0; i < 24; ++i) {
        const double r = s * random.between(0.01, 0.05);
        p.setBrush(hsv(hue + int(random.between(0, 120)), 90, 255, 70));
        p.drawEllipse(QPointF(w * random.next(), h * random.next()), r, r);
    }

    // An arrow at the top edge, so that a picture shown turned is plain to see.
    const double a = s * 0.06;
    QPolygonF arrow;
    arrow << QPointF(w / 2.0, a * 0.4) << QPointF(w / 2.0 + a, a * 1.6) << QPointF(w / 2.0 - a, a * 1.6);
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawPolygon(arrow);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(10, std::min(int(s * 0.09), int(w / (label.size() * 0.62)))));
    p.setFont(font);
    const QRectF box(w * 0.05, h * 0.36, w * 0.9, h * 0.28);
    p.setBrush(QColor(0, 0, 0, 130));
    p.drawRoundedRect(box, s * 0.02, s * 0.02);
    p.setPen(grey ? QColor(255, 255, 255) : hsv(hue + 40, 30, 255));
    p.drawText(box, Qt::AlignCenter, label);
}

QString labelFor(const std::string& name, int w, int h) {
    return QString::fromStdString(name) + QStringLiteral("\n%1 × %2").arg(w).arg(h);
}

// ---- JPEG ---------------------------------------------------------------

bool saveJpeg(const std::string& path, const QImage& image, bool greyscale,
              const std::vector<std::uint8_t>* exif = nullptr) {
    const QImage packed = image.convertToFormat(greyscale ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    orvanta::JpegWriteOptions options;
    options.quality = 88;
    options.stride = static_cast<std::size_t>(packed.bytesPerLine());
    options.app1 = exif;
    return orvanta::writeJpegFile(path, packed.constBits(), packed.width(), packed.height(), greyscale ? 1 : 3,
                                  options);
}

// "Exif\0\0", a little-endian TIFF header and one IFD holding Orientation.
std::vector<std::uint8_t> exifOrientation(std::uint16_t orientation) {
    return {'E',
            'x',
            'i',
            'f',
            0,
            0,  //
            'I',
            'I',
            42,
            0,
            8,
            0,
            0,
            0,  // TIFF header, IFD0 at 8
            1,
            0,  // one entry
            0x12,
            0x01,
            3,
            0,
            1,
            0,
            0,
            0,  // Orientation, SHORT, count 1
            static_cast<std::uint8_t>(orientation),
            0,
            0,
            0,  // value
            0,
            0,
            0,
            0};  // no next IFD
}

// ---- PNG ----------------------------------------------------------------

[[noreturn]] void pngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void pngQuiet(png_structp, png_const_charp) {}

// Owns nothing with a destructor, so that libpng's error exit can jump back
// here. rows point at packed rows already in PNG byte order.
bool encodePng(std::FILE* file, png_bytepp rows, int w, int h, int depth, int colourType, const png_color* palette,
               int paletteSize) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngFail, pngQuiet);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), depth, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) png_set_PLTE(png, info, palette, paletteSize);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool closeChecked(std::FILE* file, bool ok) {
    ok = ok && std::fflush(file) == 0 && !std::ferror(file);
    return std::fclose(file) == 0 && ok;
}

enum class PngKind { Rgb, Rgba, Palette, Rgb16 };

bool savePng(const std::string& path, const QImage& image, PngKind kind, const QList<QRgb>& table = {}) {
    QImage packed;
    int depth = 8, colourType = PNG_COLOR_TYPE_RGB;
    std::vector<png_color> palette;
    switch (kind) {
    case PngKind::Rgb: packed = image.convertToFormat(QImage::Format_RGB888); break;
    case PngKind::Rgba:
        packed = image.convertToFormat(QImage::Format_RGBA8888);
        colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        break;
    case PngKind::Palette:
        packed = image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
        colourType = PNG_COLOR_TYPE_PALETTE;
        for (QRgb c : packed.colorTable())
            palette.push_back(
                {static_cast<png_byte>(qRed(c)), static_cast<png_byte>(qGreen(c)), static_cast<png_byte>(qBlue(c))});
        break;
    case PngKind::Rgb16: {
        packed = image.convertToFormat(QImage::Format_RGBX64);
        depth = 16;
        // PNG samples are big-endian; QImage keeps native 16-bit words.
        for (int y = 0; y < packed.height(); ++y) {
            auto* px = reinterpret_cast<std::uint16_t*>(packed.scanLine(y));
            std::vector<std::uint8_t> row(static_cast<std::size_t>(packed.width()) * 6);
            for (int x = 0; x < packed.width(); ++x)
                for (int c = 0; c < 3; ++c) {
                    row[6 * x + 2 * c] = static_cast<std::uint8_t>(px[4 * x + c] >> 8);
                    row[6 * x + 2 * c + 1] = static_cast<std::uint8_t>(px[4 * x + c]);
                }
            std::copy(row.begin(), row.end(), reinterpret_cast<std::uint8_t*>(px));
        }
        break;
    }
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(packed.height()));
    for (int y = 0; y < packed.height(); ++y) rows[y] = packed.scanLine(y);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = encodePng(file, rows.data(), packed.width(), packed.height(), depth, colourType,
                              palette.empty() ? nullptr : palette.data(), static_cast<int>(palette.size()));
    return closeChecked(file, ok);
}

// ---- BMP ----------------------------------------------------------------

bool saveBmp(const std::string& path, const QImage& image, int bits, const QList<QRgb>& table = {}) {
    WBitmap bmp;
    if (!bmp.create(image.width(), image.height(), bits)) return false;
    if (bits == 24) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < rgb.height(); ++y) {
            const std::uint8_t* in = rgb.constScanLine(y);
            std::uint8_t* out = bmp.row(y);
            for (int x = 0; x < rgb.width(); ++x) {
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
            }
        }
    } else {
        const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, table,
                                                     Qt::ThresholdDither | Qt::AvoidDither);
        const auto colours = indexed.colorTable();
        for (int i = 0; i < colours.size() && i < 256; ++i)
            bmp.colorTable()[static_cast<std::size_t>(i)] = RgbQuad{static_cast<std::uint8_t>(qBlue(colours[i])),
                                                                    static_cast<std::uint8_t>(qGreen(colours[i])),
                                                                    static_cast<std::uint8_t>(qRed(colours[i])), 0};
        for (int y = 0; y < indexed.height(); ++y) std::copy_n(indexed.constScanLine(y), indexed.width(), bmp.row(y));
    }
    return bmp.saveBmp(path);
}

// A 6 x 6 x 6 colour cube plus a 40-step grey ramp: a fixed palette, so the
// indexed files do not depend on a palette search.
QList<QRgb> fixedPalette() {
    QList<QRgb> table;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) table.push_back(qRgb(r * 51, g * 51, b * 51));
    for (int i = 0; i < 40; ++i) table.push_back(qRgb(i * 255 / 39, i * 255 / 39, i * 255 / 39));
    return table;
}

enum class Kind { Jpeg, GreyJpeg, ExifJpeg, Png, AlphaPng, PalettePng, DeepPng, Bmp24, Bmp8 };

struct Sample {
    const char* name;
    int width, height;
    int hue;
    Kind kind;
};

constexpr Sample kSamples[] = {
    {"landscape-1600x1200.jpg", 1600, 1200, 200, Kind::Jpeg}, {"landscape-4000x3000.jpg", 4000, 3000, 20, Kind::Jpeg},
    {"portrait-1200x1600.jpg", 1200, 1600, 280, Kind::Jpeg},  {"small-320x240.jpg", 320, 240, 120, Kind::Jpeg},
    {"panorama-4000x1000.jpg", 4000, 1000, 170, Kind::Jpeg},  {"grey-1280x960.jpg", 1280, 960, 30, Kind::GreyJpeg},
    {"exif6-1600x1200.jpg", 1600, 1200, 330, Kind::ExifJpeg}, {"square-1024x1024.png", 1024, 1024, 60, Kind::Png},
    {"palette-800x600.png", 800, 600, 240, Kind::PalettePng}, {"alpha-800x800.png", 800, 800, 300, Kind::AlphaPng},
    {"deep16-1024x768.png", 1024, 768, 150, Kind::DeepPng},   {"truecolour-1024x768.bmp", 1024, 768, 90, Kind::Bmp24},
    {"indexed-640x480.bmp", 640, 480, 0, Kind::Bmp8},
};

bool writeSample(const std::string& dir, const Sample& s, std::uint32_t seed) {
    const std::string path = dir + "/" + s.name;
    // The deep PNG is drawn at 16 bits per channel so that its gradients
    // really use the extra precision.
    const QImage::Format format = s.kind == Kind::AlphaPng  ? QImage::Format_ARGB32_Premultiplied
                                  : s.kind == Kind::DeepPng ? QImage::Format_RGBX64
                                                            : QImage::Format_RGB32;
    QImage image(s.width, s.height, format);
    if (image.isNull()) return false;
    switch (s.kind) {
    case Kind::ExifJpeg: {
        drawScene(image, s.hue, seed, QStringLiteral("Exif 6: upright?\n%1 × %2").arg(s.width).arg(s.height));
        // Orientation 6 asks the viewer to turn the stored pixels a quarter
        // turn clockwise, so they are stored turned anticlockwise.
        const QImage stored = image.transformed(QTransform().rotate(-90));
        const auto exif = exifOrientation(6);
        return saveJpeg(path, stored, false, &exif);
    }
    case Kind::AlphaPng: {
        image.fill(Qt::transparent);
        QImage scene(s.width, s.height, QImage::Format_RGB32);
        drawScene(scene, s.hue, seed, labelFor(s.name, s.width, s.height));
        // The scene inside a soft-edged disc on a transparent ground.
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(scene);
        p.drawEllipse(image.rect().adjusted(8, 8, -8, -8));
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QRadialGradient fade(image.rect().center(), s.width / 2.0);
        fade.setColorAt(0.8, QColor(0, 0, 0, 255));
        fade.setColorAt(1.0, QColor(0, 0, 0, 0));
        p.fillRect(image.rect(), fade);
        p.end();
        return savePng(path, image, PngKind::Rgba);
    }
    default: break;
    }
    const bool grey = s.kind == Kind::GreyJpeg;
    drawScene(image, s.hue, seed, labelFor(s.name, s.width, s.height), grey);
    switch (s.kind) {
    case Kind::Jpeg: return saveJpeg(path, image, false);
    case Kind::GreyJpeg: return saveJpeg(path, image, true);
    case Kind::Png: return savePng(path, image, PngKind::Rgb);
    case Kind::PalettePng: return savePng(path, image, PngKind::Palette, fixedPalette());
    case Kind::DeepPng: return savePng(path, image, PngKind::Rgb16);
    case Kind::Bmp24: return saveBmp(path, image, 24);
    case Kind::Bmp8: return saveBmp(path, image, 8, fixedPalette());
    default: return false;
    }
}

constexpr const char* kUsage =
    "usage: orvanta-samples OUTDIR\n"
    "Writes the demo and test pictures (JPEG, PNG and BMP of many shapes and depths,\n"
    "each labelled with its name and size) into OUTDIR, made when missing; the same\n"
    "bytes on every run. Needs no display.\n";

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = orvanta::tools::screenOptions(argc, argv, "orvanta-samples", kUsage)) return *status;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    // Text needs a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    const std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "orvanta-samples: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    int failures = 0;
    std::uint32_t seed = 1;
    for (const Sample& s : kSamples) {
        if (!writeSample(dir, s, seed++)) {
            std::fprintf(stderr, "orvanta-samples: cannot write %s/%s\n", dir.c_str(), s.name);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
