// GStreamer's bus is read with a synchronous handler, which runs on whatever
// thread posts the message (mostly streaming threads): it only records that
// the piece started and posts the end of the piece to the show's thread, so
// that no GLib main loop is needed next to Qt's. Every piece gets a new play
// id; the pipeline is brought to NULL (which joins its streaming threads)
// before the id changes, so a report carrying the current id always belongs
// to the current piece.
#include "framework/gstmusicplayer.h"

#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <string>

#include "base/regularfile.h"

namespace orvanta {

namespace {

// playbin's "flags": audio only, so that an MP3's cover picture or a file
// with a video stream never opens a video window.
constexpr guint kPlayFlagAudio = 1u << 1;

bool gstreamerReady() {
    static const bool ready = [] {
        GError* error = nullptr;
        const bool ok = gst_init_check(nullptr, nullptr, &error);
        if (error) g_error_free(error);
        if (!ok) return false;
        // Audio CDs are read through libcdio, whose table of contents decides
        // whether music plays at all; its CD source also plays disc images.
        if (GstPluginFeature* cdio = gst_registry_lookup_feature(gst_registry_get(), "cdiocddasrc")) {
            gst_plugin_feature_set_rank(cdio, GST_RANK_PRIMARY + 1);
            gst_object_unref(cdio);
        }
        return true;
    }();
    return ready;
}

}  // namespace

QEvent::Type WMusicNotifyEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

struct GstMusicPlayer::Impl {
    QObject* target = nullptr;
    GstElement* playbin = nullptr;
    std::atomic<quint64> playId{0};
    std::atomic<bool> started{false};
    bool active = false;    // a piece was started and has not been brought to its end here
    bool awaiting = false;  // its notification has not been accepted yet
    std::string cdDevice;   // for the CD source of the current piece
    QTimer startWatch;

    void post(quint64 id, PlayOutcome outcome) {
        QCoreApplication::postEvent(target, new WMusicNotifyEvent(id, outcome));
    }

    static GstBusSyncReply onBusMessage(GstBus*, GstMessage* message, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ASYNC_DONE:
            if (GST_MESSAGE_SRC(message) == GST_OBJECT(self->playbin)) self->started = true;
            break;
        case GST_MESSAGE_EOS: self->post(self->playId, PlayOutcome::Ended); break;
        case GST_MESSAGE_ERROR:
            // A piece that never started could not be opened; one that fails
            // later simply ends.
            self->post(self->playId, self->started ? PlayOutcome::Ended : PlayOutcome::Failed);
            break;
        default: break;
        }
        return GST_BUS_DROP;
    }

    static void onSourceSetup(GstElement*, GstElement* source, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (self->cdDevice.empty()) return;
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device"))
            g_object_set(source, "device", self->cdDevice.c_str(), nullptr);
    }

    void halt() {
        if (playbin) gst_element_set_state(playbin, GST_STATE_NULL);
        startWatch.stop();
    }

    // The piece is over here (stopped, or taken as failed): its report is posted.
    void finish(PlayOutcome outcome) {
        halt();
        active = false;
        post(playId, outcome);
    }

    bool start(const std::string& uri, std::string device) {
        if (!playbin) return false;
        halt();
        ++playId;
        started = false;
        cdDevice = std::move(device);
        g_object_set(playbin, "uri", uri.c_str(), nullptr);
        active = true;
        awaiting = true;
        if (gst_element_set_state(playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            halt();
            ++playId;  // whatever the failed start posted is stale
            active = false;
            awaiting = false;
            return false;
        }
        startWatch.start(kStartTimeoutMilliseconds);
        return true;
    }
};

GstMusicPlayer::GstMusicPlayer(QObject* target) : impl_(std::make_unique<Impl>()) {
    impl_->target = target;
    impl_->startWatch.setSingleShot(true);
    QObject::connect(&impl_->startWatch, &QTimer::timeout, [impl = impl_.get()] {
        if (impl->active && !impl->started) impl->finish(PlayOutcome::Failed);
    });
    if (!gstreamerReady()) return;
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin) return;
    impl_->playbin = GST_ELEMENT(gst_object_ref_sink(playbin));
    g_object_set(impl_->playbin, "flags", kPlayFlagAudio, nullptr);
    if (const char* description = std::getenv("ORVANTA_AUDIO_SINK"); description && *description) {
        GError* error = nullptr;
        GstElement* sink = gst_parse_bin_from_description(description, TRUE, &error);
        if (error) g_error_free(error);
        // A description that does not parse leaves the automatic sink in place.
        if (sink) g_object_set(impl_->playbin, "audio-sink", sink, nullptr);
    }
    g_signal_connect(impl_->playbin, "source-setup", G_CALLBACK(&Impl::onSourceSetup), impl_.get());
    GstBus* bus = gst_element_get_bus(impl_->playbin);
    gst_bus_set_sync_handler(bus, &Impl::onBusMessage, impl_.get(), nullptr);
    gst_object_unref(bus);
}

GstMusicPlayer::~GstMusicPlayer() {
    impl_->startWatch.stop();
    if (!impl_->playbin) return;
    gst_element_set_state(impl_->playbin, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(impl_->playbin);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(impl_->playbin);
}

bool GstMusicPlayer::available() const { return impl_->playbin != nullptr; }

bool GstMusicPlayer::playFile(const std::string& path) {
    // Only a regular file that can be read is handed over: a FIFO would
    // stall the file source, a directory or device is never music.
    const int fd = openRegularFile(path);
    if (fd < 0) return false;
    ::close(fd);
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &error);
    if (error) g_error_free(error);
    if (!uri) return false;
    const bool ok = impl_->start(uri, {});
    g_free(uri);
    return ok;
}

bool GstMusicPlayer::playCdTrack(const std::string& drive, int track, int) {
    // A drive is a block device; a disc image (a regular file) plays too.
    struct stat st {};
    if (track < 1 || ::stat(drive.c_str(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode))) return false;
    // The CD source plays one track to the start of the next; the last one
    // ends with the disc.
    return impl_->start("cdda://" + std::to_string(track), drive);
}

void GstMusicPlayer::stop() {
    if (impl_->active) impl_->finish(PlayOutcome::Stopped);
}

void GstMusicPlayer::close() {
    impl_->halt();
    ++impl_->playId;
    impl_->active = false;
    impl_->awaiting = false;
}

std::optional<PlayOutcome> GstMusicPlayer::accept(const WMusicNotifyEvent& event) {
    if (event.play != impl_->playId || !impl_->awaiting) return std::nullopt;
    // A piece stopped here reports through the stop's own notice only.
    if (!impl_->active && event.outcome != PlayOutcome::Stopped && event.outcome != PlayOutcome::Failed)
        return std::nullopt;
    impl_->awaiting = false;
    if (impl_->active) {
        impl_->active = false;
        impl_->halt();  // the output is released between pieces
    }
    return event.outcome;
}

}  // namespace orvanta
