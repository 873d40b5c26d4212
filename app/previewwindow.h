#pragma once
// Preview mode: the last picture a show displayed, still, inside a window of
// another program (a settings program's preview area). No timer, no music,
// no input. The process lives as long as that window: when its owner
// destroys it, the application quits with exit code 0.
#include <QImage>
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "base/WBitmap.h"
#include "framework/WHostWindow.h"
#include "framework/WShowWindow.h"
#include "show/pixels/displaypalette.h"

namespace orvanta {

class EventPump;
class RunState;
class SlideShow;

// The placeholder shown when there is no last picture to show: 152 x 112
// pixels, 8 bits per pixel with its own colour table.
WBitmap previewPlaceholder();

// What the preview shows: the last picture scaled to fit the preview
// (single-precision scale, truncated), or the placeholder. The decoded
// picture is kept, so that a preview whose size changes fits it again.
struct PreviewPicture {
    QImage image;  // 32-bit, fitted to fittedFor
    bool placeholder = true;
    std::vector<PaletteEntry> palette;  // what a palette display shows it through
    QImage decoded;                     // the picture as decoded, before the fit
    QSize decodedFor;                   // the preview size it was decoded for
    bool reducedOnDecode = false;       // decoded smaller than the file holds
    QSize fittedFor;                    // the preview size image was fitted to
};

// Loads lastImage for a preview of that size; the placeholder when the path
// is empty or the picture cannot be decoded. pump lets events run during a
// long decode and reports whether to abandon it.
PreviewPicture loadPreviewPicture(const std::string& lastImage, QSize preview, bool paletteDisplay,
                                  const std::function<bool()>& pump);

// Fits a loaded picture again, from its decoded pixels, to a preview of that
// size. The placeholder is left as it is (it is stretched over any size).
void refitPreviewPicture(PreviewPicture& picture, QSize preview);

// A picture decoded smaller than its file for a preview smaller than this
// one has to be decoded again to fill it.
bool previewNeedsNewDecode(const PreviewPicture& picture, QSize preview);

class PreviewWindow : public QObject {
public:
    // Attaches to the host window; the window is neither shown nor painted
    // until show(). Owned by `owner` (the show form's window).
    PreviewWindow(QObject* owner, unsigned long host);
    ~PreviewWindow() override;

    bool attached() const { return host_.isValid(); }
    WHostWindow& host() { return host_; }
    WShowWindow& window() { return window_; }

    // Becomes a child of the host covering it, painted with picture
    // (through its palette on a palette display) on every expose. When the
    // host's size changes, the picture is fitted to the new size; `redecode`
    // (may be empty) decodes it anew for a size it was reduced below.
    void show(PreviewPicture picture, bool paletteDisplay, std::function<PreviewPicture(QSize)> redecode = nullptr);
    // The frame the window shows at the given size.
    QImage frame(QSize size) const;
    const PreviewPicture& picture() const { return picture_; }

private:
    void paint();
    void followHostSize(QSize size);

    WHostWindow host_;
    WShowWindow window_;  // destroyed before the host lets go of it
    PreviewPicture picture_;
    QImage placeholder_;
    bool paletteDisplay_ = false;
    std::function<PreviewPicture(QSize)> redecode_;
    bool redecoding_ = false;  // a decode runs; sizes seen meanwhile wait for it
};

// The preview mode of start-up: reads the host's size as the show
// rectangle, loads LastImage (or the placeholder) and shows the
// PreviewWindow inside the host. False when the handle names no window
// (a one-line message goes to standard error); the caller then ends the run.
struct PreviewPorts {
    WShowWindow& window;  // the show form's window, which owns the preview
    SlideShow& show;
    RunState& state;  // ended when the host goes away
    EventPump& pump;
};
bool startPreview(const PreviewPorts& ports, long long parent);

}  // namespace orvanta
