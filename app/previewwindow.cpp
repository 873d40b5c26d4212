#include "app/previewwindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cstdio>
#include <unordered_map>

#include "app/showroutine.h"
#include "base/WRegistryKey.h"
#include "base/eventpump.h"
#include "commandline/arguments.h"
#include "settings/settingstable.h"
#include "show/decoders/picturefile.h"
#include "show/pixels/palettemode.h"
#include "show/pixels/previewfit.h"
#include "show/pixels/resample.h"

namespace orvanta {

namespace {

constexpr int kPlaceholderWidth = 152;
constexpr int kPlaceholderHeight = 112;

// The last picture a show displayed, or "" when the settings key or the
// value is missing. Nothing is created.
std::string lastImagePath() {
    WRegistryKey key;
    if (!key.open(RegistryRoot::CurrentUser, kSettingsKeyPath)) return {};
    return key.readString("LastImage");
}

// The placeholder's scene: a framed landscape photograph on a slate desk,
// drawn without anti-aliasing so that it keeps a few flat colours.
QImage placeholderScene() {
    QImage scene(kPlaceholderWidth, kPlaceholderHeight, QImage::Format_RGB32);
    scene.fill(QColor(34, 40, 54));
    QPainter p(&scene);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    const QRect photo(22, 14, 108, 78);
    p.fillRect(photo.translated(3, 3), QColor(18, 21, 30));  // shadow
    p.fillRect(photo, QColor(246, 244, 236));                // paper border
    const QRect view = photo.adjusted(5, 5, -5, -5);
    p.setClipRect(view);
    // Sky in bands, lighter towards the horizon.
    for (int band = 0; band < 8; ++band) {
        const int y = view.top() + band * 5;
        p.fillRect(QRect(view.left(), y, view.width(), 5), QColor(62 + band * 15, 118 + band * 11, 186 + band * 6));
    }
    p.setBrush(QColor(252, 214, 96));
    p.drawEllipse(QPoint(view.left() + 74, view.top() + 14), 8, 8);
    p.setBrush(QColor(86, 94, 118));
    p.drawPolygon(QPolygon({QPoint(view.left() - 2, view.top() + 46), QPoint(view.left() + 26, view.top() + 18),
                            QPoint(view.left() + 44, view.top() + 34), QPoint(view.left() + 62, view.top() + 14),
                            QPoint(view.right() + 2, view.top() + 46)}));
    p.setBrush(QColor(236, 240, 246));  // snow on the peaks
    p.drawPolygon(QPolygon({QPoint(view.left() + 20, view.top() + 24), QPoint(view.left() + 26, view.top() + 18),
                            QPoint(view.left() + 32, view.top() + 24)}));
    p.drawPolygon(QPolygon({QPoint(view.left() + 55, view.top() + 21), QPoint(view.left() + 62, view.top() + 14),
                            QPoint(view.left() + 69, view.top() + 21)}));
    p.setBrush(QColor(66, 128, 74));
    p.drawEllipse(QRect(view.left() - 20, view.top() + 38, 70, 24));
    p.setBrush(QColor(48, 108, 62));
    p.drawEllipse(QRect(view.left() + 40, view.top() + 40, 80, 22));
    p.fillRect(QRect(view.left(), view.top() + 52, view.width(), view.height() - 52), QColor(52, 104, 150));
    p.fillRect(QRect(view.left() + 62, view.top() + 56, 24, 2), QColor(230, 206, 120));  // the sun on the water
    p.setClipping(false);
    // Slide markers under the photograph, the first one lit.
    for (int i = 0; i < 3; ++i) {
        p.setBrush(i == 0 ? QColor(246, 244, 236) : QColor(96, 104, 124));
        p.drawRect(QRect(64 + i * 9, 101, 5, 5));
    }
    p.end();
    return scene;
}

}  // namespace

WBitmap previewPlaceholder() {
    const QImage scene = placeholderScene();
    WBitmap bitmap;
    if (!bitmap.create(scene.width(), scene.height(), 8)) return bitmap;
    std::unordered_map<QRgb, std::uint8_t> indexOf;
    for (int y = 0; y < scene.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(scene.constScanLine(y));
        for (int x = 0; x < scene.width(); ++x) {
            const QRgb c = in[x] & 0xFFFFFFu;
            auto it = indexOf.find(c);
            if (it == indexOf.end()) {
                // The scene has a few dozen colours; a 257th would reuse the last entry.
                const auto index = static_cast<std::uint8_t>(std::min<std::size_t>(indexOf.size(), 255));
                bitmap.colorTable()[index] = RgbQuad{static_cast<std::uint8_t>(qBlue(c)),
                                                     static_cast<std::uint8_t>(qGreen(c)),
                                                     static_cast<std::uint8_t>(qRed(c)), 0};
                it = indexOf.emplace(c, index).first;
            }
            bitmap.row(y)[x] = it->second;
        }
    }
    return bitmap;
}

PreviewPicture loadPreviewPicture(const std::string& lastImage, QSize preview, bool paletteDisplay,
                                  const std::function<bool()>& pump) {
    PreviewPicture result;
    if (!lastImage.empty() && !preview.isEmpty()) {
        LoadContext context;
        context.decode.screenWidth = preview.width();
        context.decode.screenHeight = preview.height();
        context.paletteDisplay = paletteDisplay;
        context.decode.pumpEvents = pump;
        // The preview only ever shrinks a large picture to fit.
        ShowFitting shrink;
        shrink.shrinkOnly = true;
        context.decode.fitting = shrink;
        CQuantizer quantizer{236, 8};
        context.quantizer = &quantizer;
        LoadedPicture loaded;
        if (loadPictureFile(lastImage, context, loaded) == LoadResult::Loaded) {
            result.decoded = loaded.bitmap.toImage32();
            result.decodedFor = preview;
            result.reducedOnDecode = loaded.reducedOnDecode;
            result.placeholder = false;
            refitPreviewPicture(result, preview);
            if (!result.image.isNull()) {
                if (paletteDisplay) result.palette = selectPalette(loaded.displayPalette, loaded.bitmap);
                return result;
            }
            result = PreviewPicture();
        }
    }
    const WBitmap placeholder = previewPlaceholder();
    result.image = placeholder.toImage32();
    result.palette = selectPalette({}, placeholder);
    return result;
}

void refitPreviewPicture(PreviewPicture& picture, QSize preview) {
    if (picture.placeholder || picture.decoded.isNull() || preview.isEmpty()) return;
    QImage scaled(previewPictureSize(picture.decoded.size(), preview), QImage::Format_RGB32);
    if (scaled.isNull()) return;  // no memory for it: the picture stays as it was
    stretchBox(picture.decoded, picture.decoded.rect(), scaled, scaled.rect());
    picture.image = scaled;
    picture.fittedFor = preview;
}

bool previewNeedsNewDecode(const PreviewPicture& picture, QSize preview) {
    return !picture.placeholder && picture.reducedOnDecode &&
           (preview.width() > picture.decodedFor.width() || preview.height() > picture.decodedFor.height());
}

PreviewWindow::PreviewWindow(QObject* owner, unsigned long host) : QObject(owner), host_(host) {
    window_.setTitle("PreviewWindow");
    // A child that never takes the focus or the input of its host.
    window_.setFlags(Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
    host_.DestroyEvent.connect([this] {
        window_.PaintEvent.disconnectAll();
        return false;  // whoever made the preview decides what follows
    });
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::show(PreviewPicture picture, bool paletteDisplay, std::function<PreviewPicture(QSize)> redecode) {
    picture_ = std::move(picture);
    paletteDisplay_ = paletteDisplay;
    redecode_ = std::move(redecode);
    window_.PaintEvent.connect([this] {
        paint();
        return true;
    });
    host_.ResizeEvent.connect([this](QSize size) {
        followHostSize(size);
        return false;
    });
    host_.embed(&window_);
}

void PreviewWindow::followHostSize(QSize size) {
    if (size.isEmpty() || picture_.placeholder) return;
    if (redecoding_) return;  // the decode under way looks at the host's size again when it is done
    // A picture the decoder reduced for a smaller preview is decoded again,
    // so that a grown preview shows it sharp; a failed decode (the file has
    // gone since) keeps the pixels there are. Events run during the decode;
    // the host may change size meanwhile, and the loop follows it.
    while (redecode_ && previewNeedsNewDecode(picture_, size) && !host_.destroyed()) {
        redecoding_ = true;
        PreviewPicture again = redecode_(size);
        redecoding_ = false;
        if (host_.destroyed()) return;
        if (again.placeholder) break;
        picture_ = std::move(again);
        if (host_.size() == size) break;
        size = host_.size();
    }
    if (picture_.fittedFor != size) refitPreviewPicture(picture_, size);
    paint();
}

QImage PreviewWindow::frame(QSize size) const {
    QImage frame(size, QImage::Format_RGB32);
    if (frame.isNull()) return frame;
    frame.fill(Qt::black);
    const QImage& picture = picture_.image;
    if (picture.isNull()) return frame;
    if (picture_.placeholder) {
        stretchBox(picture, picture.rect(), frame, frame.rect());
    } else {
        const QRect target = previewDestination(picture.size(), size);
        if (target.size() == picture.size()) {
            QPainter p(&frame);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(target.topLeft(), picture);
        } else {
            stretchBox(picture, picture.rect(), frame, target);
        }
    }
    if (paletteDisplay_) realizePalette(frame, picture_.palette);
    return frame;
}

void PreviewWindow::paint() {
    const QSize size = window_.canvas().size();
    if (size.isEmpty()) return;
    // The picture is fitted to the size the window has now.
    if (!picture_.placeholder && picture_.fittedFor != size) refitPreviewPicture(picture_, size);
    // The preview covers the whole host, whatever size it has now.
    window_.canvas().setClip(QRect(QPoint(0, 0), size));
    window_.canvas().copyFrom(frame(size), QRect(QPoint(0, 0), size));
}

bool startPreview(const PreviewPorts& ports, long long parent) {
    auto* preview = parent > 0 ? new PreviewWindow(&ports.window, static_cast<unsigned long>(parent)) : nullptr;
    if (!preview || !preview->attached()) {
        delete preview;
        std::fprintf(stderr, "orvanta: %lld is not a window; no preview\n", parent);
        return false;
    }
    const QSize size = preview->host().size();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const bool paletteDisplay = screen && screen->depth() <= 8;
    ports.show.setScreen(QRect(QPoint(0, 0), size), paletteDisplay);
    WHostWindow& host = preview->host();
    // The process lives as long as the host: its end closes the (invisible)
    // show form through the normal teardown, which quits with exit code 0.
    // The close is posted, so a host destroyed before the event loop runs
    // (during the load below) still ends it.
    host.DestroyEvent.connect([state = &ports.state, window = &ports.window] {
        state->end();
        QCoreApplication::postEvent(window, new WCloseRequestEvent(0));
        return true;
    });
    const std::string lastImage = lastImagePath();
    // Also used by later decodes, after this function has returned.
    const auto pump = [events = &ports.pump, host = &host] { return events->pump() || host->destroyed(); };
    PreviewPicture picture = loadPreviewPicture(lastImage, size, paletteDisplay, pump);
    preview->show(std::move(picture), paletteDisplay, [lastImage, paletteDisplay, pump](QSize newSize) {
        return loadPreviewPicture(lastImage, newSize, paletteDisplay, pump);
    });
    return true;
}

}  // namespace orvanta
