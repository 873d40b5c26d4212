// The frame transitions (Zoom In, Zoom Out, Image Blending) drawn through
// OpenGL on a full-screen window, against the show's own drawing (the CPU
// kernels through the screen canvas, as transitions_window_bench plays them)
// in the same run and on the same window size: a measurement of what an
// OpenGL presentation path would give, on whatever OpenGL the X server
// offers (under a virtual X server, Mesa's llvmpipe, which renders on the
// processor).
//
// OpenGL path: the back buffer (and, for the blending, the previous image)
// is uploaded once as a texture; each zoom frame is one textured rectangle
// with linear filtering (for these mild enlargements the show's area
// average is exactly a linear interpolation, with 14-bit instead of the
// GPU's weights), each blend frame one constant-alpha blend into a
// framebuffer that keeps the running image, then shown; every frame is
// swapped to the window, and the run ends with glFinish.
// The CPU result is the reference: the last frame of each is read back and
// compared with it (mean and largest difference of a channel).
//
// Usage: glframes_window_bench   (DISPLAY names the X server)
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QScreen>
#include <QSurfaceFormat>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "framework/qteventpump.h"
#include "bench/benchsupport.h"
#include "framework/WShowWindow.h"
#include "framework/screentransitiontarget.h"
#include "show/pixels/blend.h"
#include "show/pixels/resample.h"
#include "show/transitions/blockgrid.h"
#include "show/transitions/transitionplayer.h"
#include "show/transitions/transitiontable.h"

using namespace orvanta;
using Clock = std::chrono::steady_clock;

namespace {

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

void settle(int ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(5);
    }
}

const char* kVertex = R"(
attribute vec2 position;
attribute vec2 coord;
varying vec2 texCoord;
void main() { texCoord = coord; gl_Position = vec4(position, 0.0, 1.0); }
)";
const char* kFragment = R"(
uniform sampler2D picture;
uniform float alpha;
varying vec2 texCoord;
void main() { gl_FragColor = vec4(texture2D(picture, texCoord).rgb, alpha); }
)";

struct Difference {
    double mean = 0;
    int largest = 0;
};

Difference compare(const QImage& a, const QImage& b) {
    Difference d;
    double sum = 0;
    long long n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const std::uint8_t*>(b.constScanLine(y));
        for (int x = 0; x < 4 * std::min(a.width(), b.width()); ++x) {
            if (x % 4 == 3) continue;
            const int diff = std::abs(p[x] - q[x]);
            sum += diff;
            d.largest = std::max(d.largest, diff);
            ++n;
        }
    }
    d.mean = n ? sum / static_cast<double>(n) : 0;
    return d;
}

class GlStage {
public:
    GlStage(QWindow& window, int w, int h) : window_(window), w_(w), h_(h) {}

    bool init() {
        QSurfaceFormat format = window_.requestedFormat();
        format.setSwapInterval(0);
        context_.setFormat(format);
        if (!context_.create() || !context_.makeCurrent(&window_)) return false;
        gl_ = context_.functions();
        program_ = std::make_unique<QOpenGLShaderProgram>();
        if (!program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertex) ||
            !program_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragment) || !program_->link())
            return false;
        renderer_ = reinterpret_cast<const char*>(gl_->glGetString(GL_RENDERER));
        return true;
    }
    std::string renderer() const { return renderer_; }

    // Uploads an image as a texture with linear filtering, edges repeated.
    std::unique_ptr<QOpenGLTexture> upload(const QImage& image, double& ms) {
        const Clock::time_point t = Clock::now();
        auto texture = std::make_unique<QOpenGLTexture>(image.convertToFormat(QImage::Format_RGBA8888),
                                                        QOpenGLTexture::DontGenerateMipMaps);
        texture->setMinMagFilters(QOpenGLTexture::Linear, QOpenGLTexture::Linear);
        texture->setWrapMode(QOpenGLTexture::ClampToEdge);
        gl_->glFinish();
        ms = msSince(t);
        return texture;
    }

    // Draws src of the texture (size tw x th) onto dst of a w x h target.
    void drawRect(QOpenGLTexture& texture, int tw, int th, const QRect& src, const QRectF& dst, float alpha) {
        auto nx = [&](double x) { return static_cast<float>(2 * x / w_ - 1); };
        auto ny = [&](double y) { return static_cast<float>(1 - 2 * y / h_); };
        const float x0 = nx(dst.left()), x1 = nx(dst.left() + dst.width());
        const float y0 = ny(dst.top()), y1 = ny(dst.top() + dst.height());
        const float u0 = static_cast<float>(src.left()) / tw, u1 = static_cast<float>(src.left() + src.width()) / tw;
        const float v0 = static_cast<float>(src.top()) / th, v1 = static_cast<float>(src.top() + src.height()) / th;
        const GLfloat positions[] = {x0, y0, x1, y0, x0, y1, x1, y1};
        const GLfloat coords[] = {u0, v0, u1, v0, u0, v1, u1, v1};
        program_->bind();
        texture.bind();
        program_->setUniformValue("picture", 0);
        program_->setUniformValue("alpha", alpha);
        program_->enableAttributeArray("position");
        program_->enableAttributeArray("coord");
        program_->setAttributeArray("position", positions, 2);
        program_->setAttributeArray("coord", coords, 2);
        gl_->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }

    QImage readBack() {
        QImage image(w_, h_, QImage::Format_RGBA8888);
        gl_->glReadPixels(0, 0, w_, h_, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
        return image.mirrored().convertToFormat(QImage::Format_RGB32);
    }

    QOpenGLContext& context() { return context_; }
    QOpenGLFunctions& gl() { return *gl_; }

private:
    QWindow& window_;
    int w_, h_;
    QOpenGLContext context_;
    QOpenGLFunctions* gl_ = nullptr;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    std::string renderer_;
};

struct Plan {
    std::vector<TransitionStep> steps;
};

Plan planOf(int effect, int w, int h, std::vector<int>& blocks) {
    Plan plan;
    Mt19937 mt;
    mt.seed(4357);
    CRandom cr(static_cast<std::uint32_t>(effect));
    TransitionRandom random{mt, cr};
    const TransitionGeometry g{w, h, blockSizeFor(w), 0, blocks};
    forEachStep(effect, g, random, [&](const TransitionStep& s) {
        TransitionStep copy = s;
        copy.pieces = {};
        plan.steps.push_back(copy);
        return true;
    });
    return plan;
}

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    (void)argc;
    const QRect geometry = QGuiApplication::primaryScreen()->geometry();
    const int w = geometry.width(), h = geometry.height();
    const QImage back = bench::noise(w, h, 1), previousSaved = bench::noise(w, h, 2);
    std::vector<int> blocks(static_cast<std::size_t>(blockCountFor(w, h)));
    const double memcpyMs = bench::memcpyFrameMs(w, h);
    std::printf("Frame transitions on a %d x %d window: OpenGL against the show's CPU path\n", w, h);
    std::printf("Floor: memcpy of one frame = %.3f ms\n", memcpyMs);

    // The CPU path first, on a show window, through the show's own target.
    QImage cpuLast[3];
    double cpuSeconds[3] = {0, 0, 0};
    const int effects[3] = {kZoomIn, kZoomOut, kTransitionCount};
    {
        WShowWindow window;
        window.setGeometry(geometry);
        window.showFullScreen();
        settle(500);
        for (int e = 0; e < 3; ++e) {
            QImage previous = previousSaved.copy(), backCopy = back;
            window.canvas().copyFrom(previous, QRect(0, 0, w, h));
            window.canvas().waitUntilShown();
            QtEventPump pump;
            ScreenTransitionTarget::Hooks hooks{&pump, [] { return false; }, [] { return false; }};
            ScreenTransitionTarget target(window.canvas(), backCopy, previous, QRect(0, 0, w, h), hooks);
            Mt19937 mt;
            mt.seed(4357);
            CRandom cr(static_cast<std::uint32_t>(effects[e]));
            TransitionRandom random{mt, cr};
            const TransitionGeometry g{w, h, blockSizeFor(w), 0, blocks};
            const Clock::time_point t = Clock::now();
            playTransition(effects[e], g, random, target);
            window.canvas().waitUntilShown();
            cpuSeconds[e] = msSince(t) / 1000;
            cpuLast[e] = window.canvas().grab().convertToFormat(QImage::Format_RGB32);
            if (effects[e] == kTransitionCount) {
                // The blending ends on the picture itself: compare its last blend instead.
                cpuLast[e] = previous;
            }
        }
    }

    QWindow window;
    window.setSurfaceType(QSurface::OpenGLSurface);
    window.setGeometry(geometry);
    window.showFullScreen();
    settle(500);
    GlStage gl(window, w, h);
    if (!gl.init()) {
        std::printf("no OpenGL context on this display: nothing to compare\n");
        return 0;
    }
    std::printf("OpenGL renderer: %s\n\n", gl.renderer().c_str());
    double uploadMs = 0, uploadPreviousMs = 0;
    std::unique_ptr<QOpenGLTexture> backTexture = gl.upload(back, uploadMs);
    std::unique_ptr<QOpenGLTexture> previousTexture = gl.upload(previousSaved, uploadPreviousMs);
    std::printf("picture upload as a texture: %.1f ms (once per picture)\n\n", uploadMs);
    std::printf("%-3s %-16s %9s %9s %8s %10s %11s\n", "No", "Name", "CPU s", "OpenGL s", "frames", "mean diff",
                "largest diff");
    for (int e = 0; e < 3; ++e) {
        const Plan plan = planOf(effects[e], w, h, blocks);
        QImage last;
        gl.context().makeCurrent(&window);
        QOpenGLFunctions& f = gl.gl();
        f.glViewport(0, 0, w, h);
        const Clock::time_point t = Clock::now();
        int frames = 0;
        if (effects[e] != kTransitionCount) {
            f.glDisable(GL_BLEND);
            for (const TransitionStep& s : plan.steps) {
                gl.drawRect(*backTexture, w, h, s.source, QRectF(s.destination), 1.0f);
                ++frames;
                if (frames == static_cast<int>(plan.steps.size())) last = gl.readBack();
                gl.context().swapBuffers(&window);
            }
        } else {
            // The running image lives in a framebuffer: each frame blends the
            // back buffer over it with constant alpha, then shows it.
            QOpenGLFramebufferObject running(w, h);
            running.bind();
            f.glDisable(GL_BLEND);
            gl.drawRect(*previousTexture, w, h, QRect(0, 0, w, h), QRectF(0, 0, w, h), 1.0f);
            for (const TransitionStep& s : plan.steps) {
                if (s.kind != StepKind::Blend) continue;
                running.bind();
                f.glEnable(GL_BLEND);
                f.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
                gl.drawRect(*backTexture, w, h, QRect(0, 0, w, h), QRectF(0, 0, w, h), s.alpha / 255.0f);
                f.glDisable(GL_BLEND);
                if (++frames == 101) last = gl.readBack();
                QOpenGLFramebufferObject::bindDefault();
                QOpenGLFramebufferObject::blitFramebuffer(nullptr, QRect(0, 0, w, h), &running, QRect(0, 0, w, h));
                gl.context().swapBuffers(&window);
            }
        }
        f.glFinish();
        const double seconds = msSince(t) / 1000;
        const Difference d = compare(last, cpuLast[e]);
        std::printf("%-3d %-16s %9.3f %9.3f %8d %10.3f %11d\n", effects[e],
                    transitionTable()[static_cast<std::size_t>(effects[e] - 1)].name, cpuSeconds[e], seconds, frames,
                    d.mean, d.largest);
    }
    return 0;
}
