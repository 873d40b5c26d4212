#include "framework/WSound.h"

#include <QFile>
#include <QTimer>

#ifdef ORVANTA_HAVE_GSTREAMER
#include <gst/gst.h>
#endif

namespace orvanta {

namespace {
int playing = 0;
}  // namespace

int soundsPlaying() { return playing; }

#ifdef ORVANTA_HAVE_GSTREAMER

namespace {

bool gstreamerReady() {
    static const bool ready = gst_init_check(nullptr, nullptr, nullptr);
    return ready;
}

// Ends a pipeline once its stream has ended or failed. The bus is polled from
// the Qt event loop, so nothing depends on a GLib main loop running.
void watchUntilDone(GstElement* pipeline) {
    auto* timer = new QTimer;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [pipeline, timer] {
        GstBus* bus = gst_element_get_bus(pipeline);
        bool done = false;
        while (GstMessage* message = gst_bus_pop_filtered(bus, static_cast<GstMessageType>(GST_MESSAGE_EOS |
                                                                                           GST_MESSAGE_ERROR))) {
            done = true;
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        if (!done) return;
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        --playing;
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
}

}  // namespace

bool playSoundAsync(const QByteArray& wav) {
    if (wav.isEmpty() || !gstreamerReady()) return false;
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(
        "appsrc name=source caps=audio/x-wav ! wavparse ! audioconvert ! audioresample ! autoaudiosink", &error);
    if (error) {
        g_error_free(error);
        if (pipeline) gst_object_unref(pipeline);
        return false;
    }
    if (!pipeline) return false;
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
    if (!source) {
        gst_object_unref(pipeline);
        return false;
    }
    GstBuffer* buffer = gst_buffer_new_memdup(wav.constData(), static_cast<gsize>(wav.size()));
    GstFlowReturn flow = GST_FLOW_OK;
    g_signal_emit_by_name(source, "push-buffer", buffer, &flow);
    gst_buffer_unref(buffer);
    g_signal_emit_by_name(source, "end-of-stream", &flow);
    gst_object_unref(source);
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        return false;
    }
    ++playing;
    watchUntilDone(pipeline);
    return true;
}

#else

bool playSoundAsync(const QByteArray&) { return false; }

#endif

bool playSnapSound() {
    static const QByteArray snap = [] {
        QFile file(QStringLiteral(":/sounds/snap.wav"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return playSoundAsync(snap);
}

}  // namespace orvanta
